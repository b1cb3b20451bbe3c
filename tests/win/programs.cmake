# The three programs start under Wine.
# The checker stays resident; its start is covered by the whole-program tests.
foreach(prog setup MWuninst)
  add_test(NAME win.starts.${prog} COMMAND ${WINE_RUN} $<TARGET_FILE:${prog}>)
  set_tests_properties(win.starts.${prog} PROPERTIES FIXTURES_REQUIRED wine_env LABELS win TIMEOUT 120)
endforeach()
