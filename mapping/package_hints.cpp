#include "package_hints.h"

#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <tuple>

namespace malvor {
namespace {

constexpr std::size_t few_pads = 4;
constexpr std::size_t listed_pads = 12;
constexpr std::size_t not_close = 3;

bool has_polarity(PartKind kind)
{
    return kind == PartKind::led || kind == PartKind::diode;
}

bool has_two_terminals(PartKind kind)
{
    switch (kind) {
    case PartKind::capacitor:
    case PartKind::resistor:
    case PartKind::melf:
    case PartKind::inductor:
    case PartKind::led:
    case PartKind::diode:
    case PartKind::fuse:
    case PartKind::ferrite:
        return true;
    default:
        return false;
    }
}

}  // namespace

PackageHints::PackageHints(const std::vector<NamedLibrary>& libraries) : libraries_(libraries)
{
    indexes_.resize(libraries.size());
}

PackageHints::Counts PackageHints::counts(std::string_view lower)
{
    Counts counts{};
    for (char c : lower) {
        auto& count = counts[c >= 'a' && c <= 'z'   ? static_cast<std::size_t>(c - 'a')
                             : c >= '0' && c <= '9' ? static_cast<std::size_t>(c - '0' + 26)
                                                    : 36];
        count = static_cast<std::uint8_t>(std::min(count + 1, 255));
    }
    return counts;
}

std::uint64_t PackageHints::characters(std::string_view lower)
{
    std::uint64_t bits = 0;
    for (char c : lower)
        bits |= std::uint64_t{1} << (static_cast<unsigned char>(c) % 64);
    return bits;
}

std::uint32_t PackageHints::plain_hash(std::string_view plain)
{
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(plain));
}

std::uint8_t PackageHints::family_number(std::string_view family)
{
    auto found = std::find(families_.begin(), families_.end(), family);
    if (found == families_.end())
        found = families_.insert(found, family);
    return static_cast<std::uint8_t>(found - families_.begin());
}

PackageHints::Index& PackageHints::index(std::size_t l)
{
    auto& index = indexes_[l];
    const auto& library = libraries_[l].library;
    if (!index.known.empty() || library.package_count() == 0)
        return index;
    index.known.reserve(library.package_count());
    for (std::uint32_t p = 0; p < library.package_count(); ++p) {
        const auto& name = library.package_names()[p];
        const auto reading = read_package_name(name);
        const auto kind = reading.kind != PartKind::none
                              ? reading.kind
                              : kind_of_description(library.description(p));
        const NameForms forms(name);
        index.known.push_back(
            {characters(forms.lower), p, plain_hash(forms.plain), reading.pins, reading.size,
             static_cast<std::uint16_t>(std::min<std::size_t>(name.size(), 65535)),
             family_number(reading.family), kind});
    }
    std::stable_sort(index.known.begin(), index.known.end(),
                     [](const Known& a, const Known& b) { return a.length < b.length; });
    index.by_family.resize(families_.size());
    index.by_plain.reserve(index.known.size());
    for (std::uint32_t k = 0; k < index.known.size(); ++k) {
        if (index.known[k].family != 0)
            index.by_family[index.known[k].family].push_back(k);
        index.by_plain.emplace_back(index.known[k].plain, k);
    }
    std::sort(index.by_plain.begin(), index.by_plain.end());
    index.seen.assign(index.known.size(), 0);
    return index;
}

