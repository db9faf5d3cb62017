# The native build drives the two Windows builds as sub-builds: both get the host
# tkds that was just built (to make setup.exe from the stub), and the test programs
# of both are registered here: win64's run under the host's Wine, win32's (the
# release) under the 32-bit root's Wine (scripts/win32-env.sh), since this kernel
# runs no 32-bit code itself. Both put their stub folder into this build's
# share/tolvik-setup/stubs/, and win32 the sample vendor folder into
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
    set(sample_arg)
  else()
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
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
      -DTOLVIK_WINDOWS_TESTS=ON
      -DTOLVIK_STUB_DIR=${kit_dir}/stubs
      ${sample_arg}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS tkds
    USES_TERMINAL_BUILD ON)
endforeach()

# The kit, installed beside bin/tkds as it lies in this build.
install(DIRECTORY ${kit_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tolvik-setup)

# ctest reads the lists of Wine tests that the two builds wrote, when it runs.
set(include_lists "")
foreach(arch win64 win32)
  set(wine_list ${PROJECT_BINARY_DIR}/${arch}/wine-tests.cmake)
  string(APPEND include_lists
    "if(EXISTS \"${wine_list}\")\n  include(\"${wine_list}\")\nelse()\n  add_test(${arch}.not-built \"${wine_list}\")\nendif()\n")
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/include-wine-tests.cmake "${include_lists}")
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
  ${PROJECT_BINARY_DIR}/include-wine-tests.cmake)
