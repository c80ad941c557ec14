# Delivery: the converter's manual page, and the Debian package made by `cpack -G DEB`.
# The programs, the desktop entry and the icons come with the install rules of their own
# folders; the package takes whatever `cmake --install` puts in place.

set(malvor_man_page ${PROJECT_SOURCE_DIR}/docs/malvor-convert.1)
find_program(MALVOR_GZIP gzip)
if(WIN32)
  # Windows has no manual pages: a short text beside the programs says how to use them.
  include(${PROJECT_SOURCE_DIR}/packaging/WindowsZip.cmake)
elseif(UNIX AND MALVOR_GZIP)
  # Debian keeps manual pages compressed; -n leaves out the time, so builds are repeatable.
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/malvor-convert.1.gz
    COMMAND ${MALVOR_GZIP} -9 -n -c ${malvor_man_page} > ${PROJECT_BINARY_DIR}/malvor-convert.1.gz
    DEPENDS ${malvor_man_page}
    VERBATIM)
  add_custom_target(malvor_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/malvor-convert.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/malvor-convert.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${malvor_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME malvor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Malvor")
set(CPACK_PACKAGE_CONTACT "Malvor maintainers <maintainers@malvor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tango netlist to EAGLE layout script converter")
set(CPACK_PACKAGE_DESCRIPTION
    "Malvor converts a printed-circuit netlist in the Tango format into a command script for the "
    "EAGLE layout editor. The script selects a parts library, sets the grid to mil, places every "
    "component on a grid with its name and value, and declares every net as a signal.\n"
    "The package holds the desktop program malvor and the command-line converter malvor-convert.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # malvor_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (package dpkg-dev) finds the libraries the programs need, Qt's included.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# On Windows, `cpack -G ZIP` gives malvor-<version>-win64.zip: one folder of that name holding
# the programs and what they need (packaging/WindowsZip.cmake).
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "malvor-${PROJECT_VERSION}-win64")
endif()

include(CPack)
