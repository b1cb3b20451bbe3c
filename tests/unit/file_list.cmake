mailwick_add_unit_test(file_list_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_list_test.cpp
  LIBS setup_files
  LABELS setup)
