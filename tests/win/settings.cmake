set(MAILWICK_WIN_FIXTURES
  ${CMAKE_SOURCE_DIR}/tests/fixtures/registry_sandbox.cpp
  ${CMAKE_SOURCE_DIR}/tests/fixtures/win_temp_dir.cpp
  ${CMAKE_SOURCE_DIR}/tests/fixtures/message_recorder.cpp)

mailwick_add_win_test(settings_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_store_test.cpp ${MAILWICK_WIN_FIXTURES}
  LIBS checker_core
  LABELS settings)

mailwick_add_win_test(startup_shortcut_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_shortcut_test.cpp ${MAILWICK_WIN_FIXTURES}
  LIBS checker_core
  LABELS settings)
