#pragma once
// What a package or footprint name says, read the way makers and schematic programs name
// packages: the family (DIL, SO, SOT23, a chip size...), the pin count, the size code and the
// kind of part. Case, separators, gEDA's "sm" and KiCad's dimension, pitch and metric
// suffixes say nothing; "DIP-14_W7.62mm" and "DIL14" read the same.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace malvor {

enum class PartKind : std::uint8_t {
    none,
    capacitor,
    resistor,
    melf,  // a MELF resistor: another body than a chip resistor
    inductor,
    led,
    diode,
    transistor,
    ic,
    connector,
    crystal,
    fuse,
    switch_,
    ferrite,
};

// "capacitor", "MELF", ...; empty for none.
std::string_view kind_name(PartKind kind);

struct PackageReading {
    // The family with what tells its packages apart other than the pin count ("chip",
    // "sot23", "so", "sow" (wide SO), "header"...); empty when the name reads as no package.
    std::string_view family;
    std::uint16_t pins = 0;  // in the name, 0: not given
    std::uint16_t size = 0;  // chip size as its inch code, header rows, LED diameter; 0: none
    PartKind kind = PartKind::none;
};

PackageReading read_package_name(std::string_view name);

// How a package's name stands to a footprint's: the same package, another one (family, size
// or pin count differ, or the package holds fewer pads than the footprint's name counts), or
// unknown where either name reads as no package.
enum class ReadingMatch : std::uint8_t { same, unknown, other };
ReadingMatch compare_readings(const PackageReading& footprint, const PackageReading& package,
                              std::size_t pads);

// From the words of a package's description (CAPACITOR, MELF, LED...).
PartKind kind_of_description(std::string_view description);

// The kind of a component: its footprint's own word for it (C_0603..., RES0805), else its
// name's letters before the number (C, R, LED, Q...), else its value (100n, 4k7).
PartKind kind_of_component(std::string_view name, std::string_view value,
                           std::string_view footprint);

// The letters a component's name starts with, before its number ("C" of "C12").
std::string_view name_prefix(std::string_view component);

}  // namespace malvor
