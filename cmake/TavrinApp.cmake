# The Windows program: our thin framework layer, the window and its parts.
enable_language(RC)

# Everything but the entry files (*Main.cpp), so that the tests can link the
# real window without the program's global application object.
file(GLOB WIN_SOURCES CONFIGURE_DEPENDS
  src/framework/*.cpp src/app/*.cpp src/logpanes/*.cpp src/config/*.cpp)
list(FILTER WIN_SOURCES EXCLUDE REGEX "Main\\.cpp$")
file(GLOB WIN_MAIN_SOURCES CONFIGURE_DEPENDS src/framework/*Main.cpp src/app/*Main.cpp)

add_library(tavrin_win STATIC ${WIN_SOURCES})
target_include_directories(tavrin_win PUBLIC src)
target_link_libraries(tavrin_win PUBLIC tavrin_core comctl32 shlwapi version advapi32 shell32 user32 gdi32)

set(TAVRIN_RC "${CMAKE_SOURCE_DIR}/src/res/Tavrin.rc")
add_executable(Tavrin WIN32 ${WIN_MAIN_SOURCES} ${TAVRIN_RC})
target_link_libraries(Tavrin PRIVATE tavrin_win)
set_target_properties(Tavrin PROPERTIES OUTPUT_NAME Tavrin RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")

# In-process tests of the window, the settings store and the registry, with
# the program's resources linked in.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS tests/win/*.cpp)
if(WIN_TEST_SOURCES)
  add_executable(win_tests tests/main.cpp ${WIN_TEST_SOURCES} ${TAVRIN_RC})
  target_link_libraries(win_tests PRIVATE tavrin_win test_support)
  add_test(NAME win_tests COMMAND win_tests)
  set_tests_properties(win_tests PROPERTIES TIMEOUT 600)
endif()

# The real program, started as a process and read through its window.
file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
add_executable(e2e_tests tests/main.cpp ${E2E_TEST_SOURCES})
target_link_libraries(e2e_tests PRIVATE test_support)
set_target_properties(e2e_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
add_dependencies(e2e_tests Tavrin)
add_test(NAME e2e_tests COMMAND e2e_tests)
set_tests_properties(e2e_tests PROPERTIES TIMEOUT 600)
