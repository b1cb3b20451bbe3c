mailwick_add_unit_test(help_choice_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/help_choice_test.cpp
  LABELS help)
