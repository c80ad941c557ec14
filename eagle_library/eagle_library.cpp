#include "eagle_library.h"

#include "large_memory.h"
#include "library_kind.h"

#include <pugixml.hpp>

#include <algorithm>
#include <utility>
#include <vector>

namespace malvor {
namespace {

// The parse tree of a large library is many small pieces: while a library is read, pugixml
// takes them from a few large blocks (see large_memory.h), which go all at once afterwards.
// One library is read at a time.
class TreeMemory {
public:
    TreeMemory()
        : allocate_(pugi::get_memory_allocation_function()),
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
            try {
                blocks_.emplace_back(allocate_large(size), size);
            } catch (const std::bad_alloc&) {
                return nullptr;  // pugixml reports that it ran out of memory
            }
            free_ = static_cast<char*>(blocks_.back().first);
            left_ = size;
        }
        void* piece = free_;
        free_ += bytes;
        left_ -= bytes;
        return piece;
    }

    static inline TreeMemory* current = nullptr;
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
    auto found = pads_[package].find(pad);
    return found == FoldedNameTable::none ? none : found;
}

void EagleLibrary::add_package(std::string_view name, const std::vector<std::string_view>& pads)
{
    if (numbers_.insert(name, static_cast<std::uint32_t>(names_.size())) != names_.size())
        return;
    FoldedNameTable numbers(pads.size());
    std::vector<std::string> pad_names;
    for (auto pad : pads)
        if (numbers.insert(pad, static_cast<std::uint32_t>(numbers.size())) == pad_names.size())
            pad_names.emplace_back(pad);
    names_.emplace_back(name);
    pad_names_.push_back(std::move(pad_names));
    pads_.push_back(std::move(numbers));
}

LibraryResult read_eagle_library(std::string_view bytes)
{
    LibraryResult result;
    if (auto kind = recognise_non_library(bytes)) {
        result.error = kind;
        return result;
    }
    TreeMemory memory;  // outlives the document
    pugi::xml_document document;
    auto parsed = document.load_buffer(bytes.data(), bytes.size());
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
    std::vector<std::string_view> pads;
    for (auto package : library.child("packages").children("package")) {
        pads.clear();
        for (auto contact : package.children()) {
            std::string_view kind = contact.name();
            if (kind == "pad" || kind == "smd")
                pads.emplace_back(contact.attribute("name").value());
        }
        result.library.add_package(package.attribute("name").value(), pads);
    }
    return result;
}

}  // namespace malvor
