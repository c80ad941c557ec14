#pragma once
// Synthetic Tango netlists for measuring the converter: N components in eight-line blocks,
// 0.6 N nets of 2 to 9 nodes, and one ground net holding two pins of every component.

#include <cstddef>
#include <string>

namespace malvor::bench {

// Whether the random nets may take a pin that is already in a net, as no real netlist does;
// then checking the netlist reports a problem for every such node.
enum class PinReuse { never, random };

std::string generate_netlist(std::size_t components, unsigned seed = 1,
                             PinReuse reuse = PinReuse::never);

// One net of `nodes` nodes and nothing else: the shape that a dense node matrix would make
// cost nodes x nodes.
std::string generate_single_net(std::size_t nodes);

}  // namespace malvor::bench
