set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The thread model of the compilers: win32 (the default) for the release
# programs, which need no threads and so no winpthread; posix for the test
# programs, since GoogleTest needs std::mutex.
if(NOT TOLVIK_MINGW_THREADS)
  set(TOLVIK_MINGW_THREADS win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVIK_MINGW_THREADS)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${TOLVIK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${TOLVIK_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
