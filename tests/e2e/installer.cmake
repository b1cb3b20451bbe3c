# Whole-program tests of setup.exe and MWuninst.exe, installing from the shipped folder
# into the test prefix's Program Files.
mailwick_add_win_test(installer_e2e_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/installer_e2e_test.cpp
  LIBS e2e_driver mwcommon psapi
  LABELS "e2e;setup")
if(TARGET shipped)
  add_dependencies(installer_e2e_test shipped)
endif()

# Presses the wizard's buttons for the screenshot script.
add_executable(wizard_press WIN32 ${CMAKE_CURRENT_LIST_DIR}/wizard_press.cpp)
set_target_properties(wizard_press PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
target_include_directories(wizard_press PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(wizard_press PRIVATE comctl32 user32)
