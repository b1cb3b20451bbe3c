# prefs.js (Netscape and Thunderbird) and profiles.ini as other programs may have left them.
mailwick_add_fuzzer(client_prefs_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/client_prefs_fuzzer.cpp
  LIBS checker_logic)
