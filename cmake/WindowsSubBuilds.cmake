# The native build drives the two Windows builds as sub-builds: both get the host
# tkds that was just built (to make setup.exe from the stub), win64's test programs
# are registered here to run under Wine, and win32 (the release) is only compiled,
# since this kernel cannot run 32-bit programs. Both put their stub folder into
# this build's share/tolvik-setup/stubs/, and win32 the sample vendor folder into
# share/tolvik-setup/sample/ (the release architecture's demo product): the kit
# that tkds make and tkds new find at ../share/tolvik-setup/ beside bin/tkds.
include(ExternalProject)

if(NOT TOLVIK_WINDOWS_BUILDS OR NOT TARGET tkds)
  return()
endif()

set(TOLVIK_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader for 64-bit programs")

set(kit_dir ${PROJECT_BINARY_DIR}/share/tolvik-setup)
foreach(arch win64 win32)
  if(arch STREQUAL win64)
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake)
    set(with_tests ON)
    set(sample_arg)
  else()
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
    set(with_tests OFF)
    set(sample_arg -DTOLVIK_SAMPLE_DIR=${kit_dir}/sample)
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
      -DTOLVIK_STUB_DIR=${kit_dir}/stubs
      ${sample_arg}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS tkds
    USES_TERMINAL_BUILD ON)
endforeach()

# The kit, installed beside bin/tkds as it lies in this build.
install(DIRECTORY ${kit_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tolvik-setup)

# ctest reads the list of Wine tests that the win64 build wrote, when it runs.
set(wine_list ${PROJECT_BINARY_DIR}/win64/wine-tests.cmake)
file(WRITE ${PROJECT_BINARY_DIR}/include-wine-tests.cmake
  "if(EXISTS \"${wine_list}\")\n  include(\"${wine_list}\")\nelse()\n  add_test(wine.not-built \"${wine_list}\")\nendif()\n")
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
  ${PROJECT_BINARY_DIR}/include-wine-tests.cmake)
