# Settings shared by every target of the project.

option(TOLVIK_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)
option(TOLVIK_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(TOLVIK_WINDOWS_TESTS "Windows build: build the test programs that run under Wine" ON)
option(TOLVIK_WINDOWS_BUILDS "Native build: also build the Windows trees" ON)
set(TOLVIK_RELEASE_PROGRAMS "" CACHE PATH
    "Windows test build: the release build whose setup-stub.exe and TKUNTOOL.EXE are tested, instead of building them")

if(WIN32 AND TOLVIK_WINDOWS_TESTS AND NOT TOLVIK_MINGW_THREADS STREQUAL "posix")
  message(FATAL_ERROR "The Windows test programs need the posix-thread compilers: configure with "
                      "-DTOLVIK_MINGW_THREADS=posix, or -DTOLVIK_WINDOWS_TESTS=OFF for the release programs alone")
endif()

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
  # No run-time type information: nothing asks for it, and every class with a
  # vtable would carry it. The test programs too, since they derive from the
  # libraries' classes.
  add_compile_options(-fno-rtti)
  # The programs and the libraries they link are built without C++ exceptions:
  # no unwind tables and no runtime for throwing, a third of the stub. What would
  # throw ends the program with its fatal message (framework/LeanRuntime_win.cpp).
  # The test programs keep exceptions, which GoogleTest reports. x64 keeps its
  # unwind tables: the system walks the stack with them.
  set(TOLVIK_NO_EXCEPTIONS -fno-exceptions)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND TOLVIK_NO_EXCEPTIONS -fno-asynchronous-unwind-tables)
  endif()
  # What ships is compiled as one program at link time: calls across the
  # libraries inline and fold, and the stub loses a sixth of its size. In one
  # partition: GCC 12 fails on this code when it splits the program into
  # partitions, and one partition also gives the same program on every build.
  if(NOT TOLVIK_WINDOWS_TESTS)
    set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
    set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)  # GoogleTest's older policies would only warn
    add_link_options(-flto-partition=one)
  endif()
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
  target_compile_options(${name} PRIVATE ${TOLVIK_NO_EXCEPTIONS})
endfunction()

# A Windows program that ships (the setup stub, the uninstaller, the demo
# product): no exceptions, unused sections dropped, no symbols, and a link map
# beside it (NAME.map: what each part of the runtime and of our code weighs,
# read by scripts/measure.sh). Given
# TOLVIK_RELEASE_PROGRAMS, a test build takes the release build's copy of the
# program instead, at the same place in its own tree, so that the tests run
# what ships; the target is then an imported one.
function(tolvik_windows_program name output)
  if(TOLVIK_RELEASE_PROGRAMS)
    file(RELATIVE_PATH subdir ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR})
    set(released ${TOLVIK_RELEASE_PROGRAMS}/${subdir}/${output})
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/${output})
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E copy ${released} ${copy}
      DEPENDS ${released}
      COMMENT "${output} from the release build"
      VERBATIM)
    add_custom_target(${name}_from_release ALL DEPENDS ${copy})
    add_executable(${name} IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${copy})
    add_dependencies(${name} ${name}_from_release)
    return()
  endif()
  add_executable(${name} WIN32 ${ARGN})
  get_filename_component(base ${output} NAME_WE)
  get_filename_component(suffix ${output} EXT)
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${base} SUFFIX ${suffix})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${TOLVIK_NO_EXCEPTIONS})
  # --tsaware: without the mark, a Remote Desktop host applies its compatibility
  # mappings to the program (a private per-user Windows folder among them).
  target_link_options(${name} PRIVATE -Wl,--gc-sections $<$<CONFIG:MinSizeRel,Release>:-s> -Wl,--tsaware
                      -Wl,-Map,${CMAKE_CURRENT_BINARY_DIR}/${base}.map)
  # On x86 the unwind tables that the libraries bring are dropped: 4 KB of the
  # stub that nothing reads. x64 has none of them (its tables are .pdata/.xdata).
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(script ${PROJECT_SOURCE_DIR}/cmake/discard-unwind-tables.ld)
    target_link_options(${name} PRIVATE -Wl,-T,${script})
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${script})
  endif()
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
# A test build that does not run it (see WineTests.cmake) builds it only when asked.
function(tolvik_windows_test name)
  tolvik_use_googletest()
  set(runs FALSE)
  if(TOLVIK_WINDOWS_TESTS)
    tolvik_wine_test_runs(wine.${name} runs)
  endif()
  if(runs)
    add_executable(${name} ${ARGN})
    tolvik_wine_gtest(${name})
  else()
    add_executable(${name} EXCLUDE_FROM_ALL ${ARGN})
  endif()
  target_link_libraries(${name} PRIVATE gtest_main)
endfunction()
