# The help file generator, read back by a reader that follows the help viewer's steps.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME unit.helpfile
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/helpfile_test.py)
set_tests_properties(unit.helpfile PROPERTIES LABELS unit TIMEOUT 120)
