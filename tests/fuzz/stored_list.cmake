mailwick_add_fuzzer(stored_list_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/stored_list_fuzzer.cpp
  LIBS pop3)
