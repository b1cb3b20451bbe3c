mailwick_add_unit_test(ras_names SOURCES ${CMAKE_CURRENT_LIST_DIR}/ras_names_test.cpp
                       LIBS checker_logic LABELS dialup)
