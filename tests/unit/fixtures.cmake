# Test support shared by the native suites: the scripted POP3 server and the private
# Dovecot instance.
add_library(mwtest_fixtures STATIC
  ${CMAKE_SOURCE_DIR}/tests/fixtures/scripted_server.cpp
  ${CMAKE_SOURCE_DIR}/tests/fixtures/dovecot_fixture.cpp)
target_include_directories(mwtest_fixtures PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(mwtest_fixtures PUBLIC Threads::Threads)
