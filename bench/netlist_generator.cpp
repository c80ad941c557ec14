#include "netlist_generator.h"

#include <cstdint>
#include <random>
#include <vector>

namespace malvor::bench {
namespace {

const char* const packages[] = {"R0805", "C0805", "SOT23", "SO8", "DIP14", "TO220", "LED3MM"};
const char* const values[] = {"10k", "100n", "BC847", "LM358", "74HC00", "7805", "RED", "4u7"};

}  // namespace

std::string generate_netlist(std::size_t components, unsigned seed, PinReuse reuse)
{
    std::mt19937 random(seed);
    std::string text;
    text.reserve(components * 95);
    for (std::size_t k = 1; k <= components; ++k) {
        text += "[\r\nU";
        text += std::to_string(k);
        text += "\r\n";
        text += packages[random() % std::size(packages)];
        text += "\r\n";
        text += values[random() % std::size(values)];
        text += "\r\n\r\n\r\n\r\n]\r\n";
    }
    std::uniform_int_distribution<std::size_t> component(1, components == 0 ? 1 : components);
    std::uniform_int_distribution<int> node_count(2, 9);
    std::uniform_int_distribution<int> pin(1, 14);
    const std::size_t nets = components * 6 / 10;
    // Pins taken so far, a bit per pin 1 to 14 of each component; 7 and 8 are the ground net's.
    constexpr std::uint16_t ground_pins = (1u << 7) | (1u << 8);
    std::vector<std::uint16_t> taken(components + 1, ground_pins);
    for (std::size_t i = 1; i <= nets; ++i) {
        text += "(\r\n";
        // Every third net carries a long name, which the reader replaces.
        text += (i % 3 == 0) ? "SIGNAL_LINE_" : "N";
        text += std::to_string(i);
        text += "\r\n";
        for (int j = node_count(random); j > 0; --j) {
            std::size_t k = component(random);
            int p = pin(random);
            // Not a third of the free pins get taken, so a free one turns up soon.
            while (reuse == PinReuse::never && (taken[k] >> p & 1) != 0) {
                k = component(random);
                p = pin(random);
            }
            taken[k] |= static_cast<std::uint16_t>(1u << p);
            text += 'U';
            text += std::to_string(k);
            text += ',';
            text += std::to_string(p);
            text += "\r\n";
        }
        text += ")\r\n";
    }
    if (components > 0) {
        text += "(\r\nGND\r\n";
        for (std::size_t k = 1; k <= components; ++k) {
            for (int p = 7; p <= 8; ++p) {
                text += 'U';
                text += std::to_string(k);
                text += ',';
                text += std::to_string(p);
                text += "\r\n";
            }
        }
        text += ")\r\n";
    }
    return text;
}

std::string generate_single_net(std::size_t nodes)
{
    std::string text = "(\r\nGND\r\n";
    for (std::size_t j = 1; j <= nodes; ++j)
        text.append("U").append(std::to_string(j)).append(",1\r\n");
    return text + ")\r\n";
}

}  // namespace malvor::bench
