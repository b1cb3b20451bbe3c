mailwick_add_win_test(mail_list_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mail_list_window_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core mwtest_win_fixtures
  LABELS "rows;list")

mailwick_add_win_test(sort_keys_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sort_keys_test.cpp
  LIBS checker_core
  LABELS "rows;list")
