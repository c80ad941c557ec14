#pragma once
// A synthetic EAGLE library in the XML form of EAGLE 6 and later, of roughly the size of the
// largest public libraries: `packages` packages, each with drawing elements and a mix of pads
// and smds. The first packages are those of the netlist generator, with pads "1" to "14"; with
// a `suffix`, their names end in it, as another maker's library would spell them.

#include <cstddef>
#include <string>

namespace malvor::bench {

std::string generate_library(std::size_t packages = 600, const std::string& suffix = "");

}  // namespace malvor::bench
