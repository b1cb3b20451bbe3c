# The socket stream and the POP3 dialogue against the scripted server, and against a
# private Dovecot.
mailwick_add_unit_test(pop3_session
  SOURCES unit/line_connection_test.cpp unit/pop3_session_test.cpp
  LIBS pop3 mwtest_fixtures LABELS pop3)

# Dovecot runs on this suite's own loopback address.
mailwick_add_unit_test(pop3_dovecot
  SOURCES unit/pop3_dovecot_test.cpp
  LIBS pop3 mwtest_fixtures LABELS "pop3;dovecot")
set_property(TEST unit.pop3_dovecot APPEND PROPERTY ENVIRONMENT "MAILWICK_DOVECOT_IP=${MAILWICK_TEST_NET}.10")

