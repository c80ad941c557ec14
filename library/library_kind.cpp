#include "library_kind.h"

#include "library_errors.h"
#include "lines.h"
#include "script_names.h"

#include <pugixml.hpp>

#include <algorithm>

namespace malvor {
namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view without_blanks(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    return text;
}

// A page saved from a browser instead of the file it offered: HTML, perhaps after a byte order
// mark and comments (browsers note where they saved it from).
bool is_web_page(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    bytes = without_blanks(bytes.substr(0, 4096));
    while (bytes.starts_with("<!--")) {
        auto end = bytes.find("-->");
        if (end == std::string_view::npos)
            return false;
        bytes = without_blanks(bytes.substr(end + 3));
    }
    const std::string start = lower_ascii(bytes.substr(0, 14));
    return start.starts_with("<!doctype html") || start.starts_with("<html");
}

// Line and column (both from 1; the column in characters of UTF-8) of a byte, lines ending as
// in netlists. The LF of a CR LF is placed at its CR.
std::string line_and_column(std::string_view bytes, std::size_t offset)
{
    offset = std::min(offset, bytes.size());
    std::size_t line = 1;
    std::size_t start = 0;
    std::size_t end = line_end(bytes, start);
    for (std::size_t next; end < offset && (next = after_line_end(bytes, end)) <= offset;) {
        start = next;
        end = line_end(bytes, start);
        ++line;
    }
    const auto text = bytes.substr(start, std::min(offset, end) - start);
    const auto column = 1 + std::ranges::count_if(text, [](char c) {
                            return (static_cast<unsigned char>(c) & 0xC0) !=
                                   0x80;  // not a continuation byte
                        });
    return std::to_string(line) + ":" + std::to_string(column);
}

// The closing tag the parser met at `offset` (which points at its name), or empty text when
// its name is not plain printable text.
std::string closing_tag_at(std::string_view bytes, std::size_t offset)
{
    if (offset < 2 || offset > bytes.size() || bytes.substr(offset - 2, 2) != "</")
        return {};
    std::size_t end = offset;
    while (end < bytes.size() && end - offset < 64 && bytes[end] > ' ' && bytes[end] != '>' &&
           bytes[end] != '\x7F')
        ++end;
    if (end == offset)
        return {};
    return "</" + std::string(bytes.substr(offset, end - offset)) + ">";
}

}  // namespace

std::error_code recognise_non_library(std::string_view bytes)
{
    if (bytes.empty())
        return LibraryError::empty_file;
    // Both forms of EAGLE 5 and older (version 3: 0x10 0x80; versions 4 and 5: 0x10 0x00).
    if (bytes[0] == 0x10)
        return LibraryError::binary_library;
    if (bytes.starts_with("\x1F\x8B"))
        return LibraryError::gzip_file;
    if (bytes.starts_with("PK\x03\x04") || bytes.starts_with("PK\x05\x06") ||
        bytes.starts_with("PK\x07\x08"))
        return LibraryError::zip_file;
    // Its first line names the pointer format's version at Git LFS's address.
    if (bytes.starts_with("version https://git-lfs.github.com/"))
        return LibraryError::lfs_pointer;
    if (is_web_page(bytes))
        return LibraryError::web_page;
    return {};
}

XmlTrouble describe_xml_error(std::string_view bytes, int status, std::size_t offset,
                              std::string_view root, std::string_view description)
{
    // Cut short: no tag follows where the parser stopped (at the last byte, or in a tag or a
    // value that the end of the file cuts).
    const bool at_end = bytes.find_first_of("<>", std::min(offset + 1, bytes.size())) ==
                        std::string_view::npos;
    std::string expected;
    switch (status) {
    case pugi::status_no_document_element:
        if (!at_end || !without_blanks(bytes).starts_with("<?xml"))
            return {LibraryError::not_xml, "no element such as '<eagle>' in it"};
        expected = "the element '<eagle>'";
        break;
    case pugi::status_unrecognized_tag:
        expected = "a tag name after '<'";
        break;
    case pugi::status_bad_pi:
        expected = "'?>' to end the declaration";
        break;
    case pugi::status_bad_comment:
        expected = "'-->' to end the comment";
        break;
    case pugi::status_bad_cdata:
        expected = "']]>' to end the CDATA section";
        break;
    case pugi::status_bad_doctype:
        expected = "'>' to end the document type declaration";
        break;
    case pugi::status_bad_start_element:
        expected = "'>' or '/>' to end the tag";
        break;
    case pugi::status_bad_attribute:
        expected = "an attribute written name=\"value\", or the end of the tag";
        break;
    case pugi::status_bad_end_element:
        expected = "a closing tag written '</name>'";
        break;
    case pugi::status_end_element_mismatch:
        if (at_end) {
            expected = "the closing tags of the elements still open";
            if (!root.empty())
                expected += ", up to '</" + std::string(root) + ">'";
        } else {
            expected = "the closing tag of the element that is open";
            if (auto found = closing_tag_at(bytes, offset); !found.empty()) {
                expected += ", found '" + found + "'";
                offset -= 2;  // pointing at its "<", not at its name
            }
        }
        break;
    default:
        expected.clear();
    }
    const auto where = line_and_column(bytes, offset);
    if (expected.empty())
        return {LibraryError::broken_xml, "at " + where + ": " + std::string(description)};
    if (at_end)
        return {
            LibraryError::cut_short_xml, "the file ends at " + where + "; expected " + expected};
    return {LibraryError::broken_xml, "at " + where + " expected " + expected};
}

}  // namespace malvor
