# The project's warnings, set per target so that nothing leaks to other code.
function(constcheck_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion)
  endif()
  # CMake takes CMAKE_COMPILE_WARNING_AS_ERROR itself from 3.24 on.
  if(CMAKE_COMPILE_WARNING_AS_ERROR AND CMAKE_VERSION VERSION_LESS 3.24)
    target_compile_options(${target} PRIVATE $<IF:$<BOOL:${MSVC}>,/WX,-Werror>)
  endif()
endfunction()
