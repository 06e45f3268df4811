# What the release ships is the same bytes wherever the commit is built: no
# folder of this checkout in its objects and, on Windows, no debug sections
# of the runtime libraries (the link time stamp is off for every program).
function(tavrin_reproducible)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE
      "-ffile-prefix-map=${CMAKE_SOURCE_DIR}/="
      "-ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
    get_target_property(type ${target} TYPE)
    if(WIN32 AND NOT type STREQUAL "STATIC_LIBRARY")
      target_link_options(${target} PRIVATE -s)
    endif()
  endforeach()
endfunction()
