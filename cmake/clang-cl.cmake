# A Windows build configured with clang-cl, which takes MSVC's flags. There is
# no MSVC library here to link with, so this serves to read the flags that an
# MSVC build gets (compile_commands.json), not to build:
#   cmake -S . -B build-clang-cl -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
find_program(CMAKE_C_COMPILER NAMES clang-cl clang-cl-14 REQUIRED)
set(CMAKE_CXX_COMPILER ${CMAKE_C_COMPILER})
find_program(CMAKE_LINKER NAMES lld-link lld-link-14 REQUIRED)
find_program(CMAKE_AR NAMES llvm-lib llvm-lib-14 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES llvm-rc llvm-rc-14 REQUIRED)
# The compiler checks build libraries only, which need no MSVC library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
