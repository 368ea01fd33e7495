# How the program carries its run-times, and how it is hardened.
#  - Linux: the C++ run-time inside, the C library shared. A shared libstdc++
#    doubles the start-up time; a wholly static program hides the heap from
#    valgrind, cannot take the sanitizers, and is an error in a Debian package.
#  - MinGW: wholly static (cmake/mingw-w64.cmake): a bare Windows has no MinGW DLLs.
#  - MSVC: the static run-time, chosen for every target in CMakeLists.txt.
option(CONSTCHECK_FULLY_STATIC "On Linux, link the C library into constcheck too (valgrind and the sanitizers cannot inspect it then)" OFF)

# Protections for a program that reads untrusted input: stack protector,
# stack-clash protection, and fortified calls where the build is optimised,
# as fortify needs; PIE is the compiler's default.
function(constcheck_harden target)
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR MSVC)
    return()
  endif()
  # Not -fcf-protection: the C++ run-time linked in carries no CET note, so
  # the program could not have one.
  target_compile_options(${target} PRIVATE -fstack-protector-strong -fstack-clash-protection
                         "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endfunction()

function(constcheck_link_runtimes target)
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
  endif()
  if(CONSTCHECK_FULLY_STATIC)
    target_link_options(${target} PRIVATE -static)
  else()
    # The rest cuts start-up time: fewer pages of libstdc++ to map, and its
    # relocations packed (which needs glibc 2.36: the Debian package says so).
    # Read-only relocations, bound at start, are part of the hardening.
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--gc-sections -Wl,-z,noseparate-code
                        -Wl,-z,pack-relative-relocs -Wl,-z,relro,-z,now)
  endif()
endfunction()
