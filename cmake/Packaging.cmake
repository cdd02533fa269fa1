# `make package`: a Debian package built by CPack from the install rules. Packaging and
# installing do not build everything first: the Makefile builds what is installed.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${HV_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The Hourvane developers")
set(CPACK_PACKAGE_CONTACT "The Hourvane developers <support@hourvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Hourvane turns calendar appointments into time reports kept in a database.
This is its personal settings editor: one window where you set your hourly
rate, which appointments count, whole-day and lunch-break handling, and the
shared lists of customers and tasks that time is reported against.")
# Libraries from dpkg-shlibdeps; plus what Qt loads at run time: the SQLite driver, the SVG
# icon plugins and the translations of Qt's own texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, libqt6sql6-odbc, tdsodbc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The program is stripped and its symbols go to a -dbgsym package of their own, found by
# build id.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)

include(CPack)
