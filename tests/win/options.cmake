mailwick_add_win_test(options_sheet_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_sheet_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core mwtest_win_fixtures
  LABELS options)
