hv_add_test(test_settings_metarecordset
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cMetaDictionaryRecordset.cpp
  LIBS hvsettings hvdb)
hv_add_test(test_settings_personal
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cPersonalSettings.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cPersonalSettingsStores.cpp
  LIBS hvsettings hvoutlook hvinfra)
