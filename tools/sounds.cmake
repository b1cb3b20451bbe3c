# The two default sounds, generated into the programs' folder.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/bin/newmail.wav ${CMAKE_BINARY_DIR}/bin/alarm.wav
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/sounds.py ${CMAKE_BINARY_DIR}/bin
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/sounds.py
  COMMENT "Generating newmail.wav and alarm.wav")
list(APPEND DATA_OUTPUTS ${CMAKE_BINARY_DIR}/bin/newmail.wav ${CMAKE_BINARY_DIR}/bin/alarm.wav)
