#pragma once
// An EAGLE XML board read whole, so that an update changes what it must and writes the rest back
// as it was: the elements, the signals with their contacts, and the packages the board carries.
// A file that is no such board says what it is instead, in the words used for libraries.

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace malvor {

// The largest board read; the tables of a board's names keep 32-bit positions.
inline constexpr std::uint64_t largest_board = std::uint64_t{1} << 30;

enum class BoardError {
    not_xml = 1,
    not_eagle_board,  // XML, but without eagle/drawing/board
    schematic,
    library,
    binary_board,  // EAGLE 5 or older
    empty_file,
    gzip_file,
    zip_file,
    lfs_pointer,
    web_page,
    cut_short_xml,
    broken_xml,
    too_large,
};

const std::error_category& board_category();

inline std::error_code make_error_code(BoardError error)
{
    return {static_cast<int>(error), board_category()};
}

struct ReadBoard {
    // The bytes a board parsed in place was read from: its names and texts point into them.
    std::unique_ptr<std::string> bytes;
    // Held by pointer: the nodes below point into it, and a board may be moved.
    std::unique_ptr<pugi::xml_document> document;
    pugi::xml_node board;  // eagle/drawing/board
    std::error_code error;
    std::string detail;  // for broken XML: where (LINE:COLUMN) and what was expected there

    bool ok() const { return !error; }
};

// Comments, processing instructions, the declaration and the document type are kept, so that
// the board is written back with them.
ReadBoard read_eagle_board(std::string_view bytes);

// The same, parsed in the bytes themselves, which the board then keeps: a large board is held
// once rather than twice. Parsing changes them as it goes, so that a document that turns out
// to be broken is described from `as_read`, which gives the bytes as they were.
ReadBoard read_eagle_board_in_place(std::string bytes, const std::function<std::string()>& as_read);

// The document's bytes as the board writer writes them: one element a line, not indented;
// handed on in pieces, so that a large board is never held twice.
void write_board_document(const pugi::xml_document& document,
                          const std::function<void(std::string_view)>& write);
std::string board_document_bytes(const pugi::xml_document& document);

}  // namespace malvor

template <>
struct std::is_error_code_enum<malvor::BoardError> : std::true_type {
};
