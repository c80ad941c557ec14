# pugixml for the build's target. Debian packages it for the host only, and its -dev package
# holds no sources; for another target (the Windows cross build) pugixml.cpp from the source
# package, unpacked into MALVOR_PUGIXML_SOURCE_DIR (scripts/windows.sh does that), is
# compiled inside this build instead. Given sources, any build compiles them, in pugixml's
# compact mode: its nodes and attributes then take about a fifth of the memory, which is what
# most of a large board's update holds (docs/performance.md, "Updating a board").
set(MALVOR_PUGIXML_SOURCE_DIR "" CACHE PATH "pugixml sources to build from (its src/ folder's parent)")
if(NOT MALVOR_PUGIXML_SOURCE_DIR)
  find_package(pugixml QUIET)
endif()
if(NOT TARGET pugixml::pugixml)
  set(pugixml_source "${MALVOR_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  if(NOT MALVOR_PUGIXML_SOURCE_DIR OR NOT EXISTS "${pugixml_source}")
    message(FATAL_ERROR "pugixml not found (Debian package libpugixml-dev), and no sources in"
                        " MALVOR_PUGIXML_SOURCE_DIR='${MALVOR_PUGIXML_SOURCE_DIR}'")
  endif()
  add_library(malvor_pugixml STATIC "${pugixml_source}")
  # Its headers are someone else's: their warnings are not ours.
  target_include_directories(malvor_pugixml SYSTEM PUBLIC "${MALVOR_PUGIXML_SOURCE_DIR}/src")
  # Public: the header declares a document's moves differently in this mode.
  target_compile_definitions(malvor_pugixml PUBLIC PUGIXML_COMPACT)
  if(NOT MSVC)
    target_compile_options(malvor_pugixml PRIVATE -w)
  endif()
  add_library(pugixml::pugixml ALIAS malvor_pugixml)
endif()
