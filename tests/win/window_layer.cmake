mailwick_add_win_test(window_layer_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_layer_test.cpp ${CMAKE_CURRENT_LIST_DIR}/window_layer.rc
  LIBS mwcommon
  LABELS layer)
