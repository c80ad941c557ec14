# GoogleTest for the build's target. Debian packages it for the host only; for another target
# (the Windows cross build) its source package is compiled inside this build instead.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(MALVOR_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build from")
  if(NOT EXISTS ${MALVOR_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest not found, and no sources in ${MALVOR_GOOGLETEST_SOURCE}"
                        " (Debian package googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${MALVOR_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # It names its targets GTest::gtest and GTest::gtest_main itself.
endif()
