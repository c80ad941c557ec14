#include "eagle_library.h"

#include "large_memory.h"
#include "library_kind.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace malvor {
namespace {

constexpr std::size_t tree_memory_factor = 12;

// The key of a pad in the table of all pads: the package's number, a colon, the pad's name;
// built in `buffer` where it fits, as the check looks up a pad for every node.
constexpr std::size_t key_room = 64;
std::string_view pad_key(std::size_t package, std::string_view pad, char (&buffer)[key_room],
                         std::string& longer)
{
    char* end = std::to_chars(buffer, buffer + 24, package).ptr;
    *end++ = ':';
    const auto number = static_cast<std::size_t>(end - buffer);
    if (number + pad.size() > key_room) {
        longer.assign(buffer, number);
        longer += pad;
        return longer;
    }
    std::copy(pad.begin(), pad.end(), end);
    return {buffer, number + pad.size()};
}

// The parse tree of a large library is many small pieces: while a library is read, pugixml
// takes them from a few large blocks (see large_memory.h), which go all at once afterwards.
// One library is read at a time. The tree may take at most `limit` bytes: a file of tiny
// elements would otherwise take some twenty times its size (with pugixml in its ordinary mode;
// in its compact mode, which the builds from its sources use, a few times at most).
class TreeMemory {
public:
    explicit TreeMemory(std::size_t limit)
        : limit_(limit),
          allocate_(pugi::get_memory_allocation_function()),
          deallocate_(pugi::get_memory_deallocation_function())
    {
        current = this;
        pugi::set_memory_management_functions(&take, &give_back);
    }
    TreeMemory(const TreeMemory&) = delete;
    TreeMemory& operator=(const TreeMemory&) = delete;
    ~TreeMemory()
    {
        pugi::set_memory_management_functions(allocate_, deallocate_);
        current = nullptr;
        for (auto [block, size] : blocks_)
            release_large(block, size);
    }

private:
    static constexpr std::size_t block_size = std::size_t{4} << 20;
    static constexpr std::size_t alignment = alignof(std::max_align_t);

    static void* take(std::size_t bytes) { return current->next(bytes); }
    static void give_back(void*) {}

    void* next(std::size_t bytes)
    {
        bytes = (bytes + alignment - 1) / alignment * alignment;
        if (bytes > left_) {
            const std::size_t size = std::max(block_size, bytes);
            if (size > limit_ - std::min(limit_, taken_)) {
                over_limit_ = true;
                return nullptr;  // pugixml stops and reports that it ran out of memory
            }
            try {
                blocks_.emplace_back(allocate_large(size), size);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
            taken_ += size;
            free_ = static_cast<char*>(blocks_.back().first);
            left_ = size;
        }
        void* piece = free_;
        free_ += bytes;
        left_ -= bytes;
        return piece;
    }

public:
    bool over_limit() const { return over_limit_; }

private:
    static inline TreeMemory* current = nullptr;
    std::size_t limit_;
    std::size_t taken_ = 0;
    bool over_limit_ = false;
    pugi::allocation_function allocate_;
    pugi::deallocation_function deallocate_;
    std::vector<std::pair<void*, std::size_t>> blocks_;
    char* free_ = nullptr;
    std::size_t left_ = 0;
};

}  // namespace

std::size_t EagleLibrary::find_package(std::string_view name) const
{
    auto found = numbers_.find(name);
    return found == FoldedNameTable::none ? none : found;
}

std::size_t EagleLibrary::find_pad(std::size_t package, std::string_view pad) const
{
    char buffer[key_room];
    std::string longer;
    auto found = pads_.find(pad_key(package, pad, buffer, longer));
    return found == FoldedNameTable::none ? none : found;
}

std::string_view EagleLibrary::description(std::size_t package) const
{
    auto found = std::lower_bound(
        descriptions_.begin(), descriptions_.end(), package,
        [](const auto& described, std::size_t number) { return described.first < number; });
    return found != descriptions_.end() && found->first == package ? found->second
                                                                   : std::string_view();
}

void EagleLibrary::start_package(std::string_view name, std::string_view description)
{
    const std::size_t package = names_.size();
    adding_pads_ = numbers_.insert(name, static_cast<std::uint32_t>(package)) == package;
    if (adding_pads_) {
        names_.emplace_back(name);
        if (!description.empty())
            descriptions_.emplace_back(static_cast<std::uint32_t>(package), description);
        first_pads_.push_back(first_pads_.back());
    }
}

void EagleLibrary::add_pad(std::string_view pad)
{
    if (!adding_pads_)
        return;
    const std::size_t package = names_.size() - 1;
    const auto count = static_cast<std::uint32_t>(pad_count(package));
    char buffer[key_room];
    std::string longer;
    if (pads_.insert(pad_key(package, pad, buffer, longer), count) == count) {
        pad_names_.emplace_back(pad);
        ++first_pads_.back();
    }
}

LibraryResult read_eagle_library(std::string_view bytes)
{
    LibraryResult result;
    if (auto kind = recognise_non_library(bytes)) {
        result.error = kind;
        return result;
    }
    // Real libraries take some five times their size in the tree (the copy of the text it
    // points into included).
    const std::size_t tree_limit = tree_memory_factor * bytes.size() + (std::size_t{8} << 20);
    TreeMemory memory(tree_limit);
    pugi::xml_document document;
    // Only elements and attributes: no nodes for comments, declarations, text or CDATA.
    auto parsed = document.load_buffer(
        bytes.data(), bytes.size(),
        pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_embed_pcdata);
    if (parsed.status == pugi::status_out_of_memory) {
        if (!memory.over_limit())
            throw std::bad_alloc();  // the machine's memory, not the file, is the trouble
        result.error = LibraryError::too_many_elements;
        result.detail = "reading it would take over " + std::to_string(tree_limit / 1000000) +
                        " MB";
        return result;
    }
    if (!parsed) {
        auto trouble = describe_xml_error(bytes, parsed.status,
                                          static_cast<std::size_t>(parsed.offset),
                                          document.document_element().name(), parsed.description());
        result.error = trouble.error;
        result.detail = std::move(trouble.detail);
        return result;
    }
    auto drawing = document.child("eagle").child("drawing");
    auto library = drawing.child("library");
    if (!library) {
        // Schematics and boards embed libraries, but are no library themselves.
        const bool design = drawing.child("schematic") || drawing.child("board");
        result.error = design ? LibraryError::schematic_or_board : LibraryError::not_eagle_library;
        return result;
    }
    for (auto package : library.child("packages").children("package")) {
        result.library.start_package(
            package.attribute("name").value(), package.child_value("description"));
        for (auto contact : package.children()) {
            std::string_view kind = contact.name();
            if (kind == "pad" || kind == "smd")
                result.library.add_pad(contact.attribute("name").value());
        }
    }
    return result;
}

}  // namespace malvor
