#include "eagle_library.h"

#include "xml_scan.h"

#include <charconv>
#include <cstring>
#include <vector>

namespace malvor {
namespace {

// Both forms of EAGLE 5 and older (version 3: 0x10 0x80; versions 4 and 5: 0x10 0x00) begin so.
constexpr char binary_library_start = 0x10;

// The key of a pad in the table of all pads, in `buffer` when it fits (as nearly all do: the
// check looks one up for every node), else in `longer`.
template <std::size_t room>
std::string_view pad_key(std::size_t package, std::string_view pad, char (&buffer)[room],
                         std::string& longer)
{
    char number[24];
    const auto digits = static_cast<std::size_t>(
        std::to_chars(number, number + sizeof number, package).ptr - number);
    if (digits + 1 + pad.size() > room) {
        longer.assign(number, digits);
        longer += ':';
        longer += pad;
        return longer;
    }
    std::memcpy(buffer, number, digits);
    buffer[digits] = ':';
    if (!pad.empty())
        std::memcpy(buffer + digits + 1, pad.data(), pad.size());
    return {buffer, digits + 1 + pad.size()};
}

}  // namespace

std::size_t EagleLibrary::find_package(std::string_view name) const
{
    auto found = numbers_.find(name);
    return found == FoldedNameTable::none ? none : found;
}

std::size_t EagleLibrary::find_pad(std::size_t package, std::string_view pad) const
{
    char buffer[64];
    std::string longer;
    auto found = pads_.find(pad_key(package, pad, buffer, longer));
    return found == FoldedNameTable::none ? none : found;
}

void EagleLibrary::start_package(std::string_view name)
{
    const std::size_t package = names_.size();
    adding_pads_ = numbers_.insert(name, static_cast<std::uint32_t>(package)) == package;
    if (adding_pads_) {
        names_.emplace_back(name);
        pad_counts_.push_back(0);
    }
}

void EagleLibrary::add_pad(std::string_view pad)
{
    if (!adding_pads_)
        return;
    auto& count = pad_counts_.back();
    char buffer[64];
    std::string longer;
    count += pads_.insert(pad_key(names_.size() - 1, pad, buffer, longer), count) == count ? 1 : 0;
}

LibraryResult read_eagle_library(std::string_view bytes)
{
    LibraryResult result;
    if (!bytes.empty() && bytes[0] == binary_library_start) {
        result.error = LibraryError::binary_library;
        return result;
    }
    // The path to the packages, one element a level; only the first of each is used. Below
    // it, every package and the pads and smds in it.
    static constexpr std::string_view path[] = {"eagle", "drawing", "library", "packages"};
    constexpr std::size_t package_depth = std::size(path) + 1;
    std::size_t matched = 0;            // levels of the open elements that follow the path
    bool passed[std::size(path)] = {};  // each level of the path is entered once
    bool library_found = false;

    XmlScanHandlers handlers;
    handlers.open = [&](std::size_t depth, std::string_view name, std::string_view attributes) {
        if (depth != matched + 1)
            return;
        if (depth < package_depth) {
            if (name == path[depth - 1] && !passed[depth - 1]) {
                matched = depth;
                library_found = library_found || depth == 3;
            }
        } else if (depth == package_depth && name == "package") {
            matched = depth;
            result.library.start_package(xml_attribute(attributes, "name").value_or(""));
        } else if (depth == package_depth + 1 && (name == "pad" || name == "smd")) {
            result.library.add_pad(xml_attribute(attributes, "name").value_or(""));
        }
    };
    handlers.close = [&](std::size_t depth) {
        if (depth != matched)
            return;
        matched = depth - 1;
        if (depth < package_depth)
            passed[depth - 1] = true;
    };
    if (auto error = scan_xml(bytes, handlers)) {
        result = LibraryResult();
        result.error = LibraryError::not_xml;
        result.detail = error->reason + " at byte " + std::to_string(error->offset);
        return result;
    }
    if (!library_found)
        result.error = LibraryError::not_eagle_library;
    return result;
}

}  // namespace malvor
