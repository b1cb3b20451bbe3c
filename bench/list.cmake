# The mail list window with 10,000 and 100,000 stored messages, run under Wine.
if(NOT WIN32)
  return()
endif()
add_executable(list_bench ${CMAKE_CURRENT_LIST_DIR}/list_bench.cpp $<TARGET_OBJECTS:checker_res>)
target_link_libraries(list_bench PRIVATE checker_core)
target_include_directories(list_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
