#pragma once
// Which parts a designer treats apart: connectors, mounting holes, empty packages and the
// capacitors that decouple an IC's supply, read from names and nets as the placement needs them.

#include "placement.h"

#include <string_view>
#include <vector>

namespace malvor {

struct PartFacts {
    std::string_view name;     // the component's, as "J3"
    std::string_view package;  // its package's
    bool drawn = true;         // the package draws or holds anything
    bool connected = true;     // some pad is on a net
};

// A connector by its name (J, P, X, CN, CON and a digit) or its package (a header, a
// connector, a terminal block, a USB, audio or DC jack; headers of one or two pins are jumpers
// and test points); a mounting hole where nothing of it is connected (only holes, or pads on no
// net); empty where nothing is drawn.
PartRole part_role(const PartFacts& part);

// GND, AGND, VSS, 0V...
bool ground_net(std::string_view name);

// The two-pad capacitors (C and a number) with one pad on a ground net and the other on a net
// that an IC (U or IC and a number, or a part of eight pads or more) has a pin on: each with
// that pin, the first IC's on the net.
std::vector<PartHabits::Decoupling> decoupling_capacitors(
    const PartNets& nets, const std::vector<std::string_view>& net_names,
    const std::vector<std::string_view>& part_names, const std::vector<std::uint32_t>& pad_counts);

}  // namespace malvor
