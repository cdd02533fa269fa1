hv_add_test(test_settings_metadictionary
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cMetaDictionary.cpp
  LIBS hvsettings)
