mailwick_add_unit_test(file_places_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_places_test.cpp
  LIBS checker_logic)
