# The Debian package a vendor installs: `cpack -G DEB` in the native build folder
# makes tolvik-setup_<version>_amd64.deb from what `cmake --install` puts under
# the prefix (tkds, the stubs, the sample, the vendor guide), plus the man page,
# the copyright file and the changelog that Debian's policy asks for.
if(WIN32)
  return()
endif()

include(GNUInstallDirs)

set(TOLVIK_PACKAGE_MAINTAINER "Tolvik Setup developers <setup@tolvik.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/tolvik-setup)

# Debian wants man pages and changelogs gzipped at the highest level, without
# the file's name and time in the header (-n), so that the package is reproducible.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${packaging_dir}/changelog @ONLY)
foreach(pair "tkds.1=${PROJECT_SOURCE_DIR}/docs/tkds.1" "changelog=${packaging_dir}/changelog")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  add_custom_command(OUTPUT ${packaging_dir}/${name}.gz
    COMMAND gzip -9 -n -c ${source} > ${packaging_dir}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND compressed ${packaging_dir}/${name}.gz)
endforeach()
add_custom_target(package_docs ALL DEPENDS ${compressed})

install(FILES ${packaging_dir}/tkds.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${packaging_dir}/changelog.gz DESTINATION ${doc_dir})

# The hardening Debian's build flags give a packaged program: fortified libc
# calls (they need optimisation) and every relocation bound at start.
target_compile_definitions(tkds_core PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
target_link_options(tkds PRIVATE LINKER:-z,relro,-z,now)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvik-setup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${TOLVIK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "builder of skinned single-file setup programs for Windows")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "tkds turns a vendor's folder (install document, license text, skin pictures,
icon and the product's files) into one branded setup.exe for Windows, with no
compiler: it writes the vendor's container into a prebuilt setup program and
sets its icon and version information. It can sign the installer and its
uninstaller with osslsigncode.
.
The package holds tkds, the prebuilt setup programs and uninstallers for x86
and x64 Windows, a sample vendor folder (tkds new) and the vendor guide.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps reads tkds's libraries (libpng, zlib, the C and C++ runtimes).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS osslsigncode)
# Wine runs the installers that tkds makes, for a look before they ship.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

include(CPack)
