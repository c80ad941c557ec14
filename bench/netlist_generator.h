#pragma once
// Synthetic Tango netlists for measuring the converter: N components in eight-line blocks,
// 0.6 N nets of 2 to 9 nodes, and one ground net holding two pins of every component.

#include <cstddef>
#include <string>

namespace malvor::bench {

std::string generate_netlist(std::size_t components, unsigned seed = 1);

}  // namespace malvor::bench
