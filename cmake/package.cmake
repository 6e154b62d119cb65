# `cpack -G DEB` in the build folder makes korvel_VERSION_ARCH.deb from the install rules,
# with its dependencies taken from the libraries the programs link against.
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "Korvel developers")
set(CPACK_PACKAGE_CONTACT "Korvel developers <korvel@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calibration editor for engine control units")
# Lines of the long description stay within 80 columns, as Debian asks.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Korvel edits the calibration in an engine control unit's ROM image, as an\n"
  "ECU definition file describes it: flags, single values, 1-D tables and 2-D\n"
  "maps in engineering units, with a wire-mesh view of each map and the image's\n"
  "checksum. Every change can be undone and redone; the bytes that differ from\n"
  "the image as opened, or from another image to compare with, are marked and\n"
  "listed. Tables and maps are edited as grids: heat-map colours, copy and paste\n"
  "with spreadsheets, and table math (set, add, scale, interpolate, smooth).\n"
  ".\n"
  "It drives a ROM emulator over a serial port (whole image, changed bytes,\n"
  "verify) and, with live update, sends every edit to the emulator as it is\n"
  "made. A hex viewer graphs any run of bytes.\n"
  ".\n"
  "The package holds the editor (korvel), a command-line tool on the same core\n"
  "(korvel-cli), a simulated emulator on a pseudo-terminal (korvel-romsim),\n"
  "their manuals and a sample calibration.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
