# The native build drives the two Windows builds as sub-builds: both get the host
# tkds that was just built (to make the embedded container), win64's test programs
# are registered here to run under Wine, and win32 (the release) is only compiled,
# since this kernel cannot run 32-bit programs.
include(ExternalProject)

if(NOT TOLVIK_WINDOWS_BUILDS OR NOT TARGET tkds)
  return()
endif()

set(TOLVIK_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader for 64-bit programs")

foreach(arch win64 win32)
  if(arch STREQUAL win64)
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake)
    set(with_tests ON)
  else()
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
    set(with_tests OFF)
  endif()
  ExternalProject_Add(${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/${arch}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${toolchain}
      -DCMAKE_BUILD_TYPE=MinSizeRel
      -DTKDS_EXECUTABLE=$<TARGET_FILE:tkds>
      -DTOLVIK_WINE64=${TOLVIK_WINE64}
      -DTOLVIK_WINDOWS_TESTS=${with_tests}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS tkds
    USES_TERMINAL_BUILD ON)
endforeach()

# ctest reads the list of Wine tests that the win64 build wrote, when it runs.
set(wine_list ${PROJECT_BINARY_DIR}/win64/wine-tests.cmake)
file(WRITE ${PROJECT_BINARY_DIR}/include-wine-tests.cmake
  "if(EXISTS \"${wine_list}\")\n  include(\"${wine_list}\")\nelse()\n  add_test(wine.not-built \"${wine_list}\")\nendif()\n")
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
  ${PROJECT_BINARY_DIR}/include-wine-tests.cmake)
