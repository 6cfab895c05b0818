# The Debian package, built by CPack from the install rules (scripts/package runs it):
# lintaro_<version>_amd64.deb, its dependencies found from the installed binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lintaro)
set(CPACK_PACKAGE_VENDOR "${LINTARO_AUTHORS}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${LINTARO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer of bookmakers' betting lines")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The version may be set from outside (cpack -D CPACK_DEBIAN_PACKAGE_VERSION=...) to try upgrades.
if(NOT CPACK_DEBIAN_PACKAGE_VERSION)
    set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LINTARO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LINTARO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window parses event sheets with Gumbo at run time (dpkg-shlibdeps finds it too; named here so
# the package says so even where the shared-library scan is switched off).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgumbo1")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the first line of the package's description; this is the long text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lintaro reads the betting lines of two bookmakers into one table: sport,
tournament, start time, teams and the prices of the usual markets for every
event. The table can be grouped, sorted and filtered, an event's extra markets
are shown in its event sheet, and the table exports as a worksheet.
.
The package also holds lintaro-cli, which gives scripts the same line readers,
pattern matcher and HTTP client without a window, writing the line as JSON
Lines or CSV, and a built-in demo line server, so that both programs work
without the internet.")

include(CPack)
