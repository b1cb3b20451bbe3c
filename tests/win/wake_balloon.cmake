# The new-mail balloon and the check after a wake, on the checker's main window.
mailwick_add_dovecot_fixture(wake_dovecot 54)
mailwick_add_win_test(wake_balloon_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wake_balloon_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver mwtest_win_fixtures
  LABELS "checker;dovecot;tray"
  ENV "${wake_dovecot_ENV}")
set_property(TEST win.wake_balloon_test APPEND PROPERTY FIXTURES_REQUIRED wake_dovecot)
