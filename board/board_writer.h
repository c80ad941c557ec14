#pragma once
// The EAGLE board of a netlist: every component as an element with a copy of its package, every
// net as a signal of contacts, the parts where a placement put them and an outline around them.
// EAGLE, its successor Fusion Electronics and KiCad's importer open such a file without the
// libraries, as it carries every package it uses.
//
// The packages are copied from the libraries' XML as they stand (every element and attribute,
// descriptions included). Names from the netlist that are no valid UTF-8 are taken as Latin-1,
// as XML readers refuse anything else.

#include "netlist_tables.h"
#include "package_choice.h"
#include "package_extent.h"
#include "placement.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_node;
}

namespace malvor {

// The packages of the libraries as XML elements, numbered as EagleLibrary numbers them.
class LibraryDrawings {
public:
    // The bytes of each library, in the order of the choices' libraries (copied: they need not
    // outlive the object). Only the libraries some component uses are read.
    LibraryDrawings(const NetlistTables& tables, const PackageChoices& choices,
                    const std::vector<std::string_view>& files);
    ~LibraryDrawings();
    LibraryDrawings(const LibraryDrawings&) = delete;
    LibraryDrawings& operator=(const LibraryDrawings&) = delete;

    Extent extent(std::uint32_t library, std::uint32_t package) const;
    // Where a pad (numbered as EagleLibrary numbers them) sits in its package, in micrometres.
    Point pad_position(std::uint32_t library, std::uint32_t package, std::uint32_t pad) const;
    // The package as its library writes it, and the library's layers (null where not read).
    pugi::xml_node package_node(std::uint32_t library, std::uint32_t package) const;
    pugi::xml_node layers(std::uint32_t library) const;

    struct Parsed;  // a library's XML tree and its packages

private:
    friend class BoardDocument;
    std::vector<std::unique_ptr<Parsed>> libraries_;
};

// A node's pad: its component (1-based) and the pad's number in the component's package.
struct Contact {
    Count component = 0;
    std::uint32_t pad = 0;
    bool operator==(const Contact&) const = default;
};

// The contacts of every net: net i (1-based) holds contacts[starts[i - 1]] ..
// contacts[starts[i] - 1]. Nodes whose component or pad is unknown are left out, and a pad
// named twice in a net is one contact.
struct BoardNets {
    std::vector<std::uint32_t> starts{0};
    std::vector<Contact> contacts;
};

BoardNets board_nets(const NetlistTables& tables, const PackageChoices& choices);

// The extent of every component's package (components 1 .. count, at index k - 1); a component
// without a package in a library covers its origin.
std::vector<Extent> component_extents(const NetlistTables& tables, const PackageChoices& choices,
                                      const LibraryDrawings& drawings);

// Where the components go (at index k - 1): on a board in micrometres, or in a script in mil,
// whole mil, each extent rounded outward so that nothing overlaps on the script's grid either.
enum class PlacementUnit { micrometre, mil };
Placement place_components(const NetlistTables& tables, const PackageChoices& choices,
                           const LibraryDrawings& drawings, const BoardNets& nets,
                           PlacementUnit unit);

// The board's bytes; `placement` in micrometres, for components 1 .. count at index k - 1.
// Components without a package in a library are left out, with their contacts.
std::string eagle_board(const NetlistTables& tables, const PackageChoices& choices,
                        const LibraryDrawings& drawings, const BoardNets& nets,
                        const Placement& placement);

// "12.7", "-0.001", "0": micrometres as millimetres, without trailing zeros.
std::string millimetres(std::int64_t micrometres);

// Bytes that are no valid UTF-8 taken as Latin-1 characters; the rest as it is.
std::string utf8_text(std::string_view bytes);

}  // namespace malvor
