# The help file in the real help viewer; the Help menu's commands; the debug log switch.
mailwick_add_win_test(help_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/help_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver mwtest_win_fixtures
  LABELS help)
add_dependencies(help_test generated_data)
