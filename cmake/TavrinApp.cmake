# The Windows program: our thin framework layer, the window and its parts.
enable_language(RC)

# Everything but the entry files, so that the tests can link the real window
# without the program's global application object.
add_library(tavrin_win STATIC
  src/framework/CmdUI.cpp
  src/framework/DataExchange.cpp
  src/framework/Dpi.cpp
  src/framework/Dialog.cpp
  src/framework/ListBox.cpp
  src/framework/Menu.cpp
  src/framework/MessageBox.cpp
  src/framework/ModulePath.cpp
  src/framework/SystemError.cpp
  src/framework/TextConvert.cpp
  src/framework/WinApp.cpp
  src/framework/Wnd.cpp
  src/config/PrivateProfile.cpp
  src/logpanes/LogPanes.cpp
  src/app/ProgramMenu.cpp
  src/app/RobotMqttServiceCallback.cpp
  src/app/SingleInstance.cpp
  src/app/StartupRegistration.cpp
  src/app/StatusBoard.cpp
  src/app/TavrinApp.cpp
  src/app/TavrinDlg.cpp
  src/app/TrayIcon.cpp
  src/app/TrayState.cpp
  src/app/VersionText.cpp
  src/app/WindowScale.cpp)
target_include_directories(tavrin_win PUBLIC src)
target_link_libraries(tavrin_win PUBLIC tavrin_core comctl32 shlwapi version advapi32 shell32 user32 gdi32)

set(TAVRIN_RC "${CMAKE_SOURCE_DIR}/src/res/Tavrin.rc")
# The link-down icon is drawn from the program icon's source at build time;
# windres finds it through the include path.
set(TAVRIN_GENERATED_RES "${CMAKE_BINARY_DIR}/res")
set(TAVRIN_LINK_DOWN_ICO "${TAVRIN_GENERATED_RES}/TavrinLinkDown.ico")
add_custom_command(OUTPUT "${TAVRIN_LINK_DOWN_ICO}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${TAVRIN_GENERATED_RES}"
  COMMAND "${CMAKE_SOURCE_DIR}/scripts/make-icon.sh" --link-down "${TAVRIN_LINK_DOWN_ICO}"
  DEPENDS "${CMAKE_SOURCE_DIR}/src/res/Tavrin.png" "${CMAKE_SOURCE_DIR}/scripts/make-icon.sh"
  COMMENT "Drawing the link-down icon")
add_custom_target(tavrin_icons DEPENDS "${TAVRIN_LINK_DOWN_ICO}")
set_source_files_properties(${TAVRIN_RC} PROPERTIES OBJECT_DEPENDS "${TAVRIN_LINK_DOWN_ICO}")
# Every program that links the window also compiles Tavrin.rc.
target_include_directories(tavrin_win PUBLIC "${TAVRIN_GENERATED_RES}")
add_dependencies(tavrin_win tavrin_icons)
add_executable(Tavrin WIN32 src/framework/WinMain.cpp src/app/TavrinMain.cpp ${TAVRIN_RC})
target_link_libraries(Tavrin PRIVATE tavrin_win)
set_target_properties(Tavrin PROPERTIES OUTPUT_NAME Tavrin RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
tavrin_reproducible(tavrin_win Tavrin)

# In-process tests of the window and its parts, the settings store and the
# registry, with the program's resources linked in.
add_library(win_test_support STATIC
  tests/support/DialogFixture.cpp
  tests/support/MessageRecorder.cpp
  tests/support/WindowLayout.cpp)
target_include_directories(win_test_support PUBLIC tests/support)
target_link_libraries(win_test_support PUBLIC tavrin_win test_support)

add_executable(win_tests tests/main.cpp
  tests/framework/FrameworkTests.cpp
  tests/config/ProfileTests.cpp
  tests/logpanes/LogPaneTests.cpp
  tests/app/DialogTests.cpp
  tests/app/MenuTests.cpp
  tests/app/ScaleTests.cpp
  tests/app/ScreenBatchTests.cpp
  tests/app/StartupRegistrationTests.cpp
  tests/app/TrayTests.cpp
  ${TAVRIN_RC})
target_link_libraries(win_tests PRIVATE win_test_support)
add_test(NAME win_tests COMMAND win_tests)
set_tests_properties(win_tests PROPERTIES TIMEOUT 600)

# The real program, started as a process and read through its window.
add_executable(e2e_tests tests/main.cpp
  tests/e2e/EndToEndTests.cpp
  tests/e2e/FaultTests.cpp
  tests/e2e/ProgramProbe.cpp
  tests/e2e/ScaleTests.cpp
  tests/e2e/SecureTests.cpp
  tests/e2e/SiteLinkTests.cpp
  tests/support/WindowLayout.cpp)
target_link_libraries(e2e_tests PRIVATE test_support comctl32)
target_include_directories(e2e_tests PRIVATE src)
set_target_properties(e2e_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
add_dependencies(e2e_tests Tavrin)
add_test(NAME e2e_tests COMMAND e2e_tests --gtest_filter=-*DeadResolver*:SecureEndToEnd.*)
set_tests_properties(e2e_tests PROPERTIES TIMEOUT 600)
# TLS and sign-in against a secure broker, on a clock of their own.
add_test(NAME e2e_secure COMMAND e2e_tests --gtest_filter=SecureEndToEnd.*)
set_tests_properties(e2e_secure PROPERTIES TIMEOUT 600)
# A name lookup that never answers, in a network namespace of its own.
add_test(NAME e2e_dead_resolver
  COMMAND ${CMAKE_SOURCE_DIR}/tests/support/dead-resolver.sh env TAVRIN_DEAD_RESOLVER=1
    ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:e2e_tests> --gtest_filter=*DeadResolver*)
set_tests_properties(e2e_dead_resolver PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)

# For `make screenshot`: waits until the running program's board has moved.
add_executable(board_wait tests/support/BoardWaitMain.cpp)
target_include_directories(board_wait PRIVATE src)
target_link_options(board_wait PRIVATE -municode)
set_target_properties(board_wait PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
