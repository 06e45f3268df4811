# The installer's custom actions: a DLL that the MSI carries in its Binary
# table, static like the program so that it needs nothing on the PC.
add_library(TavrinSetup SHARED packaging/setup/TavrinSetup.cpp)
target_include_directories(TavrinSetup PRIVATE src)
target_link_libraries(TavrinSetup PRIVATE msi)
set_target_properties(TavrinSetup PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
tavrin_reproducible(TavrinSetup)

# The release as a Windows user gets it: the zip, and the MSI installed,
# upgraded and removed under Wine in a prefix of its own.
add_executable(package_tests tests/main.cpp
  tests/packaging/PackageTests.cpp
  tests/e2e/ProgramProbe.cpp)
target_link_libraries(package_tests PRIVATE test_support msi ole32 uuid shell32)
target_include_directories(package_tests PRIVATE src tests/e2e)
add_dependencies(package_tests Tavrin tavrin-check TavrinSetup)
add_test(NAME package_tests
  COMMAND "${CMAKE_SOURCE_DIR}/tests/packaging/package-test.sh" "${CMAKE_BINARY_DIR}" $<TARGET_FILE:package_tests>)
set_tests_properties(package_tests PROPERTIES TIMEOUT 600)
