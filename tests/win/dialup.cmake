# Dial-up against the stand-in RAS library, which Wine must load instead of its own.
if(NOT TARGET fakeras)
  add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/fakeras ${CMAKE_BINARY_DIR}/tests/fakeras)
endif()

mailwick_add_win_test(dialup SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialup_test.cpp
                      LIBS checker_core fakeras_state mwtest_win_fixtures LABELS dialup ENV "WINEDLLOVERRIDES=rasapi32=n")
add_dependencies(dialup fakeras)

# A library without RasEnumEntriesA: its own folder, with a test program of its own beside it.
mailwick_add_win_test(dialup_noenum SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialup_noenum_test.cpp
                      LIBS checker_core fakeras_state mwtest_win_fixtures LABELS dialup ENV "WINEDLLOVERRIDES=rasapi32=n")
set_target_properties(dialup_noenum PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin/noenum)
add_dependencies(dialup_noenum fakeras_noenum)
