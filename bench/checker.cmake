# The whole checker under Wine: checker_wine.py runs this driver against mailwick.exe.
if(NOT WIN32)
  return()
endif()
add_executable(checker_driver ${CMAKE_CURRENT_LIST_DIR}/checker_driver.cpp
               ${CMAKE_SOURCE_DIR}/tests/e2e/driver.cpp)
set_target_properties(checker_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench-bin)
target_include_directories(checker_driver PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(checker_driver PRIVATE mwcommon psapi)
add_dependencies(checker_driver mailwick)
