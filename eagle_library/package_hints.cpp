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

const PackageHints::Index& PackageHints::index(std::size_t l)
{
    auto& index = indexes_[l];
    const auto& library = libraries_[l].library;
    if (!index.known.empty() || library.package_count() == 0)
        return index;
    for (std::uint32_t p = 0; p < library.package_count(); ++p) {
        const auto& name = library.package_names()[p];
        const auto reading = read_package_name(name);
        NameForms forms(name);
        const auto kind = reading.kind != PartKind::none
                              ? reading.kind
                              : kind_of_description(library.description(p));
        index.known.push_back({reading, kind, library.pad_count(p), forms, counts(forms.lower),
                               characters(forms.lower)});
        if (!reading.family.empty())
            index.by_family[reading.family].push_back(p);
        index.by_plain[forms.plain].push_back(p);
        index.by_length.push_back(p);
    }
    std::stable_sort(index.by_length.begin(), index.by_length.end(), [&](auto a, auto b) {
        return index.known[a].forms.lower.size() < index.known[b].forms.lower.size();
    });
    return index;
}

std::vector<PackageHint> PackageHints::ranked(std::string_view wanted,
                                              const std::vector<std::string>& pins, PartKind kind,
                                              std::size_t at_most)
{
    auto [cached, added] = found_.try_emplace(lower_ascii(wanted));
    if (added) {
        const NameForms forms(wanted);
        const auto reading = read_package_name(wanted);
        const auto wanted_counts = counts(forms.lower);
        const auto wanted_characters = characters(forms.lower);
        const auto size = forms.lower.size();
        std::vector<std::uint32_t> looked_at;
        for (std::size_t l = 0; l < libraries_.size(); ++l) {
            const auto& index = this->index(l);
            // Within two edits: the lengths, the characters present and the counts of each
            // differ little (an edit changes two counts by one at most).
            auto near = [&](const Known& known) {
                if (known.forms.lower.size() + 2 < size || known.forms.lower.size() > size + 2 ||
                    std::popcount(known.characters ^ wanted_characters) > 4)
                    return false;
                int apart = 0;
                for (std::size_t c = 0; c < known.counts.size(); ++c)
                    apart += std::abs(int{known.counts[c]} - int{wanted_counts[c]});
                return apart <= 4;
            };
            looked_at.clear();
            if (auto same = index.by_family.find(reading.family); same != index.by_family.end())
                looked_at = same->second;
            if (auto equal = index.by_plain.find(forms.plain);
                !forms.plain.empty() && equal != index.by_plain.end())
                looked_at.insert(looked_at.end(), equal->second.begin(), equal->second.end());
            auto from = std::lower_bound(index.by_length.begin(), index.by_length.end(),
                                         size - std::min<std::size_t>(size, 2),
                                         [&](std::uint32_t p, std::size_t than) {
                                             return index.known[p].forms.lower.size() < than;
                                         });
            for (;
                 from != index.by_length.end() && index.known[*from].forms.lower.size() <= size + 2;
                 ++from)
                if (near(index.known[*from]))
                    looked_at.push_back(*from);
            std::sort(looked_at.begin(), looked_at.end());
            looked_at.erase(std::unique(looked_at.begin(), looked_at.end()), looked_at.end());
            for (auto p : looked_at) {
                const auto& known = index.known[p];
                const auto match = compare_readings(reading, known.reading, known.pads);
                const bool equal = !forms.plain.empty() && known.forms.plain == forms.plain;
                const auto distance = equal || near(known) ? close_distance(forms, known.forms)
                                                           : not_close;
                if (match == ReadingMatch::same || distance < not_close)
                    cached->second.push_back({l, p, distance, match, known.kind});
            }
        }
    }
    auto hints = cached->second;
    std::size_t closest = not_close;
    for (auto& hint : hints) {
        closest = std::min(closest, hint.distance);
        hint.kind_rank = hint.kind == PartKind::none || kind == PartKind::none ? 1
                         : hint.kind == kind                                   ? 0
                                                                               : 2;
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
    }
    auto key = [&](const PackageHint& hint) {
        return std::make_tuple(!hint.usable(), hint.kind_rank, hint.reading, hint.distance,
                               indexes_[hint.library].known[hint.package].pads, hint.library,
                               hint.package);
    };
    const auto kept = std::min(at_most, hints.size());
    std::partial_sort(hints.begin(), hints.begin() + static_cast<std::ptrdiff_t>(kept), hints.end(),
                      [&](const PackageHint& a, const PackageHint& b) { return key(a) < key(b); });
    hints.resize(kept);
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

std::string PackageHints::flaw(const PackageHint& hint, const std::vector<std::string>& pins) const
{
    if (hint.reading == ReadingMatch::other)
        return "names another package";
    if (hint.kind_rank == 2)
        return "is of another kind (" + std::string(kind_name(hint.kind)) + ")";
    const auto& library = libraries_[hint.library].library;
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
