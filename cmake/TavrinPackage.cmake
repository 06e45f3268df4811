# The installer's custom actions: a DLL that the MSI carries in its Binary
# table, static like the program so that it needs nothing on the PC.
add_library(TavrinSetup SHARED packaging/setup/TavrinSetup.cpp)
target_include_directories(TavrinSetup PRIVATE src)
target_link_libraries(TavrinSetup PRIVATE msi)
set_target_properties(TavrinSetup PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
tavrin_reproducible(TavrinSetup)
