mailwick_add_win_test(tray_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tray_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core
  LABELS tray)

mailwick_add_win_test(checker_start_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_start_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core mwtest_win_fixtures
  LABELS tray)

# The tray icon to look at, driven by scripts/screenshot-tray.sh.
add_executable(tray_demo WIN32 ${CMAKE_CURRENT_LIST_DIR}/tray_demo.cpp $<TARGET_OBJECTS:checker_res>)
set_target_properties(tray_demo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
target_link_libraries(tray_demo PRIVATE checker_core)

mailwick_add_win_test(mail_rows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mail_rows_test.cpp
  LIBS checker_core
  LABELS rows)
