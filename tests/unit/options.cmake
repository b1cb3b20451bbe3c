mailwick_add_unit_test(options_rules_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_rules_test.cpp
  LIBS checker_logic
  LABELS options)
