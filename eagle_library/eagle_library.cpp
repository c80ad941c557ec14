#include "eagle_library.h"

#include "script_names.h"

#include <pugixml.hpp>

#include <algorithm>

namespace malvor {
namespace {

// Both forms of EAGLE 5 and older (version 3: 0x10 0x80; versions 4 and 5: 0x10 0x00) begin so.
constexpr char binary_library_start = 0x10;

}  // namespace

std::size_t EagleLibrary::find_package(std::string_view name) const
{
    auto found = by_lower_name_.find(lower_ascii(name));
    return found == by_lower_name_.end() ? none : found->second;
}

std::size_t EagleLibrary::find_pad(std::size_t package, std::string_view pad) const
{
    const auto& pads = pads_[package];
    const std::string lower = lower_ascii(pad);
    auto found = std::lower_bound(pads.begin(), pads.end(), lower);
    return found != pads.end() && *found == lower ? static_cast<std::size_t>(found - pads.begin())
                                                  : none;
}

void EagleLibrary::add_package(std::string_view name, std::vector<std::string> pads)
{
    if (!by_lower_name_.emplace(lower_ascii(name), names_.size()).second)
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
