# The main window and the check cycle in one process, against Dovecot on its own address.
mailwick_add_dovecot_fixture(flow_dovecot 40)

add_library(e2e_driver STATIC ${CMAKE_SOURCE_DIR}/tests/e2e/driver.cpp)
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(e2e_driver PUBLIC mwcommon)

mailwick_add_win_test(checker_flow_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_flow_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver mwtest_win_fixtures
  LABELS "checker;dovecot"
  ENV "${flow_dovecot_ENV}")
set_property(TEST win.checker_flow_test APPEND PROPERTY FIXTURES_REQUIRED flow_dovecot)

mailwick_add_win_test(checker_exit_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_exit_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver mwtest_win_fixtures
  LABELS "checker;dovecot"
  ENV "${flow_dovecot_ENV}")
set_property(TEST win.checker_exit_test APPEND PROPERTY FIXTURES_REQUIRED flow_dovecot)

# The dial-up stages, with the stand-in RAS library beside the test program.
if(NOT TARGET fakeras)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/fakeras ${CMAKE_BINARY_DIR}/tests/fakeras)
endif()
mailwick_add_win_test(checker_dialup_flow_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_dialup_flow_test.cpp $<TARGET_OBJECTS:checker_res>
  LIBS checker_core e2e_driver fakeras_state mwtest_win_fixtures
  LABELS "checker;dovecot;dialup"
  ENV "WINEDLLOVERRIDES=rasapi32=n;${flow_dovecot_ENV}")
add_dependencies(checker_dialup_flow_test fakeras)
set_property(TEST win.checker_dialup_flow_test APPEND PROPERTY FIXTURES_REQUIRED flow_dovecot)
