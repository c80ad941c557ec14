#include "package_hints.h"

#include "close_names.h"
#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <tuple>

namespace malvor {
namespace {

constexpr std::size_t few_pads = 4;
constexpr std::size_t listed_pads = 12;

}  // namespace

std::vector<PackageHint> PackageHints::ranked(std::string_view wanted,
                                              const std::vector<std::string>& pins,
                                              std::size_t at_most)
{
    auto [cached, added] = close_.try_emplace(lower_ascii(wanted));
    if (added) {
        for (std::size_t l = 0; l < libraries_.size(); ++l)
            for (auto close : close_names(wanted, libraries_[l].library.package_names()))
                cached->second.push_back({l, close.index, close.distance});
    }
    auto hints = cached->second;
    for (auto& hint : hints) {
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
        return std::make_tuple(hint.distance, !hint.fits,
                               libraries_[hint.library].library.pad_count(hint.package),
                               std::string_view(name(hint)), hint.library);
    };
    std::sort(hints.begin(), hints.end(),
              [&](const PackageHint& a, const PackageHint& b) { return key(a) < key(b); });
    if (hints.size() > at_most)
        hints.resize(at_most);
    return hints;
}

std::string PackageHints::text(const PackageHint& hint, std::size_t pins_used) const
{
    const auto& library = libraries_[hint.library].library;
    const std::size_t pads = library.pad_count(hint.package);
    std::string notes = libraries_.size() > 1 ? libraries_[hint.library].name : std::string();
    if (!hint.fits || hint.default_pads || (pins_used != 0 && pads != pins_used)) {
        if (!notes.empty())
            notes += ", ";
        if (pads > few_pads) {
            notes += std::to_string(pads) + " pads";
        } else {
            notes += pads == 0 ? "no pads" : "pads ";
            for (std::size_t p = 0; p < pads; ++p)
                notes += (p == 0 ? "" : ", ") + quoted(library.pad_names(hint.package)[p]);
        }
    }
    return quoted(name(hint)) + (notes.empty() ? "" : " (" + notes + ")");
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
