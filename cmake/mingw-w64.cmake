# Cross-compiles the Windows program with Debian's MinGW-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The POSIX thread model: GoogleTest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program, tests included, carries its run-time inside: a bare Windows
# (or Wine) has no MinGW DLLs. ASLR with high-entropy addresses and NX, as
# Windows' own programs have them, named here for linkers that do not default to them.
# No link time in the header: two builds of one commit give the same exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--dynamicbase,--high-entropy-va,--nxcompat,--no-insert-timestamp")

# Tests run under Wine when it is there, in a prefix of the build tree's own
# so that no user's Wine setup takes part, and without Wine's own chatter.
find_program(CONSTCHECK_WINE wine)
if(CONSTCHECK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all ${CONSTCHECK_WINE})
endif()
