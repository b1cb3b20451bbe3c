# The POP3 session's Winsock path against a real server: Dovecot on this suite's own
# loopback address, started by a ctest fixture; the test writes its mail into the Maildir.
set(POP3_WIN_DOVECOT_IP 127.0.0.11)
set(POP3_WIN_DOVECOT_DIR ${CMAKE_BINARY_DIR}/dovecot-${POP3_WIN_DOVECOT_IP})
set(POP3_DOVECOT_SH ${CMAKE_SOURCE_DIR}/tests/fixtures/dovecot.sh)
add_test(NAME pop3_dovecot_start
         COMMAND bash ${POP3_DOVECOT_SH} start ${POP3_WIN_DOVECOT_DIR} ${POP3_WIN_DOVECOT_IP})
add_test(NAME pop3_dovecot_stop COMMAND bash ${POP3_DOVECOT_SH} stop ${POP3_WIN_DOVECOT_DIR})
set_tests_properties(pop3_dovecot_start PROPERTIES FIXTURES_SETUP pop3_dovecot LABELS win)
set_tests_properties(pop3_dovecot_stop PROPERTIES FIXTURES_CLEANUP pop3_dovecot LABELS win)

mailwick_add_win_test(pop3_dovecot
  SOURCES unit/pop3_dovecot_test.cpp
  LIBS pop3
  LABELS "pop3;dovecot"
  ENV "MAILWICK_DOVECOT_IP=${POP3_WIN_DOVECOT_IP};MAILWICK_DOVECOT_MAILDIR=${POP3_WIN_DOVECOT_DIR}/home/mailwick/Maildir")
set_property(TEST win.pop3_dovecot APPEND PROPERTY FIXTURES_REQUIRED pop3_dovecot)
