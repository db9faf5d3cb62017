# The mingw-w64 cross toolchain for TOLVIK_MINGW_TARGET (set by the
# architecture's toolchain file that includes this one).
set(CMAKE_SYSTEM_NAME Windows)
# The thread model of the compilers: win32 (the default) for the release
# programs, which need no threads and so no winpthread; posix for the test
# programs, since GoogleTest needs std::mutex.
if(NOT TOLVIK_MINGW_THREADS)
  set(TOLVIK_MINGW_THREADS win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVIK_MINGW_THREADS)
set(CMAKE_C_COMPILER ${TOLVIK_MINGW_TARGET}-gcc-${TOLVIK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TOLVIK_MINGW_TARGET}-g++-${TOLVIK_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TOLVIK_MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOLVIK_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
