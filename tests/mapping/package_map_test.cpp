// The package map and several libraries: the map's syntax and its errors, which row decides,
// library order, pin renames and quoting in the script, the check without a library, a
// suggested map taken as it is by the next run, and the package names close to one that is
// missing. Fixtures: passives.lbr, semis.lbr and general.lbr.
#include "package_map.h"
#include "close_names.h"
#include "command_run.h"

#include <gtest/gtest.h>

#include <sstream>

namespace malvor {
namespace {

using namespace testing_support;

TEST(PackageMap, SyntaxAndEveryErrorAtItsLine)
{
    struct Case {
        const char* what;
        std::string map;
        std::string errors;  // "LINE: message" lines
        std::size_t rows;
    };
    const std::string known = " (known: component, footprint, value, package, library, pins)";
    const Case cases[] = {
        // clang-format off
        {"quotes, BOM, CR LF, comments", "\xEF\xBB\xBF# made by hand\r\n\r\npins , \"footprint\" ,package\r\n\"1=A\t 2=C\",\"DO41\",\"DO41-10\"\r\n#DIP8,DIL08\r\n,SO8,\"S\"\"O,8\"\r\n,\"DO\"\"35\",\"D\"\"O\"\r\n", "", 3},
        {"unknown column", "footprint,pakage\nDIP8,DIL08\n", "1: unknown column 'pakage'" + known + "\n1: the header names neither 'package' nor 'pins'\n", 0},
        {"column twice", "package,footprint,Package\n", "1: column 'package' given twice\n", 0},
        {"every row error, not the first only", "component,footprint,value,package,library,pins\nR1,,,R0805,,\nr1,,,R1206,,\n,DIP8,,DIL08,Semis,1=P$1 2 3= =4\n,SOT23,,SOT-23,nowhere,\n,sot23,,SOT-23,,\n,DIP8,NE555,DIP08,,\n,DIP8,ne555,DIP08,,\n,,10k,R0805,,\n,SO8,,,passives,\n,TO92,,x,,a=A A=B\n,TO92\n,\"TO92,x\n,\"TO\"92,,,,\n,SOT89,,x,,,\n,\"S\tO\x01\",,x,,\n", "3: another row for component 'r1' is on line 2\n4: pins: '2' is not PIN=PAD\n4: pins: '3=' is not PIN=PAD\n4: pins: '=4' is not PIN=PAD\n5: library 'nowhere' is not one given on the command line\n6: another row for footprint 'sot23' is on line 5\n9: the row names neither a component nor a footprint\n10: the row gives neither a package nor pins\n11: pins: pin 'A' is given twice\n12: 2 fields where the header has 6\n13: a quoted field does not close on its line\n14: text after the closing quote of a field\n15: 7 fields where the header has 6\n16: a control character in a field\n", 3},
        {"no header", "# only a comment\n", "1: no header line naming the columns\n", 0},
        {"a header that does not read", "\"footprint,package\nDIP8,DIL08\n", "1: a quoted field does not close on its line\n", 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto map = parse_package_map(c.map, {"passives", "semis"});
        std::string errors;
        for (const auto& error : map.errors)
            errors += std::to_string(error.line) + ": " + error.message + "\n";
        EXPECT_EQ(errors, c.errors) << c.what;
        EXPECT_EQ(map.rows.size(), c.rows) << c.what;
    }
    // Rows written again read back as they were.
    auto map = parse_package_map(cases[0].map, {});
    ASSERT_EQ(map.rows.size(), 3u);
    EXPECT_EQ(map.rows[1].line, 6u);
    const std::string header = std::string(full_map_header) + "\n";
    map.rows.push_back(parse_package_map(header + "\"#U1\",\" DO35\",,\"D O \",,", {}).rows.at(0));
    const char* texts[] = {",DO41,,DO41-10,,1=A 2=C", ",SO8,,\"S\"\"O,8\",,",
                           ",\"DO\"\"35\",,\"D\"\"O\",,", "\"#U1\",\" DO35\",,\"D O \",,"};
    for (std::size_t r = 0; r < 4; ++r) {
        const auto text = map_row_text(map.rows[r], {});
        EXPECT_EQ(text, texts[r]);
        auto again = parse_package_map(header + text, {});
        ASSERT_EQ(again.rows.size(), 1u) << text;
        EXPECT_EQ(again.rows[0].component, map.rows[r].component);
        EXPECT_EQ(again.rows[0].footprint, map.rows[r].footprint);
        EXPECT_EQ(again.rows[0].package, map.rows[r].package);
        EXPECT_EQ(again.rows[0].pins, map.rows[r].pins);
    }
}

std::string component(const std::string& name, const std::string& package, const char* value = "V")
{
    return "[\r\n" + name + "\r\n" + package + "\r\n" + value + "\r\n\r\n\r\n\r\n]\r\n";
}

// Lines 1-8 R1, 9-16 R2, 17-24 D1, 25-32 U1, 33-40 U2, 41-48 C1; nets from line 49.
const std::string board = component("R1", "R0805") + component("R2", "r0805", "10k") +
                          component("D1", "DO41") + component("U1", "DIP8", "NE555") +
                          component("U2", "DIP8") + component("C1", "C0603") +
                          "(\r\nGND\r\nR1-1\r\nD1,1\r\nU1-1\r\nU2-1\r\nC1-1\r\n)\r\n"
                          "(\r\nVCC\r\nR1-2\r\nD1-2\r\nU1-8\r\nU2-8\r\nC1-2\r\nR2-1\r\n)\r\n";

class Libraries : public testing::Test {
protected:
    std::string run(std::vector<std::string> arguments, int status, std::string* err = nullptr)
    {
        auto result = run_command(arguments);
        EXPECT_EQ(result.status, status) << arguments[0];
        if (err)
            *err = result.err;
        else
            EXPECT_EQ(result.err, "");
        return result.out;
    }

    TempFolder folder;
    const std::string netlist = folder.write("board.net", board).string();
    // A blank in a library name: "Use" quotes it, and "Add" the whole PACKAGE@LIBRARY word.
    const std::string passives =
        folder.write("My Passives.lbr", read_bytes(MALVOR_TEST_DATA "/passives.lbr")).string();
    const std::string semis = MALVOR_TEST_DATA "/semis.lbr";
};

TEST_F(Libraries, MapRowsLibraryOrderPinRenamesAndQuoting)
{
    // R0805 is in both libraries: the first given wins unless a row names the library. U1's
    // component row beats the footprint row, which beats nothing for U2's value.
    auto map = folder.write("map.csv",
                            "component,footprint,value,package,library,pins\n"
                            ",dip8,,DIP08,,1=P$1 8=P$8\n"
                            "u1,,,DIL08,Semis,\n"
                            ",R0805,10k,R0805,semis,\n"
                            ",DO41,,DO41-10,,1=A 2=C\n"
                            ",C0603,,,,1=P$1 2=P$2\n");
    std::string err;
    auto script = run({"-o", "-", "--map", map.string(), netlist, passives, semis}, 0, &err);
    const std::string at = " ( 0 10000 );\r\n";
    EXPECT_EQ(
        script,
        "Use 'my passives' semis;\r\nGrid Mil;\n\r\n"
        "Add 'R0805@my passives' ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 V;\n\r\n"
        "Add R0805@semis ( 1000 10000 );\r\nName R2 ( 1000 10000 );\r\nValue R2 10k;\n\r\n"
        "Add 'DO41-10@my passives' ( 2000 10000 );\r\nName D1 ( 2000 10000 );\r\nValue D1 V;\n\r\n"
        "Add DIL08@semis ( 3000 10000 );\r\nName U1 ( 3000 10000 );\r\nValue U1 NE555;\n\r\n"
        "Add DIP08@semis ( 4000 10000 );\r\nName U2 ( 4000 10000 );\r\nValue U2 V;\n\r\n"
        "Add 'C0603@my passives' ( 5000 10000 );\r\nName C1 ( 5000 10000 );\r\nValue C1 V;\n\r\n"
        "Signal GND R1 1 D1 A U1 1 U2 P$1 C1 P$1 ;\r\n"
        "Signal VCC R1 2 D1 C U1 8 U2 P$8 C1 P$2 R2 1 ;\r\n");
    EXPECT_EQ(err, "");  // no warnings: everything fits

    // A map with errors: all of them, at MAP:LINE, and no script.
    auto bad = folder.write(
        "bad.csv", "footprint,package,library\nDIP8,DIL08,nowhere\nDIP8,DIL08,\n");
    run({"--map", bad.string(), netlist, passives}, 1, &err);
    EXPECT_EQ(err, bad.string() + ":2: library 'nowhere' is not one given on the command line\n" +
                       bad.string() + ":3: another row for footprint 'DIP8' is on line 2\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "board.scr"));

    // Two libraries of one name: neither "Use" nor PACKAGE@LIBRARY could tell them apart.
    run({netlist, semis, folder.write("SEMIS.lbr", "").string()}, 1, &err);
    EXPECT_EQ(err.substr(err.find("have")), "have the same name 'semis'\n");
}

// The rows that decide a part's package, library and pads: as the script adds and connects it,
// and as the check reports it.
TEST_F(Libraries, WhichRowDecides)
{
    struct Case {
        const char* what;
        std::string map;
        std::string netlist;
        std::string script;  // its Add and Signal lines
        std::string report;  // of --check, the netlist as NET
    };
    const std::string dip8 = component("U1", "DIP8", "NE555") + component("U2", "DIP8", "ne555") +
                             "(\r\nN\r\nU1-1\r\nU2-1\r\n)\r\n";
    const std::string u1_u2 = "Signal N U1 1 U2 1 ;\r\n";
    const std::string q1 = component("Q1", "SOT23") + component("D1", "DO41") +
                           "(\r\nN\r\nQ1-1\r\nQ1-2\r\nQ1-3\r\nD1-1\r\n)\r\n";
    const Case cases[] = {
        // clang-format off
        {"values compare exactly", "footprint,value,package\nDIP8,NE555,DIL08\n", dip8, "Add DIL08@semis\nAdd 'DIP8@my passives'\n" + u1_u2, "NET:11: package 'DIP8' of component 'U2' is in none of the libraries; closest: 'DIP08' (semis, 8 pads), 'DIL08' (semis, 8 pads), 'DIL18' (my passives, 18 pads)\n1 problem, 2 components, 1 net\n"},
        {"footprint and value, then footprint", "footprint,value,package,pins\nDIP8,NE555,DIL08,\nDIP8,,DIP08,1=P$1\n", dip8, "Add DIL08@semis\nAdd DIP08@semis\nSignal N U1 1 U2 P$1 ;\r\n", "0 problems, 2 components, 1 net\n"},
        {"footprint, then footprint and value", "footprint,value,package,pins\ndip8,,DIP08,1=P$1\nDIP8,NE555,DIL08,\n", dip8, "Add DIL08@semis\nAdd DIP08@semis\nSignal N U1 1 U2 P$1 ;\r\n", "0 problems, 2 components, 1 net\n"},
        {"pins renamed ignoring case", "footprint,package,pins\nDO41,DO41-10,a=C k=A\n", component("D1", "DO41") + "(\r\nN\r\nD1-A\r\nD1,k\r\n)\r\n", "Add 'DO41-10@my passives'\nSignal N D1 C D1 A ;\r\n", "0 problems, 1 component, 1 net\n"},
        {"only the library the row names", "footprint,package,library\nSOT23,SOT-23,My Passives\nDO41,DO41X,semis\n", q1, "Add 'SOT-23@my passives'\nAdd DO41X@semis\nSignal N Q1 1 Q1 2 Q1 3 D1 1 ;\r\n", "NET:3: package 'SOT-23' of component 'Q1' is not in library 'my passives'; closest: 'SOT-23' (semis), 'SOT-223' (semis, pads '1', '2', '3', '4')\nNET:11: package 'DO41X' of component 'D1' is not in library 'semis'; closest: 'DO41-10' (my passives, pads 'A', 'C')\n2 problems, 2 components, 1 net\n"},
        {"a package for a part that names none", "component,package\nU4,SO8X\n", component("U4", "PATTERN") + "(\r\nN\r\nU4-1\r\nU4-2\r\n)\r\n", "Add 'SO8X@my passives'\nSignal N U4 1 U4 2 ;\r\n", "NET:3: package 'SO8X' of component 'U4' is in none of the libraries\n1 problem, 1 component, 1 net\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto net = folder.write("which.net", c.netlist).string();
        auto map = folder.write("which.csv", c.map).string();
        std::string err;
        std::string lines;
        std::istringstream script(run({"-o", "-", "--map", map, net, passives, semis}, 0, &err));
        for (std::string line; std::getline(script, line);)
            if (line.starts_with("Add ") || line.starts_with("Signal "))
                lines += line.substr(0, line.find(" (")) + "\n";
        EXPECT_EQ(lines, c.script) << c.what;
        auto report = run({"--check", "--map", map, net, passives, semis},
                          c.report.starts_with("0 problems") ? 0 : 3);
        for (std::size_t at; (at = report.find(net)) != std::string::npos;)
            report.replace(at, net.size(), "NET");
        EXPECT_EQ(report, c.report) << c.what;
    }
}

TEST_F(Libraries, WarningsWhileConvertingAndTheCheckWithoutALibrary)
{
    std::string err;
    run({netlist, passives, semis}, 0, &err);
    EXPECT_EQ(err.substr(0, err.find('\n')),
              netlist +
                  ":19: warning: package 'DO41' of component 'D1' is in none of the libraries; "
                  "closest: 'DO41-10' (my passives, pads 'A', 'C')");
    EXPECT_NE(read_bytes(folder / "board.scr").find("Add 'DIP8@my passives'"), std::string::npos);

    // Without a library: only what needs none, pins of every component included.
    auto twice = folder.write("twice.net", board + "(\r\nN\r\nR1-1\r\nX9-1\r\n)\r\n").string();
    EXPECT_EQ(run({"--check", twice}, 3),
              twice + ":68: node 'R1-1': the pin is already in an earlier net\n" + twice +
                  ":69: node 'X9-1' names component 'X9', which the netlist does not have\n"
                  "2 problems, 6 components, 3 nets\n");
    EXPECT_EQ(run({"--check", netlist}, 0), "0 problems, 6 components, 2 nets\n");
}

TEST_F(Libraries, HintsThatFitAndASuggestedMapTakenAsItIs)
{
    const auto suggested = (folder / "suggested.csv").string();
    auto report = run({"--check", "--suggest-map", suggested, netlist, passives, semis}, 3);
    EXPECT_EQ(report.substr(0, report.find("\n" + netlist + ":55")),
              netlist +
                  ":19: package 'DO41' of component 'D1' is in none of the libraries; "
                  "closest: 'DO41-10' (my passives, pads 'A', 'C')\n" +
                  netlist +
                  ":27: package 'DIP8' of component 'U1' is in none of the libraries; "
                  "closest: 'DIP08' (semis, 8 pads), 'DIL08' (semis, 8 pads), "
                  "'DIL18' (my passives, 18 pads)\n" +
                  netlist +
                  ":35: package 'DIP8' of component 'U2' is in none of the libraries; "
                  "closest: 'DIP08' (semis, 8 pads), 'DIL08' (semis, 8 pads), "
                  "'DIL18' (my passives, 18 pads)");
    EXPECT_NE(report.find(":55: node 'C1-1': package 'C0603' of component 'C1' has no pad '1'; "
                          "its pads: 'P$1', 'P$2'\n"),
              std::string::npos);
    EXPECT_EQ(read_bytes(suggested),
              "footprint,package,library,pins\n"
              "# 'DO41': none fits; 'DO41-10' (my passives, pads 'A', 'C') lacks pads '1', '2'; "
              "no other candidates\n#DO41,DO41-10,my passives,\n"
              "# 'DIP8': 'DIP08' (semis, 8 pads); other candidates: 'DIL08' (semis, 8 pads), "
              "'DIL18' (my passives, 18 pads)\n"
              "DIP8,DIP08,semis,1=P$1 8=P$8\n");
    EXPECT_EQ(run({"--check", "--map", suggested, netlist, passives, semis}, 3),
              netlist +
                  ":19: package 'DO41' of component 'D1' is in none of the libraries; "
                  "closest: 'DO41-10' (my passives, pads 'A', 'C')\n" +
                  netlist +
                  ":55: node 'C1-1': package 'C0603' of component 'C1' has no pad '1'; "
                  "its pads: 'P$1', 'P$2'\n" +
                  netlist +
                  ":63: node 'C1-2': package 'C0603' of component 'C1' has no pad '2'; "
                  "its pads: 'P$1', 'P$2'\n"
                  "3 problems, 6 components, 2 nets\n");
    // A footprint that a row maps is not suggested again, even where its package is missing.
    auto map = folder.write("map.csv", "footprint,package\nDO41,DO41X\n");
    run({"--check", "--map", map.string(), "--suggest-map", suggested, netlist, passives, semis},
        3);
    EXPECT_EQ(read_bytes(suggested),
              "component,footprint,value,package,library,pins\n,DO41,,DO41X,,\n"
              "# 'DIP8': 'DIP08' (semis, 8 pads); other candidates: 'DIL08' (semis, 8 pads), "
              "'DIL18' (my passives, 18 pads)\n,DIP8,,DIP08,semis,1=P$1 8=P$8\n");
    // Names holding a quote or a comma are quoted, and read back as they were; a footprint
    // holding a control character gets no row.
    auto wide = folder.write("wide.lbr",
                             "<eagle><drawing><library><packages><package "
                             "name=\"SO-8,W\"><pad name=\"1\"/><pad name=\"2\"/><pad name=\"3\"/>"
                             "</package></packages></library></drawing></eagle>");
    const std::string so8_parts = component("U5", "SO8\"W") + component("U6", "SO\0338W") +
                                  component("U7", "so8\"w");
    auto so8 = folder.write(
        "so8.net", so8_parts + "(\r\nN\r\nU5-1\r\nU5-2\r\nU5-3\r\nU7-3\r\n)\r\n");
    run({"--check", "--suggest-map", suggested, so8.string(), wide.string()}, 3);
    EXPECT_EQ(read_bytes(suggested),
              "footprint,package,library,pins\n# 'SO8\"W': 'SO-8,W'; no other "
              "candidates\n\"SO8\"\"W\",\"SO-8,W\",wide,\n");
    const std::string mapped = run({"--check", "--map", suggested, so8.string(), wide.string()}, 3);
    EXPECT_EQ(mapped.find("'U5'"), std::string::npos) << mapped;
    EXPECT_EQ(mapped.find("'U7'"), std::string::npos) << mapped;
    // A package short of a pin used is no row, and one of another pin count ranks last. A
    // footprint that stands for none gets no row: the parts sharing it are unrelated.
    auto pin9 = folder.write("pin9.net", component("U3", "DIL8") + component("U4", "PATTERN") +
                                             "(\r\nN\r\nU3-1\r\nU3-9\r\n)\r\n");
    EXPECT_EQ(run({"--check", "--suggest-map", suggested, pin9.string(), passives, semis}, 3),
              pin9.string() +
                  ":3: package 'DIL8' of component 'U3' is in none of the libraries; "
                  "closest: 'DIL08' (semis, 8 pads), 'DIP08' (semis, 8 pads), "
                  "'DIL18' (my passives, 18 pads)\n" +
                  pin9.string() +
                  ":11: component 'U4' has no package\n2 problems, 2 components, 1 net\n");
    EXPECT_EQ(read_bytes(suggested),
              "footprint,package,library,pins\n# 'DIL8': none fits; 'DIL08' (semis, 8 pads) lacks "
              "pad '9'; other candidates: 'DIP08' (semis, 8 pads), 'DIL18' (my passives, 18 "
              "pads)\n#DIL8,DIL08,semis,\n");
}

// Two kinds on one footprint get a row each, keyed by the names' letters; the map reads them
// back, and rows written by hand rank as documented: the component, the longest prefix with
// its footprint, then without, then the footprint.
TEST_F(Libraries, KindRowsReadBackThroughTheMap)
{
    const auto general = std::string(MALVOR_TEST_DATA "/general.lbr");
    auto mixed = folder.write(
        "mixed.net", component("C1", "sm0805", "100n") + component("R1", "sm0805", "10k") +
                         component("C2", "sm0805", "1u") + component("U1", "DIP-14_W7.62mm") +
                         component("D1", "LED_0805") + component("R2", "foo") +
                         "(\r\nGND\r\nC1-1\r\nR1-1\r\nC2-1\r\nU1-7\r\nD1-1\r\nR2-1\r\n)\r\n"
                         "(\r\nVCC\r\nC1-2\r\nR1-2\r\nC2-2\r\nU1-14\r\nD1-2\r\nR2-2\r\n)\r\n");
    const auto suggested = (folder / "kinds.csv").string();
    run({"--check", "--suggest-map", suggested, mixed.string(), general, passives}, 3);
    const std::string map = read_bytes(suggested);
    EXPECT_EQ(map,
              "component,footprint,value,package,library,pins\n"
              "# 'sm0805' for C*: 'C0805' (general, capacitor, 2 pads); other candidates: 'C0805' "
              "(my passives), 'M0805' (general)\nC*,sm0805,,C0805,general,\n"
              "# 'sm0805' for R*: 'R0805' (general, resistor, 2 pads); other candidates: 'R0805' "
              "(my passives), 'M0805' (general)\nR*,sm0805,,R0805,general,\n"
              "# 'DIP-14_W7.62mm': 'DIL14' (general, 14 pads); no other candidates\n"
              ",DIP-14_W7.62mm,,DIL14,general,\n"
              "# 'LED_0805': none fits; 'CHIPLED_0805' (general, LED, pads 'A', 'C') lacks pads "
              "'1', '2'; other candidates: 'M0805' (general), 'C0805' (general)\n"
              "#,LED_0805,,CHIPLED_0805,general,\n"
              "# 'foo': no package of a close name; fill in package and library\n#,foo,,,,\n");
    // Taken as the map, its rows come back as they were, the commented ones still to fill in.
    const auto again = (folder / "again.csv").string();
    run({"--check", "--map", suggested, "--suggest-map", again, mixed.string(), general, passives},
        3);
    EXPECT_EQ(read_bytes(again),
              "component,footprint,value,package,library,pins\nC*,sm0805,,C0805,general,\n"
              "R*,sm0805,,R0805,general,\n,DIP-14_W7.62mm,,DIL14,general,\n" +
                  map.substr(map.find("# 'LED_0805'")));
    auto adds = [&](const std::string& map_file) {
        std::string err;
        auto script = run(
            {"-o", "-", "--map", map_file, mixed.string(), general, passives}, 0, &err);
        std::string packages;
        for (auto at = script.find("Add "); at != std::string::npos;
             at = script.find("Add ", at + 1))
            packages += script.substr(at + 4, script.find(' ', at + 4) - at - 4) + ' ';
        return packages;
    };
    EXPECT_EQ(adds(suggested),
              "C0805@general R0805@general C0805@general DIL14@general "
              "LED_0805@general foo@general ");
    auto by_hand = folder.write(
        "hand.csv", map + "C2,,,C1206,general,\nR*,,,R2512,general,\n*,sm0805,,M0805,general,\n");
    EXPECT_EQ(adds(by_hand.string()),
              "C0805@general R0805@general C1206@general DIL14@general "
              "LED_0805@general R2512@general ");
    std::string err;
    auto twice = folder.write("twice.csv", map + "r*,SM0805,,R1206,,\nR*,,,R1206,,\n*,,,R1206,,\n");
    run({"-o", "-", "--map", twice.string(), mixed.string(), general, passives}, 1, &err);
    EXPECT_EQ(err, twice.string() +
                       ":12: another row for component 'r*' and footprint 'SM0805' is on line 5\n");
}

// Up to two edits apart, and fewer than half the longer name's characters.
TEST(CloseNames, DistanceLimitsAtBothEnds)
{
    struct Case {
        const char* wanted;
        const char* name;
        std::size_t distance;  // SIZE_MAX: not close
    };
    const Case cases[] = {
        {"sot23", "SOT-23", 0},       {"SOT-23", "sot_23", 0},    {"R0806", "R0805", 1},
        {"T-23", "SOT-23", 2},        {"SOT-23", "T-23", 2},      {"ZSOT-23", "SOT-23Z", 2},
        {"R0805", "R0608", 2},        {"1X02", "1Y02", 1},        {"1Y03", "1X02", SIZE_MAX},
        {"R0805", "R1206", SIZE_MAX}, {"23", "SOT-23", SIZE_MAX}, {"DIL8", "DIL18", 1},
        {"-", "+", SIZE_MAX},
    };
    for (const auto& c : cases) {
        auto found = close_names(c.wanted, {"other", c.name});
        const auto distance = found.empty() ? SIZE_MAX : found[0].distance;
        EXPECT_EQ(distance, c.distance) << c.wanted << " " << c.name;
        if (!found.empty()) {
            EXPECT_EQ(found[0].index, 1u);
        }
    }
}

}  // namespace
}  // namespace malvor
