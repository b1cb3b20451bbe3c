# The socket stream and the POP3 dialogue against the scripted server, and against a
# private Dovecot.
mailwick_add_unit_test(pop3_session
  SOURCES unit/line_connection_test.cpp unit/pop3_session_test.cpp
  LIBS pop3 mwtest_fixtures LABELS pop3)

# Dovecot runs on this suite's own loopback address.
mailwick_add_unit_test(pop3_dovecot
  SOURCES unit/pop3_dovecot_test.cpp
  LIBS pop3 mwtest_fixtures LABELS "pop3;dovecot")
set_property(TEST unit.pop3_dovecot APPEND PROPERTY ENVIRONMENT "MAILWICK_DOVECOT_IP=127.0.0.10")

# The small command-line POP3 check that scripts/run.sh runs against the demo mailbox.
add_executable(pop3_demo ${CMAKE_SOURCE_DIR}/tests/fixtures/pop3_demo.cpp)
target_link_libraries(pop3_demo PRIVATE pop3)
