# How the program carries its run-times.
#  - Linux: the C++ run-time inside, the C library shared. A shared libstdc++
#    doubles the start-up time; a wholly static program hides the heap from
#    valgrind, cannot take the sanitizers, and is an error in a Debian package.
#  - MinGW: wholly static (cmake/mingw-w64.cmake): a bare Windows has no MinGW DLLs.
#  - MSVC: the static run-time, chosen for every target in CMakeLists.txt.
option(CONSTCHECK_FULLY_STATIC "On Linux, link the C library into constcheck too (valgrind and the sanitizers cannot inspect it then)" OFF)

function(constcheck_link_runtimes target)
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
  endif()
  if(CONSTCHECK_FULLY_STATIC)
    target_link_options(${target} PRIVATE -static)
  else()
    # The rest cuts start-up time: fewer pages of libstdc++ to map, and its
    # relocations packed (a linker that does not know the option ignores it).
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--gc-sections -Wl,-z,noseparate-code
                        -Wl,-z,pack-relative-relocs)
  endif()
endfunction()
