# The program's version is declared once, in project(VERSION) of the top CMakeLists.txt; every
# text that shows it is made from it here.
#
# The texts keep the two-part form of the program's first releases: the major number, a point
# and the minor number in two digits (1.0.0 -> "1.00"). The About window adds the patch level as
# a release letter counted from "a" (1.0.0 -> "1.00a", 1.0.1 -> "1.00b"). The Windows version
# record's numbers are major, minor, patch and tweak (1.0.0 -> 1,0,0,0); the manifest has them
# with points (1.0.0.0).

# Sets <prefix>_SHORT ("1.00"), <prefix>_LETTER ("a"), <prefix>_NUMERIC ("1,0,0,0") and
# <prefix>_DOTTED ("1.0.0.0") for `version`, or <prefix>_ERROR to why these forms cannot show it.
function(malvor_version_texts version prefix)
  foreach(form SHORT LETTER NUMERIC DOTTED ERROR)
    unset(${prefix}_${form} PARENT_SCOPE)
  endforeach()
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)(\\.([0-9]+))?$")
    set(${prefix}_ERROR "version \"${version}\" is not MAJOR.MINOR.PATCH[.TWEAK]" PARENT_SCOPE)
    return()
  endif()
  math(EXPR major "${CMAKE_MATCH_1}")
  math(EXPR minor "${CMAKE_MATCH_2}")
  math(EXPR patch "${CMAKE_MATCH_3}")
  set(tweak 0)
  if(NOT "${CMAKE_MATCH_5}" STREQUAL "")
    math(EXPR tweak "${CMAKE_MATCH_5}")
  endif()
  if(minor GREATER 99)
    set(${prefix}_ERROR "version ${version}: the minor number must fit in two digits" PARENT_SCOPE)
    return()
  endif()
  if(patch GREATER 25)
    set(${prefix}_ERROR "version ${version}: the patch level must fit in one letter, a to z"
        PARENT_SCOPE)
    return()
  endif()
  set(two_digit_minor "${minor}")
  if(minor LESS 10)
    set(two_digit_minor "0${minor}")
  endif()
  string(SUBSTRING "abcdefghijklmnopqrstuvwxyz" ${patch} 1 letter)
  set(${prefix}_SHORT "${major}.${two_digit_minor}" PARENT_SCOPE)
  set(${prefix}_LETTER "${letter}" PARENT_SCOPE)
  set(${prefix}_NUMERIC "${major},${minor},${patch},${tweak}" PARENT_SCOPE)
  set(${prefix}_DOTTED "${major}.${minor}.${patch}.${tweak}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  return()  # only the function, for its test
endif()

malvor_version_texts("${PROJECT_VERSION}" MALVOR_VERSION)
if(MALVOR_VERSION_ERROR)
  message(FATAL_ERROR "${MALVOR_VERSION_ERROR}")
endif()

# version.h for the programs (target malvor_version), malvor.rc and malvor.manifest for the
# Windows program files.
set(MALVOR_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
configure_file("${PROJECT_SOURCE_DIR}/conversion/version.h.in" "${MALVOR_GENERATED_DIR}/version.h"
  @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/resources/malvor.rc.in" "${MALVOR_GENERATED_DIR}/malvor.rc"
  @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/resources/malvor.manifest.in"
  "${MALVOR_GENERATED_DIR}/malvor.manifest" @ONLY)
add_library(malvor_version INTERFACE)
target_include_directories(malvor_version INTERFACE "${MALVOR_GENERATED_DIR}")
