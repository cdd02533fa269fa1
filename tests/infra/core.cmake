hv_add_test(test_infra_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cDictionary.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_cCurrency.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_modRegistryEntry.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_modFileHandling.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cSingleInstance.cpp
  LIBS hvinfra)
hv_add_test(test_infra_errors
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_modErrorHandling.cpp
  LIBS hvinfra)
