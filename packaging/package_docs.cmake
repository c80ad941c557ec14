# The package's documents made from the project's own: the Debian changelog and the AppStream
# metadata's release entries from CHANGELOG.md, the machine-readable copyright file from
# LICENSE. Run at build time:
#   cmake -DCHANGELOG=CHANGELOG.md -DLICENSE=LICENSE -DMETAINFO_IN=malvor.metainfo.xml.in
#         -DVERSION=x.y.z -DMAINTAINER="Name <address>" -DAPP_ID=id -DHOMEPAGE=url -DOUT_DIR=dir
#         -P package_docs.cmake
# It writes changelog, copyright and APP_ID.metainfo.xml into OUT_DIR.
cmake_minimum_required(VERSION 3.25)

# CMake lists split at ";" and treat brackets specially: such characters travel as stand-ins.
function(protect text out)
  string(REPLACE ";" "@SEMICOLON@" text "${text}")
  string(REPLACE "[" "@OPEN@" text "${text}")
  string(REPLACE "]" "@CLOSE@" text "${text}")
  string(REPLACE "\\" "@BACKSLASH@" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(unprotect text out)
  string(REPLACE "@SEMICOLON@" ";" text "${text}")
  string(REPLACE "@OPEN@" "[" text "${text}")
  string(REPLACE "@CLOSE@" "]" text "${text}")
  string(REPLACE "@BACKSLASH@" "\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The lines of a file, each protected, empty ones kept.
function(read_lines file out)
  file(READ "${file}" text)
  protect("${text}" text)
  string(REPLACE "\r" "" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Day of the week (Sun to Sat) of a Gregorian date, as RFC 2822 names it.
function(weekday year month day out)
  math(EXPR y "${year}")
  math(EXPR m "${month}")
  math(EXPR d "${day}")
  if(m LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${m} - 1")
  list(GET month_offsets ${index} offset)
  math(EXPR number "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${d}) % 7")
  set(names Sun Mon Tue Wed Thu Fri Sat)
  list(GET names ${number} name)
  set(${out} "${name}" PARENT_SCOPE)
endfunction()

# Words of `text` in lines of at most `width` characters, the first after `first`, the others
# after `rest`.
function(wrap text width first rest out)
  string(REPLACE " " ";" words "${text}")
  set(result "")
  set(line "${first}")
  set(line_is_empty TRUE)
  foreach(word IN LISTS words)
    unprotect("${line} ${word}" candidate)
    string(LENGTH "${candidate}" length)
    if(line_is_empty)
      string(APPEND line "${word}")
      set(line_is_empty FALSE)
    elseif(length GREATER width)
      string(APPEND result "${line}\n")
      set(line "${rest}${word}")
    else()
      string(APPEND line " ${word}")
    endif()
  endforeach()
  set(${out} "${result}${line}\n" PARENT_SCOPE)
endfunction()

function(xml_escape text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

foreach(input CHANGELOG LICENSE METAINFO_IN VERSION MAINTAINER APP_ID HOMEPAGE OUT_DIR)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "package_docs.cmake needs -D${input}=...")
  endif()
endforeach()

# CHANGELOG.md: the dated sections in order, each with its changes (Markdown's backticks
# dropped, continuation lines joined). "Unreleased" is not in any package yet.
read_lines("${CHANGELOG}" lines)
set(versions "")
set(section "")
set(line_number 0)
foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  if(line MATCHES "^## ")
    if(line MATCHES "^## ([0-9]+\\.[0-9]+\\.[0-9]+) - ([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
      set(section "${CMAKE_MATCH_1}")
      list(APPEND versions "${section}")
      set(date_${section} "${CMAKE_MATCH_2};${CMAKE_MATCH_3};${CMAKE_MATCH_4}")
      set(items_${section} "")
    elseif(line STREQUAL "## Unreleased" AND versions STREQUAL "")
      set(section "unreleased")
    else()
      message(FATAL_ERROR "${CHANGELOG}:${line_number}: a section is \"## VERSION - YYYY-MM-DD\""
                          " (or \"## Unreleased\" on top), not \"${line}\"")
    endif()
  elseif(section STREQUAL "" OR section STREQUAL "unreleased" OR line STREQUAL "")
    continue()
  elseif(line MATCHES "^- (.*)$")
    string(REPLACE "`" "" item "${CMAKE_MATCH_1}")
    list(APPEND items_${section} "${item}")
  elseif(line MATCHES "^  +(.*)$" AND NOT items_${section} STREQUAL "")
    string(REPLACE "`" "" more "${CMAKE_MATCH_1}")
    list(POP_BACK items_${section} item)
    list(APPEND items_${section} "${item} ${more}")
  else()
    message(FATAL_ERROR "${CHANGELOG}:${line_number}: a change starts with \"- \" and continues"
                        " on lines indented by two blanks")
  endif()
endforeach()
list(FIND versions "${VERSION}" built_version_index)
if(NOT built_version_index EQUAL 0)
  message(FATAL_ERROR "${CHANGELOG}: its newest dated section must be the version being built,"
                      " ${VERSION}")
endif()

# Debian's changelog of a native package: one entry per version, wrapped within 80 columns.
set(debian "")
set(releases "")
foreach(version IN LISTS versions)
  list(GET date_${version} 0 year)
  list(GET date_${version} 1 month)
  list(GET date_${version} 2 day)
  weekday(${year} ${month} ${day} day_name)
  set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  math(EXPR month_index "${month} - 1")
  list(GET month_names ${month_index} month_name)
  if(NOT debian STREQUAL "")
    string(APPEND debian "\n")
  endif()
  string(APPEND debian "malvor (${version}) unstable; urgency=medium\n\n")
  string(APPEND releases "    <release version=\"${version}\" date=\"${year}-${month}-${day}\">\n"
                         "      <description>\n        <ul>\n")
  foreach(item IN LISTS items_${version})
    wrap("${item}" 80 "  * " "    " entry)
    string(APPEND debian "${entry}")
    unprotect("${item}" item)
    xml_escape("${item}" item)
    string(APPEND releases "          <li>${item}</li>\n")
  endforeach()
  string(APPEND debian
    "\n -- ${MAINTAINER}  ${day_name}, ${day} ${month_name} ${year} 00:00:00 +0000\n")
  string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
endforeach()
unprotect("${debian}" debian)
file(WRITE "${OUT_DIR}/changelog" "${debian}")

file(READ "${METAINFO_IN}" metainfo)
string(REPLACE "    @RELEASES@\n" "${releases}" metainfo "${metainfo}")
string(REPLACE "@APP_ID@" "${APP_ID}" metainfo "${metainfo}")
string(REPLACE "@HOMEPAGE@" "${HOMEPAGE}" metainfo "${metainfo}")
file(WRITE "${OUT_DIR}/${APP_ID}.metainfo.xml" "${metainfo}")

# The copyright file in Debian's machine-readable form: the licence is LICENSE's, its text
# indented by one blank, empty lines as " .". Where pugixml is compiled into the programs
# (PUGIXML_LICENSE, its LICENSE.md), its holders are named too, under the same licence.
function(mit_licence file holders_out body_out)
  read_lines("${file}" licence)
  list(POP_FRONT licence title)
  set(copyright_lines "")
  set(body "")
  foreach(line IN LISTS licence)
    if(line MATCHES "^Copyright \\(c\\) (.*)$")
      list(APPEND copyright_lines "${CMAKE_MATCH_1}")
    elseif(line STREQUAL "")
      if(NOT body STREQUAL "")
        string(APPEND body " .\n")
      endif()
    else()
      string(APPEND body " ${line}\n")
    endif()
  endforeach()
  if(NOT title STREQUAL "MIT License" OR copyright_lines STREQUAL "")
    message(FATAL_ERROR "${file}: expected the MIT License with a copyright line")
  endif()
  list(JOIN copyright_lines "\n " holders)
  set(${holders_out} "${holders}" PARENT_SCOPE)
  set(${body_out} "${body}" PARENT_SCOPE)
endfunction()
mit_licence("${LICENSE}" holders body)
set(header "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Malvor

Files: *
Copyright: ${holders}
License: Expat
")
if(PUGIXML_LICENSE)
  mit_licence("${PUGIXML_LICENSE}" pugixml_holders pugixml_body)
  # The same words, wrapped differently.
  string(REGEX REPLACE "[ \n]+" " " words "${body}")
  string(REGEX REPLACE "[ \n]+" " " pugixml_words "${pugixml_body}")
  if(NOT pugixml_words STREQUAL words)
    message(FATAL_ERROR "${PUGIXML_LICENSE}: no longer the licence text of ${LICENSE}")
  endif()
  unprotect("${header}
Files: pugixml/*
Copyright: ${pugixml_holders}
License: Expat
Comment: pugixml, compiled into the programs from Debian's source package.

License: Expat
${body}" copyright)
else()
  unprotect("${header}${body}" copyright)
endif()
file(WRITE "${OUT_DIR}/copyright" "${copyright}")
