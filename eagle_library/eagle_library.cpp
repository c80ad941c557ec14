#include "eagle_library.h"

#include "large_memory.h"
#include "script_names.h"

#include <pugixml.hpp>

#include <algorithm>
#include <utility>
#include <vector>

namespace malvor {
namespace {

// Both forms of EAGLE 5 and older (version 3: 0x10 0x80; versions 4 and 5: 0x10 0x00) begin so.
constexpr char binary_library_start = 0x10;

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
    // The pads are stored in lower case; the name is folded as it is compared.
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    auto before = [&](const std::string& stored, std::string_view name) {
        return std::lexicographical_compare(
            stored.begin(), stored.end(), name.begin(), name.end(), [&](char a, char b) {
                return static_cast<unsigned char>(fold(a)) < static_cast<unsigned char>(fold(b));
            });
    };
    const auto& pads = pads_[package];
    auto found = std::lower_bound(pads.begin(), pads.end(), pad, before);
    if (found == pads.end() || found->size() != pad.size())
        return none;
    for (std::size_t i = 0; i < pad.size(); ++i)
        if ((*found)[i] != fold(pad[i]))
            return none;
    return static_cast<std::size_t>(found - pads.begin());
}

void EagleLibrary::add_package(std::string_view name, std::vector<std::string> pads)
{
    if (numbers_.insert(name, static_cast<std::uint32_t>(names_.size())) != names_.size())
        return;
    for (auto& pad : pads)
        pad = lower_ascii(pad);
    std::sort(pads.begin(), pads.end());
    pads.erase(std::unique(pads.begin(), pads.end()), pads.end());
    names_.emplace_back(name);
    pads_.push_back(std::move(pads));
}

LibraryResult read_eagle_library(std::string_view bytes)
{
    LibraryResult result;
    if (!bytes.empty() && bytes[0] == binary_library_start) {
        result.error = LibraryError::binary_library;
        return result;
    }
    TreeMemory memory;  // outlives the document
    pugi::xml_document document;
    auto parsed = document.load_buffer(bytes.data(), bytes.size());
    if (!parsed) {
        result.error = LibraryError::not_xml;
        result.detail =
            std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset);
        return result;
    }
    auto library = document.child("eagle").child("drawing").child("library");
    if (!library) {
        result.error = LibraryError::not_eagle_library;
        return result;
    }
    for (auto package : library.child("packages").children("package")) {
        std::vector<std::string> pads;
        for (auto contact : package.children()) {
            std::string_view kind = contact.name();
            if (kind == "pad" || kind == "smd")
                pads.emplace_back(contact.attribute("name").value());
        }
        result.library.add_package(package.attribute("name").value(), std::move(pads));
    }
    return result;
}

}  // namespace malvor
