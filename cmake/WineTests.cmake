# Windows build: collects the test programs and scripts that the native build's
# ctest runs under Wine, and writes them to wine-tests.cmake.
set(TOLVIK_WINE_RUNNER ${PROJECT_SOURCE_DIR}/tests/wine/run-in-wine.sh)

# A GoogleTest program run under Wine in a fresh prefix.
function(tolvik_wine_gtest name)
  set_property(GLOBAL APPEND PROPERTY TOLVIK_WINE_TESTS
    "add_test(wine.${name} \"${TOLVIK_WINE_RUNNER}\" \"$<TARGET_FILE:${name}>\" --gtest_brief=1)\nset_tests_properties(wine.${name} PROPERTIES TIMEOUT 600)\n")
endfunction()

# A script test (bash) given the win64 build folder; it starts Wine itself.
function(tolvik_wine_script name script)
  # Each extra argument quoted on its own: a bare list would run them together.
  set(args "")
  foreach(arg IN LISTS ARGN)
    string(APPEND args " \"${arg}\"")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY TOLVIK_WINE_TESTS
    "add_test(${name} bash \"${script}\" \"${PROJECT_BINARY_DIR}\"${args})\nset_tests_properties(${name} PROPERTIES TIMEOUT 900)\n")
endfunction()

function(tolvik_write_wine_tests)
  get_property(lines GLOBAL PROPERTY TOLVIK_WINE_TESTS)
  string(JOIN "" content ${lines})
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/wine-tests.cmake CONTENT "${content}")
endfunction()
