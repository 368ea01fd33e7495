# `cmake --build <dir> --target package`: a Debian package on Linux, a zip of
# the program and its README.txt for Windows. Names and version come from project().
include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME constcheck)
set(CPACK_PACKAGE_VENDOR "constcheck maintainers")
set(CPACK_PACKAGE_CONTACT "${CONSTCHECK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "constcheck asks for a numeric constant, reads one line, and tells whether"
  "the line is a correctly written constant, such as 1.5e-3. Its messages are"
  "Russian in Latin letters."
  ""
  "At a terminal it then holds the console until a key is pressed, as the"
  "Windows program it comes from does with the pause command; from a pipe or"
  "a file it ends at once. The manual page gives the exact rules.")
set(CPACK_STRIP_FILES ON)
# Read by cpack as it starts: the files in a package are dated by the release.
set(CPACK_CONSTCHECK_RELEASE_EPOCH ${CONSTCHECK_RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/dated-by-release.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  math(EXPR bits "8 * ${CMAKE_SIZEOF_VOID_P}")
  set(CPACK_PACKAGE_FILE_NAME constcheck-${PROJECT_VERSION}-win${bits})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The C library alone, from 2.36 on for the packed relocations, which
  # dpkg-shlibdeps does not see; .ci/check-deb holds this against the program.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36)")
  # What a Debian package holds beyond the installed files; CPack hands on
  # only variables named CPACK_*.
  configure_file(packaging/debian/changelog.in debian/changelog @ONLY)
  set(CPACK_CONSTCHECK_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog)
  set(CPACK_CONSTCHECK_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
  set(CPACK_CONSTCHECK_MANUAL_PAGE ${CMAKE_INSTALL_MANDIR}/man1/constcheck.1)
  set(CPACK_CONSTCHECK_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/complete-package.cmake)
endif()
include(CPack)
