// The hints for a footprint no library holds: the packages footprint names read as and the
// kinds of packages. Fixture: general.lbr.
#include "package_hints.h"
#include "command_run.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

using namespace testing_support;

// The first hint for footprint names as four kinds of schematic programs write them, for the
// part at hand, and whether a map row may name it. The old ranking (two edits at most) gave
// sm0805 a MELF, DIP28 a DIL08, DO35 a DO13M, and the KiCad names nothing.
TEST(PackageHints, NamesReadAsPackagesAreNamed)
{
    NamedLibrary general{
        "general", read_eagle_library(read_bytes(MALVOR_TEST_DATA "/general.lbr")).library};
    NamedLibrary passives{
        "passives", read_eagle_library(read_bytes(MALVOR_TEST_DATA "/passives.lbr")).library};
    NamedLibrary semis{
        "semis", read_eagle_library(read_bytes(MALVOR_TEST_DATA "/semis.lbr")).library};
    ASSERT_EQ(general.library.package_count(), 59u);
    const std::vector<NamedLibrary> one{general}, others{passives, semis};
    struct Case {
        const char* footprint;
        const char* component;
        const char* value;
        std::vector<std::string> pins;
        const char* first;  // "": no hint
        bool row;
        bool general = true;  // else passives and semis
    };
    const std::vector<std::string> two = {"1", "2"}, ac = {"a", "c"}, three = {"1", "2", "3"};
    auto pins = [](int count) {
        std::vector<std::string> numbers;
        for (int p = 1; p <= count; ++p)
            numbers.push_back(std::to_string(p));
        return numbers;
    };
    const Case cases[] = {
        // clang-format off
        // gEDA
        {"sm0805", "C1", "100n", two, "C0805", true},
        {"sm0805", "R1", "10k", two, "R0805", true},
        {"sm1206", "C2", "4.7u", two, "C1206", true},
        {"sm1206", "R2", "4R7", two, "R1206", true},
        {"sm0805", "L1", "10uH", two, "L0805", true},
        {"sm1210", "C3", "22u", two, "C1210", true},
        {"sm2512", "R3", "0R1", two, "R2512", true},
        {"sm0805", "E1", "22p", two, "C0805", true},   // the value says capacitor
        {"sm1206", "E2", "1M", two, "R1206", true},    // and resistor
        {"DIP28", "U1", "", pins(28), "DIL28", true},
        {"DIP16", "U2", "", pins(16), "DIL16", true},
        {"SO14", "U3", "", pins(14), "SO14", true},
        {"SO16W", "U4", "", pins(16), "SO16W", true},
        {"TO220", "Q1", "", three, "TO220", true},
        {"DO35", "D1", "1N4148", ac, "DO35-10", true},
        {"DO35", "D2", "1N4148", two, "DO35-10", false},  // pads A and C
        // KiCad
        {"C_0603_1608Metric", "C4", "", two, "C0603", true},
        {"C_0402_1005Metric", "C5", "", two, "C0402", true},
        {"R_0805_2012Metric", "R4", "", two, "R0805", true},
        {"R_1206_3216Metric", "R5", "", two, "R1206", true},
        {"SOIC-8_3.9x4.9mm_P1.27mm", "U5", "", pins(8), "SO08", true},
        {"SOIC-16W_7.5x10.3mm_P1.27mm", "U6", "", pins(16), "SO16W", true},
        {"DIP-14_W7.62mm", "U7", "", pins(14), "DIL14", true},
        {"DIP-8_W7.62mm", "U8", "", pins(8), "DIL08", true},
        {"TQFP-32_7x7mm_P0.8mm", "U9", "", pins(32), "TQFP32-08", true},
        {"TQFP-44_10x10mm_P0.8mm", "U10", "", pins(44), "TQFP44", true},
        {"QFN-20-1EP_4x4mm_P0.5mm", "U11", "", pins(21), "QFN20", true},
        {"SOT-23-5", "U12", "", pins(5), "SOT23-5", true},
        {"SOT-23", "Q2", "", three, "SOT23", true},
        {"TO-92_Inline", "Q3", "", three, "TO92", true},
        {"LED_0805", "D3", "", ac, "CHIPLED_0805", true},
        {"LED_1206_3216Metric", "D4", "", two, "CHIPLED_1206", false},
        {"PinHeader_1x04_P2.54mm_Vertical", "J1", "", pins(4), "1X04", true},
        {"PinHeader_2x20_P2.54mm_Vertical", "J2", "", pins(40), "2X20", true},
        {"DO-41", "D5", "", ac, "DO41-10", true},
        {"D_SOD-123", "D6", "", ac, "SOD123", true},
        // Protel and OrCAD
        {"RES0603", "R6", "1k", two, "R0603", true},
        {"CAP1206", "C6", "", two, "C1206", true},
        {"SM/C_1206", "C7", "", two, "C1206", true},
        {"DIP-16", "U13", "", pins(16), "DIL16", true},
        {"SO-14", "U14", "", pins(14), "SO14", true},
        {"TO-220", "Q4", "", three, "TO220", true},
        {"CONN_2X20", "J3", "", pins(40), "2X20", true},
        {"HDR1X2", "J4", "", two, "1X02", true},
        // EAGLE
        {"DIL8", "U15", "", pins(8), "DIL08", true},
        {"SO-08", "U16", "", pins(8), "SO08", true},
        {"SOT-23-6", "U17", "", pins(6), "SOT23-6", true},
        {"CHIP-LED0603", "LED1", "", ac, "CHIPLED_0603", true},
        {"LED-5MM", "LED2", "", ac, "LED5MM", true},
        {"0805", "C8", "", two, "C0805", true},
        {"1206", "R7", "", two, "R1206", true},
        {"DPAK", "Q5", "", three, "TO252", true},
        {"1X4", "J5", "", pins(4), "1X04", true},
        {"CAP2012", "C9", "", two, "C0805", true},      // a metric code
        {"CAP1608", "C11", "", two, "C0603", true},     // and another
        {"TO-92", "Q6", "", {"b", "c", "e"}, "TO92-EBC", true},  // fits, though farther
        {"SOT-23-5_HandSoldering", "U20", "", three, "SOT23-5", true},  // 3 of 5 pins used
        {"sm2010", "C10", "", two, "2010-C", true},     // kinds from the descriptions
        {"sm2010", "R10", "", two, "2010", true},
        // Nothing to name: another pin count, another kind, no reading and no close name.
        {"DIP28", "U18", "", pins(28), "DIP08", false, false},
        {"sm0603", "R8", "", two, "C0603", false, false},
        {"DIL-20", "U19", "", pins(20), "DIL28", false},  // holds the pins, but is no DIL20
        {"AXIAL0.4", "R9", "", two, "", false},
        // clang-format on
    };
    // A kind said only by the description, shown where it decided.
    PackageHints described(one);
    EXPECT_EQ(described.text(described.ranked("sm2010", two, PartKind::capacitor).front(), 2),
              "'2010-C' (capacitor, 2 pads)");
    for (const auto& c : cases) {
        PackageHints hints(c.general ? one : others);
        const auto kind = kind_of_component(c.component, c.value, c.footprint);
        const auto found = hints.ranked(c.footprint, c.pins, kind);
        EXPECT_EQ(found.empty() ? "" : hints.name(found.front()), c.first)
            << c.footprint << " " << c.component;
        if (!found.empty()) {
            EXPECT_EQ(found.front().usable(), c.row) << c.footprint << " " << c.component;
        }
    }
}

TEST(PackageHints, KindsFromDescriptions)
{
    const std::pair<const char*, PartKind> cases[] = {
        {"<b>RESISTOR</b> MELF 0207", PartKind::melf},
        {"Capacitor, ceramic; not a resistor", PartKind::capacitor},
        {"Chip resistor", PartKind::resistor},
        {"<b>LED</b>, light emitting diode", PartKind::led},
        {"Schottky DIODE", PartKind::diode},
        {"Power inductors", PartKind::inductor},
        {"Soldered leads", PartKind::none},
        {"", PartKind::none},
    };
    for (const auto& [description, kind] : cases)
        EXPECT_EQ(kind_of_description(description), kind) << description;
}

}  // namespace
}  // namespace malvor
