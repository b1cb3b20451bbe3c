# Whole-program tests: the real mailwick.exe against Dovecot on its own address.
mailwick_add_dovecot_fixture(e2e_dovecot 41)

mailwick_add_win_test(checker_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/checker_e2e_test.cpp
  LIBS e2e_driver pop3 fakeras_state
  LABELS "e2e;dovecot"
  ENV "${e2e_dovecot_ENV}")
if(NOT TARGET fakeras)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/fakeras ${CMAKE_BINARY_DIR}/tests/fakeras)
endif()
add_dependencies(checker_e2e_test mailwick generated_data fakeras)
set_property(TEST win.checker_e2e_test APPEND PROPERTY FIXTURES_REQUIRED e2e_dovecot)
