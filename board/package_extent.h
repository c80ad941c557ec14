#pragma once
// The rectangle a package covers, from its drawing and its pads: what parts placed side by
// side must keep apart.
//
// Every element counts with its full size: wires and arcs with their width, circles,
// rectangles, polygons (their arcs included), pads with their diameter and shape, SMDs with
// their size, holes, frames and dimensions, each with its rotation. Texts do not: ">NAME" and
// ">VALUE" are moved freely on a board, and a text's size depends on its font. Coordinates are
// whole micrometres, rounded outward, so that the result is the same on every platform.

#include <cstdint>

namespace pugi {
class xml_node;
}

namespace malvor {

// Micrometres; x grows to the right, y upwards, as in EAGLE.
struct Extent {
    std::int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;

    std::int64_t width() const { return x2 - x1; }
    std::int64_t height() const { return y2 - y1; }
    bool operator==(const Extent&) const = default;
};

// The extent of an EAGLE package element; a package with nothing to measure covers its origin.
Extent package_extent(const pugi::xml_node& package);

// A number attribute of an element (millimetres) in whole micrometres, 0 when unreadable.
std::int64_t micrometres_of(const pugi::xml_node& element, const char* attribute);

}  // namespace malvor
