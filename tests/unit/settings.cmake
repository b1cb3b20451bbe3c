mailwick_add_unit_test(settings_record_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_record_test.cpp
  LIBS checker_logic
  LABELS settings)
