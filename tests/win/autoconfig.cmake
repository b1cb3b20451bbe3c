# Mail-client discovery and the account readers, each test in its own registry and folder.
mailwick_add_win_test(mail_clients_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mail_clients_test.cpp
  LIBS checker_core mwtest_win_fixtures
  LABELS autoconfig)

# The AUTOCONFIG dialog in the test's own process, driven from a second thread.
mailwick_add_win_test(autoconfig_dialog_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/autoconfig_dialog_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core mwtest_win_fixtures
  LABELS autoconfig)
add_dependencies(autoconfig_dialog_test generated_data)

# The dialog over a stand-in Account page, for screenshots (scripts/screenshot-autoconfig.sh).
add_executable(autoconfig_demo WIN32 ${CMAKE_CURRENT_LIST_DIR}/autoconfig_demo.cpp $<TARGET_OBJECTS:checker_res>)
set_target_properties(autoconfig_demo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
target_link_libraries(autoconfig_demo PRIVATE checker_core mwtest_win_fixtures)
add_dependencies(autoconfig_demo generated_data)
