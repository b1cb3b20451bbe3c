# Other programs' machine-wide keys in the 32-bit view of the registry (the x64 build).
mailwick_add_win_test(foreign_registry_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/foreign_registry_test.cpp
  LIBS checker_core mwtest_win_fixtures
  LABELS autoconfig)
