# New-mail notification in one process, against Dovecot on its own address, with the
# stand-in RAS library and a stand-in mail program beside the test program.
mailwick_add_dovecot_fixture(notify_dovecot 50)

# Records that it was started and its command line; the tests make it the mail program.
add_executable(recorder WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/recorder.cpp)
set_target_properties(recorder PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)

if(NOT TARGET fakeras)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/fakeras ${CMAKE_BINARY_DIR}/tests/fakeras)
endif()

mailwick_add_win_test(notification_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/notification_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver fakeras_state mwtest_win_fixtures
  LABELS "checker;dovecot;dialup"
  ENV "WINEDLLOVERRIDES=rasapi32=n;${notify_dovecot_ENV}")
set_property(TEST win.notification_test APPEND PROPERTY FIXTURES_REQUIRED notify_dovecot)
add_dependencies(notification_test recorder fakeras generated_data)

# Sends a menu command to a running checker; the screenshot script uses it.
add_executable(post_command WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/post_command.cpp)
set_target_properties(post_command PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
