# Mail-client discovery and the account readers, each test in its own registry and folder.
mailwick_add_win_test(mail_clients_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mail_clients_test.cpp
  LIBS checker_core mwtest_win_fixtures
  LABELS autoconfig)
