mailwick_add_unit_test(rows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/date_stamp_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tray_rules_test.cpp
  LIBS checker_logic
  LABELS rows)
mailwick_add_unit_test(mail_row_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mail_row_test.cpp
  LIBS checker_logic
  LABELS rows)
