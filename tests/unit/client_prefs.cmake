mailwick_add_unit_test(client_prefs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/client_prefs_test.cpp
  LIBS checker_logic
  LABELS autoconfig)
