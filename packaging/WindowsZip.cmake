# What the Windows ZIP holds beside the programs, so that its unpacked folder runs on a Windows
# machine without anything else: Qt's DLLs and the plugins the window loads, the MinGW runtime
# DLLs that they and the window need; the project's licence, the notices of everything linked
# in, and a README.txt. `cpack -G ZIP` packs it as malvor-<version>-win64.zip, one folder of
# that name.
include(${PROJECT_SOURCE_DIR}/cmake/MingwRuntime.cmake)

# Texts for Windows: lines end in CR LF, so that every editor shows them as lines.
function(malvor_install_text source destination name)
  file(READ "${source}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  set(copy "${PROJECT_BINARY_DIR}/windows-texts/${destination}/${name}")
  file(WRITE "${copy}" "${text}")
  install(FILES "${copy}" DESTINATION "${destination}")
endfunction()

malvor_install_text("${PROJECT_SOURCE_DIR}/packaging/windows-readme.txt" . README.txt)
malvor_install_text("${PROJECT_SOURCE_DIR}/LICENSE" . LICENSE.txt)

# The notices of what the programs link: pugixml (in both .exe), the MinGW-w64 runtime and
# winpthreads (in every .exe, and winpthreads as a DLL as well), GCC's runtime libraries (DLLs
# beside the window, under the GCC Runtime Library Exception). Debian's copyright files hold
# their notices and licences in full.
set(MALVOR_MINGW_NOTICES /usr/share/doc/mingw-w64-x86-64-dev/copyright
  CACHE FILEPATH "Notices of the MinGW-w64 runtime and winpthreads")
set(MALVOR_GCC_RUNTIME_NOTICES /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
  CACHE FILEPATH "Notices of GCC's runtime libraries")
set(MALVOR_GPL3_TEXT /usr/share/common-licenses/GPL-3
  CACHE FILEPATH "The GNU GPL version 3, which the GCC Runtime Library Exception amends")
set(notices
  "${MALVOR_PUGIXML_SOURCE_DIR}/LICENSE.md|pugixml.txt"
  "${MALVOR_MINGW_NOTICES}|mingw-w64-runtime-and-winpthreads.txt"
  "${MALVOR_GCC_RUNTIME_NOTICES}|gcc-runtime.txt"
  "${MALVOR_GPL3_TEXT}|gcc-runtime-GPL-3.txt")
if(NOT TARGET malvor_pugixml)
  list(POP_FRONT notices)  # the host's pugixml: a trial build, not one that ships
endif()
foreach(notice IN LISTS notices)
  string(REPLACE "|" ";" notice "${notice}")
  list(GET notice 0 source)
  list(GET notice 1 name)
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "The Windows ZIP needs ${source} for ${name}")
  endif()
  malvor_install_text("${source}" licenses "${name}")
endforeach()

# The installer's version (packaging/windows/malvor.nsi, which scripts/windows_installer.sh
# builds from the ZIP), from the project's version as everything else's.
configure_file("${PROJECT_SOURCE_DIR}/packaging/windows/version.nsh.in"
  "${PROJECT_BINARY_DIR}/installer/version.nsh" @ONLY)

if(NOT TARGET malvor)
  return()
endif()

# The window: Qt's DLLs, the Windows platform plugin and the Windows Vista style (Qt's look on
# Windows; without it Qt falls back to its plain Windows style). The window reads no image
# files (its icons are PNG, which Qt reads itself), so no image-format plugin goes with it.
# Debian's runtime DLLs keep their symbols (libstdc++ is 23 MB with them); the ZIP takes copies
# without, as Qt's DLLs are installed.
set(stripped_runtime "")
foreach(dll IN LISTS MALVOR_MINGW_RUNTIME_DLLS)
  get_filename_component(name "${dll}" NAME)
  set(copy "${PROJECT_BINARY_DIR}/mingw-runtime/${name}")
  add_custom_command(OUTPUT "${copy}" COMMAND "${CMAKE_STRIP}" -o "${copy}" "${dll}"
    DEPENDS "${dll}" VERBATIM)
  list(APPEND stripped_runtime "${copy}")
endforeach()
add_custom_target(malvor_mingw_runtime ALL DEPENDS ${stripped_runtime})
install(FILES
  $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
  ${stripped_runtime}
  DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)

# Qt's licence texts, Debian's copyright record of its sources, and where they come from
# (written by scripts/windows_qt.sh beside the built Qt).
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qt_prefix "${qt_core_dll}/../.." ABSOLUTE)
foreach(part LICENSES copyright SOURCE.txt)
  if(NOT EXISTS "${qt_prefix}/${part}")
    message(FATAL_ERROR "The Windows ZIP needs Qt's ${part}, which is not in ${qt_prefix}")
  endif()
endforeach()
install(DIRECTORY "${qt_prefix}/LICENSES/" DESTINATION licenses/Qt)
malvor_install_text("${qt_prefix}/copyright" licenses/Qt copyright.txt)
malvor_install_text("${qt_prefix}/SOURCE.txt" licenses/Qt SOURCE.txt)
