#pragma once
// Packages of the libraries that a footprint none of them holds probably means: those whose
// names read as the same package (family, pin count, chip size), and those a character or two
// away. Ranked as a designer would pick: first those a row may name (holding every pad the
// component uses, not read as another package, not of another kind of part), then by the
// component's kind (its own, none stated, another), then the reading (the same package, no
// reading, another package), then the names' distance, fewer pads, the libraries' order.
// A part whose pads have a polarity (an LED, a diode) takes no package of no stated kind while
// one of its own kind reads the same: that one has the polarity mark, even where its pads
// ("A", "K") are the designer's to match. A two-terminal part using two pins takes no package
// of more pads (an RGB LED, a dual diode) while one of its kind has two.

#include "close_names.h"
#include "package_choice.h"
#include "package_name_reading.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace malvor {

struct PackageHint {
    std::size_t library;
    std::size_t package;
    std::size_t distance;  // of the names, 3 when not close (matched by the reading alone)
    ReadingMatch reading = ReadingMatch::unknown;
    PartKind kind = PartKind::none;  // of the package
    int kind_rank = 1;               // 0 the component's kind, 1 none stated, 2 another
    bool fits = false;               // holds every pin used, as it is or as "P$N"
    bool default_pads = false;       // fits only with some pins written "P$N"
    bool why = false;  // won by the part's kind, over a closer name, or by its reading alone
    // A package of the part's kind is the row instead: it reads the same where this one is of
    // no kind, or has the kind's two pads where this one has more.
    enum class Yields : std::uint8_t { no, to_kind, to_two_pads } yields = Yields::no;

    // What a map row may name.
    bool usable() const
    {
        return fits && reading != ReadingMatch::other && kind_rank != 2 && yields == Yields::no;
    }
};

class PackageHints {
public:
    explicit PackageHints(const std::vector<NamedLibrary>& libraries);

    // Up to `at_most` hints for `wanted`, for a component of `kind` using `pins` (after its
    // renames, lower case).
    std::vector<PackageHint> ranked(std::string_view wanted, const std::vector<std::string>& pins,
                                    PartKind kind, std::size_t at_most = 3);

    // "'DIL18'" with what the user needs to see in parentheses: its library when there are
    // several, its kind and pad count where it won over a closer name, and its pads where they
    // do not fit the pins used (their names when few).
    std::string text(const PackageHint& hint, std::size_t pins_used) const;

    // Why a hint is no row: "lacks pad '9'", "is of another kind (MELF)"... `kind` is the
    // component's.
    std::string flaw(const PackageHint& hint, const std::vector<std::string>& pins,
                     PartKind kind = PartKind::none) const;

    const std::string& name(const PackageHint& hint) const
    {
        return libraries_[hint.library].library.package_names()[hint.package];
    }

private:
    using Counts = std::array<std::uint8_t, 37>;  // of each letter, digit and other character

    // A package as the search needs it, in 24 bytes: libraries may hold millions.
    struct Known {
        std::uint64_t characters;  // a bit for each one present in its lower-case name
        std::uint32_t package;
        std::uint32_t plain;  // the hash of its letters and digits
        std::uint16_t pins;
        std::uint16_t size;
        std::uint16_t length;  // of the name, up to 65535
        std::uint8_t family;   // in families_
        PartKind kind;
    };

    // A library's packages read once, sorted by the length of their names, and found by what
    // a name can share with them: only those of the same family, of equal letters and
    // digits, or of a length two apart at most are looked at.
    struct Index {
        std::vector<Known> known;
        std::vector<std::vector<std::uint32_t>> by_family;              // positions in known
        std::vector<std::pair<std::uint32_t, std::uint32_t>> by_plain;  // hash, position
        std::vector<std::uint32_t> seen;  // the last query that looked at each
    };

    Index& index(std::size_t library);
    std::uint8_t family_number(std::string_view family);
    static Counts counts(std::string_view lower);
    static std::uint64_t characters(std::string_view lower);
    static std::uint32_t plain_hash(std::string_view plain);

    const std::vector<NamedLibrary>& libraries_;
    std::vector<Index> indexes_;                                       // per library
    std::uint32_t query_ = 0;                                          // counts the names looked up
    std::vector<std::string_view> families_{""};                       // 0: none
    std::unordered_map<std::string, std::vector<PackageHint>> found_;  // per lower-case name
};

// "its pads: 'A', 'C'", up to 12 names, then how many more.
std::string pad_list(const EagleLibrary& library, std::size_t package);

}  // namespace malvor
