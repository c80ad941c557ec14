#include "package_hints.h"

#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <tuple>

namespace malvor {
namespace {

constexpr std::size_t few_pads = 4;
constexpr std::size_t listed_pads = 12;
constexpr std::size_t not_close = 3;

}  // namespace

PackageHints::PackageHints(const std::vector<NamedLibrary>& libraries) : libraries_(libraries)
{
    known_.resize(libraries.size());
}

std::vector<PackageHint> PackageHints::ranked(std::string_view wanted,
                                              const std::vector<std::string>& pins, PartKind kind,
                                              std::size_t at_most)
{
    auto [cached, added] = found_.try_emplace(lower_ascii(wanted));
    if (added) {
        const NameForms forms(wanted);
        const auto reading = read_package_name(wanted);
        for (std::size_t l = 0; l < libraries_.size(); ++l) {
            const auto& library = libraries_[l].library;
            auto& known = known_[l];
            if (known.empty()) {
                for (std::size_t p = 0; p < library.package_count(); ++p) {
                    const auto& name = library.package_names()[p];
                    const auto package = read_package_name(name);
                    known.push_back({package,
                                     package.kind != PartKind::none
                                         ? package.kind
                                         : kind_of_description(library.description(p)),
                                     library.pad_count(p), NameForms(name)});
                }
            }
            for (std::size_t p = 0; p < known.size(); ++p) {
                const auto match = compare_readings(reading, known[p].reading, known[p].pads);
                const auto distance = close_distance(forms, known[p].forms);
                if (match == ReadingMatch::same || distance < not_close)
                    cached->second.push_back({l, p, distance, match, known[p].kind});
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
                               known_[hint.library][hint.package].pads, hint.library, hint.package);
    };
    const auto kept = std::min(at_most, hints.size());
    std::partial_sort(hints.begin(), hints.begin() + static_cast<std::ptrdiff_t>(kept), hints.end(),
                      [&](const PackageHint& a, const PackageHint& b) { return key(a) < key(b); });
    hints.resize(kept);
    if (!hints.empty())
        hints.front().why = hints.front().distance > closest || closest == not_close;
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
