#pragma once
// What a file given as a library is, when it is no EAGLE XML library: said in the words a user
// knows rather than the XML parser's.

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace malvor {

// The kinds of file told by their first bytes that cannot be a library (empty, a binary library
// of EAGLE 5 or older, gzip, ZIP, a Git LFS pointer, a web page); no error for any other.
std::error_code recognise_non_library(std::string_view bytes);

struct XmlTrouble {
    std::error_code error;  // cut short, broken, or no XML at all
    std::string detail;     // where, as LINE:COLUMN, and what was expected there
};

// Why the XML parser stopped: its status (pugi::xml_parse_status) and offset, the name of the
// document's first element if it got that far, and its own description for rare statuses.
XmlTrouble describe_xml_error(std::string_view bytes, int status, std::size_t offset,
                              std::string_view root, std::string_view description);

}  // namespace malvor
