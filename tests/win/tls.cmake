# Secure connections: a Dovecot that insists on TLS at seven of this tree's addresses, with
# certificates made for the run by a test authority.
set(tls_dir ${CMAKE_BINARY_DIR}/dovecot-tls)
set(tls_script ${CMAKE_SOURCE_DIR}/tests/fixtures/dovecot_tls.sh)
set(tls_good ${MAILWICK_TEST_NET}.60)
set(tls_wrong ${MAILWICK_TEST_NET}.61)
set(tls_rogue ${MAILWICK_TEST_NET}.62)
set(tls_forged ${MAILWICK_TEST_NET}.63)
set(tls_constrained ${MAILWICK_TEST_NET}.64)
set(tls_revoked ${MAILWICK_TEST_NET}.65)
set(tls_offline ${MAILWICK_TEST_NET}.66)
add_test(NAME tls_dovecot_start
         COMMAND bash ${tls_script} start ${tls_dir} ${tls_good} ${tls_wrong} ${tls_rogue} ${tls_forged}
                 ${tls_constrained} ${tls_revoked} ${tls_offline})
add_test(NAME tls_dovecot_stop COMMAND bash ${tls_script} stop ${tls_dir})
set_tests_properties(tls_dovecot_start PROPERTIES FIXTURES_SETUP tls_dovecot LABELS win)
set_tests_properties(tls_dovecot_stop PROPERTIES FIXTURES_CLEANUP tls_dovecot LABELS win)
set(tls_dovecot_ENV "MAILWICK_TLS_DIR=${tls_dir};MAILWICK_TLS_GOOD=${tls_good};MAILWICK_TLS_WRONG=${tls_wrong};MAILWICK_TLS_ROGUE=${tls_rogue};MAILWICK_TLS_FORGED=${tls_forged};MAILWICK_TLS_CONSTRAINED=${tls_constrained};MAILWICK_TLS_REVOKED=${tls_revoked};MAILWICK_TLS_OFFLINE=${tls_offline}")

mailwick_add_win_test(tls_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tls_test.cpp
  LIBS pop3 crypt32
  LABELS "pop3;dovecot;tls"
  ENV "${tls_dovecot_ENV}")
set_property(TEST win.tls_test APPEND PROPERTY FIXTURES_REQUIRED tls_dovecot)

# The whole check cycle over both secure modes.
mailwick_add_win_test(checker_tls_flow_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_tls_flow_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver mwtest_win_fixtures crypt32
  LABELS "checker;dovecot;tls"
  ENV "${tls_dovecot_ENV};MAILWICK_DOVECOT_IP=${tls_good};MAILWICK_DOVECOT_MAILDIR=${tls_dir}/home/mailwick/Maildir")
set_property(TEST win.checker_tls_flow_test APPEND PROPERTY FIXTURES_REQUIRED tls_dovecot)
