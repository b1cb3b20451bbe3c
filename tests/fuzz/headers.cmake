mailwick_add_fuzzer(headers_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/headers_fuzzer.cpp
  LIBS pop3)
