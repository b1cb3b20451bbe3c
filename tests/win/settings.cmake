mailwick_add_win_test(settings_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_store_test.cpp
  LIBS checker_core mwtest_win_fixtures
  LABELS settings)

mailwick_add_win_test(startup_shortcut_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_shortcut_test.cpp
  LIBS checker_core mwtest_win_fixtures
  LABELS settings)

mailwick_add_win_test(password_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/password_store_test.cpp
  LIBS checker_core mwtest_win_fixtures
  LABELS settings)
