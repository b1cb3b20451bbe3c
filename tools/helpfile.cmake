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

# The same help as an HTML Help archive, for Windows without a WinHelp viewer. chmcmd
# (fp-utils) compiles the pages; the archive reaches bin/ only once chmcheck.py finds every
# topic, the licence and every context number the programs open in it.
find_program(CHMCMD chmcmd REQUIRED)
find_program(CHMLS chmls REQUIRED)
set(CHM_WORK ${CMAKE_BINARY_DIR}/help-html)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/bin/mailwick.chm
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CHM_WORK}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/helpfile.py --html
          ${CMAKE_SOURCE_DIR}/data/help/mailwick.txt ${CHM_WORK}
  COMMAND ${CMAKE_COMMAND} -E chdir ${CHM_WORK} ${CHMCMD} --no-html-scan mailwick.hhp
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/chmcheck.py
          ${CMAKE_SOURCE_DIR}/data/help/mailwick.txt ${CHM_WORK}/mailwick.chm
          ${CMAKE_SOURCE_DIR}/checker/options/options_res.h ${CMAKE_SOURCE_DIR}/checker/help.h
          ${CMAKE_SOURCE_DIR}/setup/wizard.cpp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
  COMMAND ${CMAKE_COMMAND} -E copy ${CHM_WORK}/mailwick.chm ${CMAKE_BINARY_DIR}/bin/mailwick.chm
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/helpfile.py ${CMAKE_SOURCE_DIR}/tools/chmcheck.py
          ${CMAKE_SOURCE_DIR}/data/help/mailwick.txt ${CMAKE_SOURCE_DIR}/data/license.txt
          ${CMAKE_SOURCE_DIR}/checker/options/options_res.h ${CMAKE_SOURCE_DIR}/checker/help.h
          ${CMAKE_SOURCE_DIR}/setup/wizard.cpp
  COMMENT "Building mailwick.chm")
list(APPEND DATA_OUTPUTS ${CMAKE_BINARY_DIR}/bin/mailwick.chm)
