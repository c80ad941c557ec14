# MALVOR_MINGW_RUNTIME_DLLS: the MinGW-w64 runtime DLLs (libgcc, libstdc++, winpthread) of the
# cross compiler, which Qt's DLLs and the programs linked against them need beside them.
if(DEFINED MALVOR_MINGW_RUNTIME_DLLS OR NOT MINGW)
  return()
endif()
set(MALVOR_MINGW_RUNTIME_DLLS "")
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
  endif()
  file(REAL_PATH "${dll_path}" dll_path)
  list(APPEND MALVOR_MINGW_RUNTIME_DLLS "${dll_path}")
endforeach()
