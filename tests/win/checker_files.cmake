# Where the checker keeps its files, with checks against Dovecot on an address of its own.
mailwick_add_dovecot_fixture(files_dovecot 56)
mailwick_add_win_test(checker_files_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_files_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver mwtest_win_fixtures
  LABELS "checker;dovecot"
  ENV "${files_dovecot_ENV}")
set_property(TEST win.checker_files_test APPEND PROPERTY FIXTURES_REQUIRED files_dovecot)
