# tavrin-check: what Tavrin shows for a message, and why not. A console
# program on both systems, built on the very core that the program runs.
file(GLOB CHECK_SOURCES CONFIGURE_DEPENDS src/check/*.cpp)
list(FILTER CHECK_SOURCES EXCLUDE REGEX "(Main|ConsolePosix|ConsoleWin)\\.cpp$")
if(WIN32)
  list(APPEND CHECK_SOURCES src/check/CheckConsoleWin.cpp)
else()
  list(APPEND CHECK_SOURCES src/check/CheckConsolePosix.cpp)
endif()
add_library(tavrin_check STATIC ${CHECK_SOURCES})
target_link_libraries(tavrin_check PUBLIC tavrin_core)
if(WIN32)
  target_link_libraries(tavrin_check PUBLIC shell32)
endif()

add_executable(tavrin-check src/check/CheckMain.cpp)
target_link_libraries(tavrin-check PRIVATE tavrin_check)
set_target_properties(tavrin-check PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
install(TARGETS tavrin-check RUNTIME DESTINATION bin COMPONENT checker)

# Its tests: the verdicts in-process, the program itself as a process, and
# "watch" against the tests' broker.
file(GLOB CHECK_TEST_SOURCES CONFIGURE_DEPENDS tests/check/*.cpp)
if(CHECK_TEST_SOURCES)
  add_executable(check_tests tests/main.cpp ${CHECK_TEST_SOURCES})
  target_link_libraries(check_tests PRIVATE tavrin_check test_support)
  target_compile_definitions(check_tests PRIVATE TAVRIN_CHECK_EXE="$<TARGET_FILE:tavrin-check>")
  add_dependencies(check_tests tavrin-check)
  add_test(NAME check_tests COMMAND check_tests)
  set_tests_properties(check_tests PROPERTIES TIMEOUT 300)
endif()
