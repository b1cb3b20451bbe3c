mailwick_add_unit_test(check_logic_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/check_logic_test.cpp
  LIBS checker_logic)

mailwick_add_unit_test(balloon_text_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/balloon_text_test.cpp
  LIBS checker_logic
  LABELS tray)
