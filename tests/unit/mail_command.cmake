mailwick_add_unit_test(mail_command_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mail_command_test.cpp
  LIBS checker_logic)
