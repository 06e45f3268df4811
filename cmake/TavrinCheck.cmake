# tavrin-check: what Tavrin shows for a message, and why not. A console
# program on both systems, built on the very core that the program runs.
add_library(tavrin_check STATIC
  src/check/CheckCommand.cpp
  src/check/CheckReport.cpp
  src/check/PayloadCheck.cpp
  src/check/Watch.cpp
  $<IF:$<BOOL:${WIN32}>,src/check/CheckConsoleWin.cpp,src/check/CheckConsolePosix.cpp>)
target_link_libraries(tavrin_check PUBLIC tavrin_core)
if(WIN32)
  target_link_libraries(tavrin_check PUBLIC shell32)
endif()

add_executable(tavrin-check src/check/CheckMain.cpp)
target_link_libraries(tavrin-check PRIVATE tavrin_check)
set_target_properties(tavrin-check PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
tavrin_reproducible(tavrin_check tavrin-check)
install(TARGETS tavrin-check RUNTIME DESTINATION bin COMPONENT checker)

# Its tests: the verdicts in-process, the program itself as a process, and
# "watch" against the tests' broker.
add_executable(check_tests tests/main.cpp
  tests/check/CheckCommandTests.cpp
  tests/check/PayloadCheckTests.cpp
  tests/check/ProgramTests.cpp
  tests/check/WatchTests.cpp)
target_link_libraries(check_tests PRIVATE tavrin_check test_support)
target_compile_definitions(check_tests PRIVATE TAVRIN_CHECK_EXE="$<TARGET_FILE:tavrin-check>")
add_dependencies(check_tests tavrin-check)
add_test(NAME check_tests COMMAND check_tests)
set_tests_properties(check_tests PROPERTIES TIMEOUT 300)
