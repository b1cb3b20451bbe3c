# The mailbox scan against a private Dovecot holding generated mailboxes of growing size.
if(WIN32)
  return()
endif()
add_executable(scan_bench ${CMAKE_CURRENT_LIST_DIR}/scan_bench.cpp)
target_link_libraries(scan_bench PRIVATE pop3)
target_include_directories(scan_bench PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(scan_bench PRIVATE
  MAILWICK_BENCH_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  MAILWICK_BENCH_WORK_DIR="${CMAKE_BINARY_DIR}/bench-scan")
