# The version texts made from the project's version, and the manual pages naming that version.
# Run as: cmake -DVERSION=x.y.z -DDOCS=docs -P version_texts_test.cmake
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/../packaging/Version.cmake")

function(expect what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(SEND_ERROR "${what}: \"${actual}\", expected \"${expected}\"")
  endif()
endfunction()

# version | short form | release letter | numeric form | the error's start
set(cases
  "1.0.0|1.00|a|1,0,0,0|"
  "2.5.1|2.05|b|2,5,1,0|"
  "1.10.25.7|1.10|z|1,10,25,7|"
  "0.99.0|0.99|a|0,99,0,0|"
  "3.07.02|3.07|c|3,7,2,0|"
  "1.100.0||||version 1.100.0: the minor number must fit in two digits"
  "1.0.26||||version 1.0.26: the patch level must fit in one letter"
  "1.0||||version \"1.0\" is not MAJOR.MINOR.PATCH")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 version)
  malvor_version_texts("${version}" texts)
  list(GET fields 1 short)
  list(GET fields 2 letter)
  list(GET fields 3 numeric)
  list(GET fields 4 error)
  expect("${version} short form" "${texts_SHORT}" "${short}")
  expect("${version} release letter" "${texts_LETTER}" "${letter}")
  expect("${version} numeric form" "${texts_NUMERIC}" "${numeric}")
  string(REPLACE "," "." dotted "${numeric}")
  expect("${version} manifest's form" "${texts_DOTTED}" "${dotted}")
  string(LENGTH "${error}" length)
  string(SUBSTRING "${texts_ERROR}" 0 ${length} error_start)
  expect("${version} error" "${error_start}" "${error}")
  if(error STREQUAL "")
    expect("${version} error" "${texts_ERROR}" "")
  endif()
endforeach()

# The manual pages are written by hand; their title lines must name the version being built.
foreach(page malvor malvor-convert)
  file(STRINGS "${DOCS}/${page}.1" title REGEX "^\\.TH ")
  string(TOUPPER "${page}" upper)
  expect("${page}.1 title line" "${title}"
    ".TH ${upper} 1 \"2026\" \"Malvor ${VERSION}\" \"User Commands\"")
endforeach()
