# The native build drives the Windows builds as sub-builds, all given the host
# tkds that was just built (to make setup.exe from the stub):
# - release-x64 and release-x86 make what ships, with the win32-thread compilers
#   (no winpthread): setup-stub.exe and TKUNTOOL.EXE into this build's
#   share/tolvik-setup/stubs/<arch>/, and release-x86 the sample vendor folder
#   into share/tolvik-setup/sample/ (the release architecture's demo product):
#   the kit that tkds make and tkds new find at ../share/tolvik-setup/ beside
#   bin/tkds.
# - win64 and win32 make the test programs with the posix-thread compilers
#   (GoogleTest needs std::mutex) and take the release programs of their
#   architecture from the release build, so that every test runs what ships.
#   Their test programs are registered here: win64's run under the host's Wine,
#   win32's under the 32-bit root's Wine (scripts/win32-env.sh), since this
#   kernel runs no 32-bit code itself.
include(ExternalProject)

if(NOT TOLVIK_WINDOWS_BUILDS OR NOT TARGET tkds)
  return()
endif()

set(TOLVIK_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader for 64-bit programs")

set(kit_dir ${PROJECT_BINARY_DIR}/share/tolvik-setup)
foreach(arch x64 x86)
  if(arch STREQUAL x64)
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake)
    set(sample_arg)
  else()
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
    set(sample_arg -DTOLVIK_SAMPLE_DIR=${kit_dir}/sample)
  endif()
  ExternalProject_Add(release-${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/release-${arch}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${toolchain}
      -DTOLVIK_MINGW_THREADS=win32
      -DCMAKE_BUILD_TYPE=MinSizeRel
      -DTKDS_EXECUTABLE=$<TARGET_FILE:tkds>
      -DTOLVIK_WINDOWS_TESTS=OFF
      -DTOLVIK_STUB_DIR=${kit_dir}/stubs
      ${sample_arg}
    # What ships (the setup, its container, the kit's sample), and nothing else (no Windows tkds).
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target setup setup_container sample_folder
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS tkds
    USES_TERMINAL_BUILD ON)
endforeach()

foreach(tree win64 win32)
  if(tree STREQUAL win64)
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake)
    set(release release-x64)
  else()
    set(toolchain ${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
    set(release release-x86)
  endif()
  ExternalProject_Add(${tree}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/${tree}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${toolchain}
      -DTOLVIK_MINGW_THREADS=posix
      -DCMAKE_BUILD_TYPE=MinSizeRel
      -DTKDS_EXECUTABLE=$<TARGET_FILE:tkds>
      -DTOLVIK_WINE64=${TOLVIK_WINE64}
      -DTOLVIK_WINDOWS_TESTS=ON
      -DTOLVIK_RELEASE_PROGRAMS=${PROJECT_BINARY_DIR}/${release}
      -DTOLVIK_STUB_DIR=${kit_dir}/stubs
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS tkds ${release}
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
