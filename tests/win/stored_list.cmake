# The "UIDL" file suite on Windows: the same cases, with the C runtime's file calls and
# the replacing rename of a save.
mailwick_add_win_test(stored_list_win_test
  SOURCES ${CMAKE_SOURCE_DIR}/tests/unit/stored_list_test.cpp
  LIBS pop3
  LABELS pop3)
