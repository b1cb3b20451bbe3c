# The help file, built from its readable source in data/help.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/bin/mailwick.hlp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/helpfile.py
          ${CMAKE_SOURCE_DIR}/data/help/mailwick.txt ${CMAKE_BINARY_DIR}/bin/mailwick.hlp
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/helpfile.py ${CMAKE_SOURCE_DIR}/data/help/mailwick.txt
          ${CMAKE_SOURCE_DIR}/data/license.txt
  COMMENT "Building mailwick.hlp")
list(APPEND DATA_OUTPUTS ${CMAKE_BINARY_DIR}/bin/mailwick.hlp)
