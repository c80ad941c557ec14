# Test programs of the Windows cross build run under Wine, in a prefix inside the build folder
# (so a build touches nothing outside it), finding the MinGW runtime DLLs and Qt's DLLs where
# they lie on this machine: the programs that ship get theirs beside them instead.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()
find_program(MALVOR_WINE wine)
if(NOT MALVOR_WINE)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/MingwRuntime.cmake)
set(dlls ${MALVOR_MINGW_RUNTIME_DLLS})
if(TARGET Qt6::Core)
  get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
  list(APPEND dlls "${qt_core_dll}")
endif()
set(dll_folders "")
foreach(dll IN LISTS dlls)
  get_filename_component(dll_folder "${dll}" DIRECTORY)
  list(APPEND dll_folders "${dll_folder}")
endforeach()
list(REMOVE_DUPLICATES dll_folders)
# Wine's search path holds Windows names; drive Z: is the host's root.
list(TRANSFORM dll_folders PREPEND "Z:")
string(REPLACE "/" "\\" wine_path "${dll_folders}")

file(WRITE "${CMAKE_BINARY_DIR}/wine-run"
"#!/bin/sh
# Runs a Windows program of this build under Wine (made by cmake/WineRun.cmake).
export WINEPREFIX='${CMAKE_BINARY_DIR}/wineprefix' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
export WINEPATH='${wine_path}'
exec '${MALVOR_WINE}' \"$@\"
")
file(CHMOD "${CMAKE_BINARY_DIR}/wine-run" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
