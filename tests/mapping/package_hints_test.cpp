// The hints for a footprint no library holds: the packages footprint names read as, the kinds
// of parts and packages, the LED and diode rules, and the ranking's order, most with small
// libraries written here whose names would mislead a choice by edit distance alone. Fixture:
// general.lbr.
#include "package_hints.h"
#include "command_run.h"
#include "suggested_map.h"
#include "tango_reader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace malvor {
namespace {

using namespace testing_support;

// Libraries "first", "second"... holding the packages given in order, each as "NAME PAD..."
// with its description after a '|'.
std::vector<NamedLibrary> libraries_of(const std::vector<std::vector<std::string>>& packages)
{
    const char* names[] = {"first", "second", "third"};
    std::vector<NamedLibrary> libraries;
    for (std::size_t l = 0; l < packages.size(); ++l) {
        libraries.push_back({names[l], {}});
        for (const auto& package : packages[l]) {
            const auto bar = package.find('|');
            std::istringstream words(package.substr(0, bar));
            std::string name, pad;
            words >> name;
            libraries.back().library.start_package(
                name, bar == std::string::npos ? "" : package.substr(bar + 1));
            while (words >> pad)
                libraries.back().library.add_pad(pad);
        }
    }
    return libraries;
}

std::vector<std::string> numbered(int count)
{
    std::vector<std::string> numbers;
    for (int p = 1; p <= count; ++p)
        numbers.push_back(std::to_string(p));
    return numbers;
}

std::string pads(int count)
{
    std::string text;
    for (const auto& number : numbered(count))
        text += ' ' + number;
    return text;
}

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

// Names are read whole: a prefix of another kind's letters says nothing.
TEST(PackageHints, KindsOfComponents)
{
    struct Case {
        const char* name;
        const char* value;
        const char* footprint;
        PartKind kind;
    };
    const Case cases[] = {
        {"LED1", "", "sm0805", PartKind::led},
        {"FB1", "", "sm0805", PartKind::ferrite},
        {"CN1", "", "HDR1X2", PartKind::connector},
        {"XTAL1", "", "HC49", PartKind::crystal},
        {"SW2", "", "", PartKind::switch_},
        {"IC3", "", "", PartKind::ic},
        {"D1", "", "", PartKind::diode},
        {"D1", "", "LED_D5.0mm", PartKind::led},  // the footprint's word first
        {"D2", "", "LED_0805_2012Metric", PartKind::led},
        {"LD1", "", "", PartKind::none},  // no kind's letters, whole
        {"E1", "", "sm0805", PartKind::none},
        {"E2", "10uH", "", PartKind::inductor},
        {"E3", "4.7\xC2\xB5", "", PartKind::capacitor},
        {"E4", "4k7", "", PartKind::resistor},
        {"E5", "BAT54", "", PartKind::none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kind_of_component(c.name, c.value, c.footprint), c.kind)
            << c.name << " " << c.value << " " << c.footprint;
}

// Libraries as public ones hold LEDs: through-hole and chip LEDs with pads "A" and "K" or "C",
// an RGB LED of four pads, generic two-pad chip packages of no kind; and a dual diode.
TEST(PackageHints, LedsGetLedPackages)
{
    const auto libraries = libraries_of({
        {"LED3MM A K|<b>LED</b> 3 mm", "LED5MM-RGB 1 2 3 4|RGB LED", "LED5MM A K|<b>LED</b> 5 mm",
         "LED8MM-RGB 1 2 3 4|RGB LED", "CHIPLED_0805 A C", "CHIPLED_1206 A C",
         "SOD323-3 1 2 3|Dual diode", "SOD323 A C|Schottky diode", "SOD123 A C|Switching diode"},
        {"0402 1 2", "0603 1 2", "0805 1 2", "1206 1 2", "LED_0603 1 2", "SOD-123 1 2",
         "LED10MM-RGB 1 2 3 4|RGB LED", "L10 1 2", "LED3 A K"},
    });
    struct Case {
        const char* footprint;
        const char* component;
        std::vector<std::string> pins;
        const char* first;
        bool row;
    };
    const std::vector<std::string> two = numbered(2);
    const Case cases[] = {
        // clang-format off
        {"LED5", "LED1", two, "LED5MM", false},            // not the RGB LED, though it fits
        {"LED5", "LED2", {"a", "k"}, "LED5MM", true},
        {"LED5", "LED3", numbered(4), "LED5MM-RGB", true},  // an RGB LED uses four
        {"LED8", "LED4", two, "LED8MM-RGB", true},          // LED3 is close, but 3 mm
        {"LED_D5.0mm", "D1", two, "LED5MM", false},
        {"LED_D3.0mm", "D2", two, "LED3MM", false},
        {"LED_0805_2012Metric", "D3", two, "CHIPLED_0805", false},  // not the generic 0805
        {"sm0805", "LED5", two, "CHIPLED_0805", false},
        {"CHIP-LED1206", "LED6", two, "CHIPLED_1206", false},
        {"sm0603", "LED7", two, "LED_0603", true},
        {"sm0402", "LED8", two, "0402", true},             // no LED of its size
        {"LED10", "LED9", two, "LED10MM-RGB", true},        // nor a two-pad one
        {"sm0805", "C1", two, "0805", true},               // a capacitor has no polarity
        {"SOD-323", "D4", two, "SOD323", false},           // not the dual diode
        {"SOD-323", "D5", numbered(3), "SOD323-3", true},
        {"D_SOD-123", "D6", two, "SOD123", false},         // not the generic SOD-123
        // clang-format on
    };
    for (const auto& c : cases) {
        PackageHints hints(libraries);
        const auto found = hints.ranked(
            c.footprint, c.pins, kind_of_component(c.component, "", c.footprint));
        ASSERT_FALSE(found.empty()) << c.footprint << " " << c.component;
        EXPECT_EQ(hints.name(found.front()), c.first) << c.footprint << " " << c.component;
        EXPECT_EQ(found.front().usable(), c.row) << c.footprint << " " << c.component;
    }
}

// The ranking's order, one step of its key at a time.
TEST(PackageHints, TheDocumentedOrder)
{
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> libraries;
        const char* footprint;
        const char* component;
        std::vector<std::string> pins;
        const char* first;  // "LIBRARY/PACKAGE"
        bool row;
    };
    const std::vector<std::string> ac = {"a", "c"};
    const Case cases[] = {
        // clang-format off
        {"kind before reading", {{"DO41-10 A C", "D041 A C|Rectifier diode"}}, "DO41", "D1", ac, "first/D041", true},
        {"kind before reading and distance", {{"DO35 A C", "D0-35 A C|Small signal diode"}}, "DO-35", "D2", ac, "first/D0-35", true},
        {"no kind stated: a usable first hint", {{"C0805 1 2", "R0805 1 2"}}, "sm0805", "E1", numbered(2), "first/C0805", true},
        {"none stated before another kind", {{"C0805 1 2", "0805 1 2"}}, "sm0805", "R1", numbered(2), "first/0805", true},
        {"own kind before none stated", {{"0805 1 2", "R0805 1 2"}}, "sm0805", "R2", numbered(2), "first/R0805", true},
        {"reading before distance", {{"S0-8 1 2", "SOIC-8-N 1 2"}}, "SO-8", "U1", numbered(2), "first/SOIC-8-N", true},
        {"distance before pad count", {{"QFN20-4X4" + pads(20), "QFN20" + pads(21)}}, "QFN-20", "U2", numbered(20), "first/QFN20", true},
        {"pad count before library order", {{"SO-8" + pads(9)}, {"SO_8" + pads(8)}}, "SO8", "U3", numbered(8), "second/SO_8", true},
        {"library order before name order", {{"A1 1", "A2 1", "SO_8" + pads(8)}, {"SO-8" + pads(8)}}, "SO8", "U4", numbered(8), "first/SO_8", true},
        {"a row may name it before all", {{"SOIC8 A B", "SO08" + pads(8)}}, "SOIC-8", "U5", numbered(8), "first/SO08", true},
        // clang-format on
    };
    for (const auto& c : cases) {
        const auto libraries = libraries_of(c.libraries);
        PackageHints hints(libraries);
        const auto found = hints.ranked(
            c.footprint, c.pins, kind_of_component(c.component, "", c.footprint));
        ASSERT_FALSE(found.empty()) << c.what;
        EXPECT_EQ(libraries[found.front().library].name + "/" + hints.name(found.front()), c.first)
            << c.what;
        EXPECT_EQ(found.front().usable(), c.row) << c.what;
    }
}

// The rows as the suggested map writes them: LEDs commented with the reason, and a "P$N"
// rename only for the pins the package lacks as they are.
TEST(PackageHints, SuggestedRowsForLedsAndRenames)
{
    const auto libraries = libraries_of({
        {"LED5MM-RGB 1 2 3 4|RGB LED", "LED5MM A K|<b>LED</b> 5 mm", "CHIPLED_0805 A C",
         "0805 1 2"},
        {"TO92 1 P$1 P$2 P$3"},
    });
    auto part = [](const char* name, const char* footprint) {
        return std::string("[\r\n") + name + "\r\n" + footprint + "\r\nV\r\n\r\n\r\n\r\n]\r\n";
    };
    const auto tables = read_tango(
        part("LED1", "sm0805") + part("LED2", "LED5-RGB") + part("Q1", "TO-92") +
        "(\r\nA\r\nLED1-1\r\nLED2-1\r\nQ1-1\r\n)\r\n(\r\nB\r\nLED1-2\r\nLED2-2\r\nQ1-2\r\n"
        "Q1-3\r\n)\r\n");
    const std::vector<MapRow> rows;
    const PackageChoices choices(tables, libraries, rows);
    EXPECT_EQ(suggested_map(tables, choices),
              "footprint,package,library,pins\n"
              "# 'sm0805': none fits; 'CHIPLED_0805' (first, LED, pads 'A', 'C') lacks pads '1', "
              "'2'; other candidates: '0805' (first)\n#sm0805,CHIPLED_0805,first,\n"
              "# 'LED5-RGB': none fits; 'LED5MM-RGB' (first, LED, pads '1', '2', '3', '4') has 4 "
              "pads where a package of the part's kind (LED) has 2; other candidates: 'LED5MM' "
              "(first, pads 'A', 'K')\n#LED5-RGB,LED5MM-RGB,first,\n"
              "# 'TO-92': 'TO92' (second, pads '1', 'P$1', 'P$2', 'P$3'); no other candidates\n"
              "TO-92,TO92,second,2=P$2 3=P$3\n");
}

}  // namespace
}  // namespace malvor
