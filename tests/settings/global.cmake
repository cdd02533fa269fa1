# The common settings: global settings, other settings and simple lists, the XML export and
# the removed-item dialog.

hv_add_test(test_settings_global
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettings.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings)
hv_add_test(test_settings_othersettings
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cOtherSettings.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings)
hv_add_test(test_settings_xml
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_modXMLExport.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings Qt6::Network)
target_compile_definitions(test_settings_xml PRIVATE HV_XML_SAMPLES="${CMAKE_CURRENT_LIST_DIR}/xml")
hv_add_test(test_settings_resolveremoved
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmResolveRemovedItem.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsSupport.h
  LIBS hvsettings)

# A second program that saves, for the saves running at the same moment.
add_executable(hvsavesession ${CMAKE_CURRENT_LIST_DIR}/hvsavesession.cpp)
target_link_libraries(hvsavesession PRIVATE hvsettings)
add_dependencies(test_settings_global hvsavesession)
target_sources(test_settings_global PRIVATE ${CMAKE_CURRENT_LIST_DIR}/tst_cGlobalSettingsConcurrent.cpp)
target_compile_definitions(test_settings_global PRIVATE HV_SAVE_SESSION="$<TARGET_FILE:hvsavesession>")
