mailwick_add_unit_test(header_list_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/header_list_test.cpp
  LIBS pop3
  LABELS pop3)
