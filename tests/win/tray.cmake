mailwick_add_win_test(tray_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tray_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core
  LABELS tray)
