# Whole-program tests: the real mailwick.exe against Dovecot on its own address.
set(E2E_DOVECOT_IP 127.0.0.41)
set(E2E_DOVECOT_DIR ${CMAKE_BINARY_DIR}/dovecot-${E2E_DOVECOT_IP})
add_test(NAME e2e_dovecot_start
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fixtures/dovecot.sh start ${E2E_DOVECOT_DIR} ${E2E_DOVECOT_IP})
add_test(NAME e2e_dovecot_stop COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fixtures/dovecot.sh stop ${E2E_DOVECOT_DIR})
set_tests_properties(e2e_dovecot_start PROPERTIES FIXTURES_SETUP e2e_dovecot LABELS e2e)
set_tests_properties(e2e_dovecot_stop PROPERTIES FIXTURES_CLEANUP e2e_dovecot LABELS e2e)

mailwick_add_win_test(checker_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_e2e_test.cpp
  LIBS e2e_driver pop3
  LABELS "e2e;dovecot"
  ENV "MAILWICK_DOVECOT_IP=${E2E_DOVECOT_IP};MAILWICK_DOVECOT_MAILDIR=${E2E_DOVECOT_DIR}/home/mailwick/Maildir")
add_dependencies(checker_e2e_test mailwick generated_data)
set_property(TEST win.checker_e2e_test APPEND PROPERTY FIXTURES_REQUIRED e2e_dovecot)
