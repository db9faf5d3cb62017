# Settings shared by every target of the project.

option(TOLVIK_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)
option(TOLVIK_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(TOLVIK_WINDOWS_TESTS "Windows build: build the test programs that run under Wine" ON)
option(TOLVIK_WINDOWS_BUILDS "Native build: also build the win64 and win32 trees" ON)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endif()

if(WIN32)
  # One self-contained .exe: no libgcc, libstdc++, winpthread or zlib DLLs beside it.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Every function and datum in a section of its own, so that a program linked
  # with --gc-sections keeps only what it calls (the setup stub's size matters).
  add_compile_options(-ffunction-sections -fdata-sections)
  set(ZLIB_USE_STATIC_LIBS ON)
  # The same sources give the same programs wherever they are built: no link time
  # in the headers.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(TOLVIK_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(ZLIB REQUIRED)

# Portable code must not see <windows.h>; the Win32 halves live in files ending in _win.cpp.
function(tolvik_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# GoogleTest from Debian's source package, built with the current toolchain
# (there is no prebuilt mingw-w64 GoogleTest).
function(tolvik_use_googletest)
  if(TARGET gtest)
    return()
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${PROJECT_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main)
    target_compile_options(${t} PRIVATE -w)
  endforeach()
endfunction()

# A native GoogleTest executable, registered with ctest as one test.
function(tolvik_native_test name)
  tolvik_use_googletest()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE gtest_main)
  add_test(NAME native.${name} COMMAND ${name} --gtest_brief=1)
endfunction()

# A Windows GoogleTest executable; in the Windows build it is only built.
# The native build registers it to run under Wine (see WindowsSubBuilds.cmake).
function(tolvik_windows_test name)
  tolvik_use_googletest()
  if(TOLVIK_WINDOWS_TESTS)
    add_executable(${name} ${ARGN})
    tolvik_wine_gtest(${name})
  else()
    add_executable(${name} EXCLUDE_FROM_ALL ${ARGN})
  endif()
  target_link_libraries(${name} PRIVATE gtest_main)
endfunction()
