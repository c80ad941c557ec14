#include "placement_habits.h"

#include "package_name_reading.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace malvor {
namespace {

std::string upper(std::string_view text)
{
    std::string result(text);
    for (auto& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// The name's letters are `prefix` and a digit follows.
bool named(std::string_view name, std::string_view prefix)
{
    const auto text = upper(name);
    return text.size() > prefix.size() && text.starts_with(prefix) &&
           std::isdigit(static_cast<unsigned char>(text[prefix.size()]));
}

bool ic_named(std::string_view name)
{
    return named(name, "U") || named(name, "IC");
}

}  // namespace

PartRole part_role(const PartFacts& part)
{
    if (!part.drawn)
        return PartRole::empty;
    if (!part.connected)
        return PartRole::hole;
    for (auto prefix : {"J", "P", "X", "CN", "CON"})
        if (named(part.name, prefix))
            return PartRole::connector;
    const auto reading = read_package_name(part.package);
    // Headers of one or two pins are jumpers and test points, which stand where they serve.
    if (reading.kind == PartKind::connector ||
        (reading.family == "header" && (reading.pins == 0 || reading.pins > 2)))
        return PartRole::connector;
    const auto package = upper(part.package);
    if (reading.family == "header")
        return PartRole::ordinary;
    for (auto word :
         {"HEADER", "CONN", "TERMINAL", "USB", "JACK", "AUDIO", "BARREL", "DC-IN", "DCIN"})
        if (package.find(word) != std::string::npos)
            return PartRole::connector;
    return PartRole::ordinary;
}

bool ground_net(std::string_view name)
{
    const auto text = upper(name);
    return text.find("GND") != std::string::npos || text == "VSS" || text == "VSSA" ||
           text == "0V" || text == "GROUND";
}

std::vector<PartHabits::Decoupling> decoupling_capacitors(
    const PartNets& nets, const std::vector<std::string_view>& net_names,
    const std::vector<std::string_view>& part_names, const std::vector<std::uint32_t>& pad_counts)
{
    const std::size_t count = part_names.size();
    // Each capacitor's entries: on a ground net, on another.
    std::vector<std::uint32_t> ground(count, 0), other_net(count, UINT32_MAX), others(count, 0);
    for (std::uint32_t net = 0; net + 1 < nets.starts.size(); ++net) {
        const bool is_ground = net < net_names.size() && ground_net(net_names[net]);
        for (auto at = nets.starts[net]; at < nets.starts[net + 1]; ++at) {
            const auto p = nets.parts[at];
            if (is_ground) {
                ++ground[p];
            } else {
                ++others[p];
                other_net[p] = net;
            }
        }
    }
    auto is_ic = [&](std::uint32_t p) { return ic_named(part_names[p]) || pad_counts[p] >= 8; };
    std::vector<PartHabits::Decoupling> found;
    for (std::uint32_t c = 0; c < count; ++c) {
        if (!named(part_names[c], "C") || pad_counts[c] != 2 || ground[c] != 1 || others[c] != 1)
            continue;
        const auto net = other_net[c];
        for (auto at = nets.starts[net]; at < nets.starts[net + 1]; ++at) {
            if (is_ic(nets.parts[at])) {
                found.push_back({c, at});
                break;
            }
        }
    }
    return found;
}

}  // namespace malvor