std::vector<PackageHint> PackageHints::ranked(std::string_view wanted,
                                              const std::vector<std::string>& pins, PartKind kind,
                                              std::size_t at_most)
{
    // Not a structured binding: the lambdas below use it, which clang 14 does not allow.
    const auto emplaced = found_.try_emplace(lower_ascii(wanted));
    const auto cached = emplaced.first;
    if (emplaced.second) {
        const NameForms forms(wanted);
        const auto reading = read_package_name(wanted);
        const auto family = family_number(reading.family);
        const auto wanted_counts = counts(forms.lower);
        const auto wanted_characters = characters(forms.lower);
        const auto size = forms.lower.size();
        const auto wanted_plain = plain_hash(forms.plain);
        for (std::size_t l = 0; l < libraries_.size(); ++l) {
            auto& index = this->index(l);
            const auto& names = libraries_[l].library.package_names();
            // Within two edits: the lengths, the characters present and the counts of each
            // differ little (an edit changes two counts by one at most).
            auto near = [&](const Known& known) {
                return std::size_t{known.length} + 2 >= size && known.length <= size + 2 &&
                       std::popcount(known.characters ^ wanted_characters) <= 4;
            };
            // Each package once, though it may be of the family, of equal letters and near.
            auto& seen = index.seen;
            ++query_;
            auto look_at = [&](std::uint32_t k) {
                if (seen[k] == query_)
                    return;
                seen[k] = query_;
                const auto& known = index.known[k];
                const auto pads = libraries_[l].library.pad_count(known.package);
                const auto match = compare_readings(
                    reading, {families_[known.family], known.pins, known.size, known.kind}, pads);
                std::size_t distance = not_close;
                if ((!forms.plain.empty() && known.plain == wanted_plain) || near(known)) {
                    const NameForms package(names[known.package]);
                    int apart = 0;
                    const auto package_counts = counts(package.lower);
                    for (std::size_t c = 0; c < package_counts.size(); ++c)
                        apart += std::abs(int{package_counts[c]} - int{wanted_counts[c]});
                    if (apart <= 4 || package.plain == forms.plain)
                        distance = close_distance(forms, package);
                }
                if (match == ReadingMatch::same || distance < not_close)
                    cached->second.push_back({l, known.package, distance, match, known.kind});
            };
            if (family != 0 && family < index.by_family.size())
                for (auto k : index.by_family[family])
                    look_at(k);
            if (!forms.plain.empty()) {
                for (auto equal = std::lower_bound(index.by_plain.begin(), index.by_plain.end(),
                                                   std::make_pair(wanted_plain, std::uint32_t{0}));
                     equal != index.by_plain.end() && equal->first == wanted_plain; ++equal)
                    look_at(equal->second);
            }
            auto from = std::lower_bound(
                index.known.begin(), index.known.end(), size - std::min<std::size_t>(size, 2),
                [](const Known& known, std::size_t than) { return known.length < than; });
            for (; from != index.known.end() && from->length <= size + 2; ++from)
                if (near(*from))
                    look_at(static_cast<std::uint32_t>(from - index.known.begin()));
        }
    }
    auto all = cached->second;
    std::size_t closest = not_close;
    bool own_reads_same = false, own_two_pads = false;
    for (auto& hint : all) {
        closest = std::min(closest, hint.distance);
        hint.kind_rank = hint.kind == PartKind::none || kind == PartKind::none ? 1
                         : hint.kind == kind                                   ? 0
                                                                               : 2;
        if (hint.kind_rank == 0) {
            own_reads_same = own_reads_same || hint.reading == ReadingMatch::same;
            own_two_pads = own_two_pads ||
                           (hint.reading != ReadingMatch::other &&
                            libraries_[hint.library].library.pad_count(hint.package) == 2);
        }
    }
    const bool kind_over_none = own_reads_same && has_polarity(kind);
    const bool two_pads_over_more = own_two_pads && pins.size() <= 2 && has_two_terminals(kind);
    for (auto& hint : all) {
        if (kind_over_none && hint.kind == PartKind::none)
            hint.yields = PackageHint::Yields::to_kind;
        else if (two_pads_over_more && libraries_[hint.library].library.pad_count(hint.package) > 2)
            hint.yields = PackageHint::Yields::to_two_pads;
    }
    // Those a row may name come first, each part in the order of the rest of the key: the
    // pads are looked up in that order, only until enough of them are found.
    auto key = [&](const PackageHint& hint) {
        return std::make_tuple(hint.kind_rank, hint.reading, hint.distance,
                               libraries_[hint.library].library.pad_count(hint.package),
                               hint.library, hint.package);
    };
    std::sort(all.begin(), all.end(),
              [&](const PackageHint& a, const PackageHint& b) { return key(a) < key(b); });
    std::vector<PackageHint> hints, others;
    for (auto& hint : all) {
        if (hints.size() == at_most)
            break;
        const auto& library = libraries_[hint.library].library;
        hint.fits = true;
        for (const auto& pin : pins) {
            if (library.find_pad(hint.package, pin) != EagleLibrary::none)
                continue;
            if (library.find_pad(hint.package, default_pad_name(pin)) != EagleLibrary::none)
                hint.default_pads = true;
            else
                hint.fits = false;
        }
        hint.default_pads = hint.default_pads && hint.fits;
        (hint.usable() ? hints : others).push_back(hint);
    }
    for (std::size_t o = 0; o < others.size() && hints.size() < at_most; ++o)
        hints.push_back(others[o]);
    if (!hints.empty())
        hints.front().why = hints.front().distance > closest || closest == not_close ||
                            hints.front().kind_rank == 0;
    return hints;
}

