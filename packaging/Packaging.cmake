# Delivery: the manual pages, and the Debian package made by `cpack -G DEB`.
# The programs, the desktop entry and the icons come with the install rules of their own
# folders; the package takes whatever `cmake --install` puts in place.

set(malvor_man_pages malvor-convert)
if(MALVOR_BUILD_UI)
  list(APPEND malvor_man_pages malvor)
endif()
set(CPACK_PACKAGE_CONTACT "Malvor maintainers <maintainers@malvor.example>")
find_program(MALVOR_GZIP gzip)
if(WIN32)
  # Windows has no manual pages: a short text beside the programs says how to use them.
  include(${PROJECT_SOURCE_DIR}/packaging/WindowsZip.cmake)
elseif(UNIX AND MALVOR_GZIP)
  # Debian keeps manual pages and changelogs compressed; -n leaves out the time, so builds are
  # repeatable.
  foreach(page IN LISTS malvor_man_pages)
    add_custom_command(
      OUTPUT ${PROJECT_BINARY_DIR}/${page}.1.gz
      COMMAND ${MALVOR_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/docs/${page}.1 > ${PROJECT_BINARY_DIR}/${page}.1.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}.1
      VERBATIM)
    list(APPEND malvor_compressed_pages ${PROJECT_BINARY_DIR}/${page}.1.gz)
  endforeach()
  add_custom_target(malvor_man_page ALL DEPENDS ${malvor_compressed_pages})
  install(FILES ${malvor_compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # The changelog, the copyright file and the AppStream metadata, made from CHANGELOG.md and
  # LICENSE (package_docs.cmake), and pugixml's licence where it is compiled in.
  set(malvor_pugixml_licence "")
  if(TARGET malvor_pugixml)
    set(malvor_pugixml_licence "${MALVOR_PUGIXML_SOURCE_DIR}/LICENSE.md")
  endif()
  set(docs_dir ${PROJECT_BINARY_DIR}/package-docs)
  set(malvor_metainfo ${docs_dir}/${MALVOR_APP_ID}.metainfo.xml)
  add_custom_command(
    OUTPUT ${docs_dir}/changelog.gz ${docs_dir}/copyright ${malvor_metainfo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${docs_dir}
    COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${PROJECT_SOURCE_DIR}/CHANGELOG.md
            -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE -DPUGIXML_LICENSE=${malvor_pugixml_licence}
            -DMETAINFO_IN=${PROJECT_SOURCE_DIR}/packaging/malvor.metainfo.xml.in
            -DVERSION=${PROJECT_VERSION} -DMAINTAINER=${CPACK_PACKAGE_CONTACT}
            -DAPP_ID=${MALVOR_APP_ID} -DHOMEPAGE=${PROJECT_HOMEPAGE_URL} -DOUT_DIR=${docs_dir}
            -P ${PROJECT_SOURCE_DIR}/packaging/package_docs.cmake
    COMMAND ${MALVOR_GZIP} -9 -n -f ${docs_dir}/changelog
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE
            ${PROJECT_SOURCE_DIR}/packaging/malvor.metainfo.xml.in
            ${PROJECT_SOURCE_DIR}/packaging/package_docs.cmake
    VERBATIM)
  add_custom_target(malvor_package_docs ALL
    DEPENDS ${docs_dir}/changelog.gz ${docs_dir}/copyright ${malvor_metainfo})
  install(FILES ${docs_dir}/changelog.gz ${docs_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
  if(MALVOR_BUILD_UI)
    # Software centres show the window from it.
    install(FILES ${malvor_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()
  # Stripped programs without the compiler's name and version either, as Debian ships them.
  if(CMAKE_OBJCOPY)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        file(GLOB programs \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/malvor*\")
        foreach(program IN LISTS programs)
          execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${program}\"
            COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
      endif()")
  endif()
else()
  foreach(page IN LISTS malvor_man_pages)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME malvor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Malvor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tango netlist to EAGLE layout script converter")
# Lines of at most 80 columns, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Malvor converts a printed-circuit netlist in the Tango format into a command\n"
    "script for the EAGLE layout editor. The script selects a parts library, sets\n"
    "the grid to mil, places every component on a grid with its name and value,\n"
    "and declares every net as a signal.\n"
    "The package holds the desktop program malvor and the command-line converter\n"
    "malvor-convert, which can also check a netlist against an EAGLE library.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # malvor_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
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
