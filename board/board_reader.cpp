#include "board_reader.h"

#include "library_errors.h"
#include "library_kind.h"

#include <new>

namespace malvor {
namespace {

class BoardCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "eagle board"; }

    std::string message(int code) const override
    {
        switch (static_cast<BoardError>(code)) {
        case BoardError::not_xml:
            return "not an XML file, so no EAGLE board";
        case BoardError::not_eagle_board:
            return "an XML file, but no EAGLE board (no eagle/drawing/board)";
        case BoardError::schematic:
            return "an EAGLE schematic, not a board";
        case BoardError::library:
            return "an EAGLE library, not a board";
        case BoardError::binary_board:
            return "a binary EAGLE board of version 5 or earlier; opening and saving it in "
                   "EAGLE 6 or later converts it to the XML form that can be updated";
        case BoardError::empty_file:
            return "an empty file";
        case BoardError::gzip_file:
            return "compressed (gzip), not a board: unpack it first";
        case BoardError::zip_file:
            return "compressed (a ZIP archive), not a board: unpack it first";
        case BoardError::lfs_pointer:
            return "a Git LFS pointer, not the board: the board itself was never downloaded "
                   "('git lfs pull' fetches it)";
        case BoardError::web_page:
            return "a web page, not the board file: download the file itself rather than the "
                   "page that shows it";
        case BoardError::cut_short_xml:
            return "cut short";
        case BoardError::broken_xml:
            return "broken XML, so no EAGLE board";
        case BoardError::too_large:
            return "too large (1 GiB or more) for an EAGLE board";
        }
        return "unknown board error";
    }
};

// The library reader's words for what a file is, as they apply to a board.
BoardError board_error_of(std::error_code library)
{
    if (library == LibraryError::binary_library)
        return BoardError::binary_board;
    if (library == LibraryError::empty_file)
        return BoardError::empty_file;
    if (library == LibraryError::gzip_file)
        return BoardError::gzip_file;
    if (library == LibraryError::zip_file)
        return BoardError::zip_file;
    if (library == LibraryError::lfs_pointer)
        return BoardError::lfs_pointer;
    if (library == LibraryError::web_page)
        return BoardError::web_page;
    if (library == LibraryError::cut_short_xml)
        return BoardError::cut_short_xml;
    if (library == LibraryError::broken_xml)
        return BoardError::broken_xml;
    return BoardError::not_xml;
}

// Writes into a function, as pugixml saves.
struct FunctionWriter : pugi::xml_writer {
    const std::function<void(std::string_view)>& out;
    explicit FunctionWriter(const std::function<void(std::string_view)>& write) : out(write) {}
    void write(const void* data, std::size_t size) override
    {
        out(std::string_view(static_cast<const char*>(data), size));
    }
};

}  // namespace

const std::error_category& board_category()
{
    static const BoardCategory category;
    return category;
}

namespace {

constexpr unsigned board_flags = pugi::parse_default | pugi::parse_declaration |
                                 pugi::parse_doctype | pugi::parse_comments | pugi::parse_pi;

// What the file is, before any parsing: no board at all, or too large for one.
std::error_code refused_before_parsing(std::string_view bytes)
{
    if (auto kind = recognise_non_library(bytes))
        return board_error_of(kind);
    if (bytes.size() >= largest_board)
        return BoardError::too_large;
    return {};
}

// The board of a parsed document, or what the document is instead.
void find_board(ReadBoard& read)
{
    auto eagle = read.document->document_element();
    const auto drawing = std::string_view(eagle.name()) == "eagle" ? eagle.child("drawing")
                                                                   : pugi::xml_node();
    read.board = drawing.child("board");
    if (!read.board) {
        read.error = drawing.child("schematic") ? BoardError::schematic
                     : drawing.child("library") ? BoardError::library
                                                : BoardError::not_eagle_board;
        read.document.reset();
        read.bytes.reset();
    }
}

void say_why_broken(ReadBoard& read, std::string_view bytes, const pugi::xml_parse_result& parsed)
{
    if (parsed.status == pugi::status_out_of_memory)
        throw std::bad_alloc();
    auto trouble = describe_xml_error(bytes, parsed.status, static_cast<std::size_t>(parsed.offset),
                                      read.document->document_element().name(),
                                      parsed.description());
    read.error = board_error_of(trouble.error);
    read.detail = std::move(trouble.detail);
    read.document.reset();
    read.bytes.reset();
}

}  // namespace

ReadBoard read_eagle_board(std::string_view bytes)
{
    ReadBoard read;
    if ((read.error = refused_before_parsing(bytes)))
        return read;
    read.document = std::make_unique<pugi::xml_document>();
    const auto parsed = read.document->load_buffer(
        bytes.data(), bytes.size(), board_flags, pugi::encoding_utf8);
    if (!parsed)
        say_why_broken(read, bytes, parsed);
    else
        find_board(read);
    return read;
}

ReadBoard read_eagle_board_in_place(std::string bytes, const std::function<std::string()>& as_read)
{
    ReadBoard read;
    if ((read.error = refused_before_parsing(bytes)))
        return read;
    read.bytes = std::make_unique<std::string>(std::move(bytes));
    // With a zero after the bytes, as pugixml's own copy has one: the parse, and where it says
    // the trouble is, are then those of a copy.
    read.bytes->push_back('\0');
    read.document = std::make_unique<pugi::xml_document>();
    const auto parsed = read.document->load_buffer_inplace(
        read.bytes->data(), read.bytes->size(), board_flags, pugi::encoding_utf8);
    if (!parsed) {
        // The root's name points into the bytes, which stay until the trouble is described.
        say_why_broken(read, as_read(), parsed);
        return read;
    }
    find_board(read);
    return read;
}

void write_board_document(const pugi::xml_document& document,
                          const std::function<void(std::string_view)>& write)
{
    FunctionWriter writer(write);
    document.save(
        writer, "", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
}

std::string board_document_bytes(const pugi::xml_document& document)
{
    std::string bytes;
    write_board_document(document, [&](std::string_view piece) { bytes.append(piece); });
    return bytes;
}

}  // namespace malvor
