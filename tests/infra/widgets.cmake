hv_add_test(test_infra_widgets
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_infraWidgets.cpp
  LIBS hvinfrawidgets)
