mailwick_add_unit_test(stored_list_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/stored_list_test.cpp
  LIBS pop3
  LABELS pop3)
mailwick_add_unit_test(mailbox_scan_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mailbox_scan_test.cpp
  LIBS pop3 mwtest_fixtures
  LABELS pop3 dovecot)