std::string PackageHints::text(const PackageHint& hint, std::size_t pins_used) const
{
    const auto& library = libraries_[hint.library].library;
    const std::size_t pads = library.pad_count(hint.package);
    std::vector<std::string> notes;
    if (libraries_.size() > 1)
        notes.push_back(libraries_[hint.library].name);
    if (hint.why && hint.kind != PartKind::none)
        notes.emplace_back(kind_name(hint.kind));
    if (!hint.fits || hint.default_pads || (pins_used != 0 && pads != pins_used)) {
        if (pads > few_pads || pads == 0) {
            notes.push_back(pads == 0 ? "no pads" : std::to_string(pads) + " pads");
        } else {
            std::string names = "pads ";
            for (std::size_t p = 0; p < pads; ++p)
                names += (p == 0 ? "" : ", ") + quoted(library.pad_names(hint.package)[p]);
            notes.push_back(names);
        }
    } else if (hint.why) {
        notes.push_back(std::to_string(pads) + (pads == 1 ? " pad" : " pads"));
    }
    std::string text = quoted(name(hint));
    for (std::size_t n = 0; n < notes.size(); ++n)
        text += (n == 0 ? " (" : ", ") + notes[n];
    return notes.empty() ? text : text + ")";
}

std::string PackageHints::flaw(const PackageHint& hint, const std::vector<std::string>& pins,
                               PartKind kind) const
{
    if (hint.reading == ReadingMatch::other)
        return "names another package";
    if (hint.kind_rank == 2)
        return "is of another kind (" + std::string(kind_name(hint.kind)) + ")";
    const auto& library = libraries_[hint.library].library;
    const std::string own = " a package of the part's kind (" + std::string(kind_name(kind)) + ")";
    if (hint.yields == PackageHint::Yields::to_kind)
        return "is of no stated kind where" + own + " reads the same";
    if (hint.yields == PackageHint::Yields::to_two_pads)
        return "has " + std::to_string(library.pad_count(hint.package)) + " pads where" + own +
               " has 2";
    std::vector<std::string_view> lacking;
    for (const auto& pin : pins)
        if (library.find_pad(hint.package, pin) == EagleLibrary::none &&
            library.find_pad(hint.package, default_pad_name(pin)) == EagleLibrary::none)
            lacking.push_back(pin);
    std::string text = lacking.size() == 1 ? "lacks pad " : "lacks pads ";
    for (std::size_t p = 0; p < lacking.size() && p < listed_pads; ++p)
        text += (p == 0 ? "" : ", ") + quoted(lacking[p]);
    if (lacking.size() > listed_pads)
        text += " and " + std::to_string(lacking.size() - listed_pads) + " more";
    return text;
}

std::string pad_list(const EagleLibrary& library, std::size_t package)
{
    const auto& pads = library.pad_names(package);
    if (pads.empty())
        return "it has no pads";
    std::string list = "its pads: ";
    for (std::size_t p = 0; p < pads.size() && p < listed_pads; ++p)
        list += (p == 0 ? "" : ", ") + quoted(pads[p]);
    if (pads.size() > listed_pads)
        list += " and " + std::to_string(pads.size() - listed_pads) + " more";
    return list;
}

}  // namespace malvor
