# The common settings: global settings, other settings and simple lists, the XML export and
# the removed-item dialog.

hv_add_test(test_settings_global
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettings.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings)
hv_add_test(test_settings_othersettings
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cOtherSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_cSimpleList.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings)
hv_add_test(test_settings_xml
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_modXMLExport.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings Qt6::Network)
hv_add_test(test_settings_resolveremoved
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmResolveRemovedItem.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings)
