# Windows build: collects the test programs and scripts that the native build's
# ctest runs under Wine, and writes them to wine-tests.cmake. The same functions
# serve both architectures: a 64-bit build's tests run under the host's Wine; a
# 32-bit build's tests get the prefix "win32." and run under the 32-bit root's
# Wine (scripts/win32-env.sh run), which exits 77, reported as skipped with its
# reason, where that root cannot be used. The scripts read TOLVIK_WINDOWS_ARCH
# to expect what a 32-bit program sees on 64-bit Windows (tests/wine/wine-env.sh).
# The 32-bit build registers only the tests that cmake/Win32Tests.cmake names,
# and builds no test program that none of them runs.
set(TOLVIK_WINE_RUNNER ${PROJECT_SOURCE_DIR}/tests/wine/run-in-wine.sh)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(TOLVIK_WINDOWS_ARCH win32)
  set(tolvik_wine_test_prefix "win32.")
  set(tolvik_wine_launcher "bash \"${PROJECT_SOURCE_DIR}/scripts/win32-env.sh\" run \"${PROJECT_SOURCE_DIR}:${PROJECT_BINARY_DIR}\" ")
  # The i386 half of Wine runs emulated: slower to start, slower to compute.
  set(tolvik_wine_timeout_factor 2)
  include(Win32Tests)
else()
  set(TOLVIK_WINDOWS_ARCH win64)
  set(tolvik_wine_test_prefix "")
  set(tolvik_wine_launcher "")
  set(tolvik_wine_timeout_factor 1)
endif()

# tolvik_wine_test_runs(NAME OUT): whether this build registers the Wine test NAME.
function(tolvik_wine_test_runs name out)
  set(runs TRUE)
  if(TOLVIK_WINDOWS_ARCH STREQUAL win32 AND NOT name IN_LIST TOLVIK_WIN32_TESTS)
    set(runs FALSE)
  endif()
  set(${out} ${runs} PARENT_SCOPE)
endfunction()

function(tolvik_add_wine_test name timeout command)
  tolvik_wine_test_runs(${name} runs)
  if(NOT runs)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY TOLVIK_WINE_TEST_NAMES ${name})
  set(test ${tolvik_wine_test_prefix}${name})
  math(EXPR timeout "${timeout} * ${tolvik_wine_timeout_factor}")
  set_property(GLOBAL APPEND PROPERTY TOLVIK_WINE_TESTS
    "add_test(${test} ${tolvik_wine_launcher}${command})\nset_tests_properties(${test} PROPERTIES TIMEOUT ${timeout} LABELS ${TOLVIK_WINDOWS_ARCH} ENVIRONMENT TOLVIK_WINDOWS_ARCH=${TOLVIK_WINDOWS_ARCH} SKIP_RETURN_CODE 77)\n")
endfunction()

# A GoogleTest program run under Wine in a fresh prefix.
function(tolvik_wine_gtest name)
  tolvik_add_wine_test(wine.${name} 600 "\"${TOLVIK_WINE_RUNNER}\" \"$<TARGET_FILE:${name}>\" --gtest_brief=1")
endfunction()

# A script test (bash) given the Windows build folder; it starts Wine itself.
function(tolvik_wine_script name script)
  # Each extra argument quoted on its own: a bare list would run them together.
  set(args "")
  foreach(arg IN LISTS ARGN)
    string(APPEND args " \"${arg}\"")
  endforeach()
  tolvik_add_wine_test(${name} 900 "bash \"${script}\" \"${PROJECT_BINARY_DIR}\"${args}")
endfunction()

function(tolvik_write_wine_tests)
  # A name in the 32-bit list that no folder registers is a test that silently
  # stopped running.
  get_property(registered GLOBAL PROPERTY TOLVIK_WINE_TEST_NAMES)
  if(TOLVIK_WINDOWS_ARCH STREQUAL win32 AND TOLVIK_WINDOWS_TESTS)
    foreach(name IN LISTS TOLVIK_WIN32_TESTS)
      if(NOT name IN_LIST registered)
        message(FATAL_ERROR "cmake/Win32Tests.cmake names ${name}, which no folder registers")
      endif()
    endforeach()
  endif()
  get_property(lines GLOBAL PROPERTY TOLVIK_WINE_TESTS)
  string(JOIN "" content ${lines})
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/wine-tests.cmake CONTENT "${content}")
endfunction()
