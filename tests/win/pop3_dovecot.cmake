# The POP3 session's Winsock path against a real server: Dovecot on this suite's own
# loopback address, started by a ctest fixture; the test writes its mail into the Maildir.
mailwick_add_dovecot_fixture(pop3_dovecot 11)

mailwick_add_win_test(pop3_dovecot
  SOURCES unit/pop3_dovecot_test.cpp
  LIBS pop3
  LABELS "pop3;dovecot"
  ENV "${pop3_dovecot_ENV}")
set_property(TEST win.pop3_dovecot APPEND PROPERTY FIXTURES_REQUIRED pop3_dovecot)
