// malvor-convert --check in-process: report lines, summary, exit status, unusable files.
#include "command_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace malvor {
namespace {

using namespace testing_support;

std::string component(const std::string& name, const std::string& package)
{
    return "[\r\n" + name + "\r\n" + package + "\r\nV\r\n\r\n\r\n\r\n]\r\n";
}

// Components on lines 1-8, 9-16 and 17-24; the package of the k-th is on line 8k - 5.
const std::string parts = component("R1", "R0805") + component("Q1", "SOT-23") +
                          component("J-USB", "USB-B$1");

class Check : public testing::Test {
protected:
    Outcome check(const std::string& netlist,
                  const std::string& library = MALVOR_TEST_DATA "/parts.lbr")
    {
        auto path = folder.write("board.net", netlist).string();
        auto result = run_command({"--check", path, library});
        // Every report line names the netlist as given.
        std::string prefix = path + ":";
        for (std::size_t at = 0; (at = result.out.find(prefix, at)) != std::string::npos; ++at)
            result.out.replace(at, prefix.size(), "NET:");
        return result;
    }

    TempFolder folder;
};

TEST_F(Check, EachProblemOnItsLineAndASummary)
{
    struct Case {
        const char* what;
        std::string netlist;
        std::string report;
        std::string library = MALVOR_TEST_DATA "/parts.lbr";
    };
    const std::string gnd = "(\r\nGND\r\nR1-1\r\nQ1-B\r\n)\r\n";  // lines 25-29 after parts
    const std::string one_net = "1 problem, 3 components, 1 net\n";
    const auto frames =
        folder
            .write("frames.lbr", "<eagle><drawing><library><symbols/></library></drawing></eagle>")
            .string();
    const auto bare = folder
                          .write("bare.lbr",
                                 "<eagle><drawing><library><packages><package "
                                 "name=\"SO-8\"/><package name=\"SO_8\"/><package "
                                 "name=\"SO08\"/><package name=\"SOP8\"/><package "
                                 "name=\"TP\"/></packages></library></drawing></eagle>")
                          .string();
    const Case cases[] = {
        // clang-format off
        {"clean, OrCAD style", "Board\r\n\r\n" + parts + "(\r\nGND\r\nR1,2\r\nJ-USB,gnd@1\r\nQ1,E\r\n)\r\n(\r\nDM\r\nr1,1\r\nJ-USB,D-\r\n)\r\n", "0 problems, 3 components, 2 nets\n"},
        {"unknown package with hints", component("R1", "R0806") + component("Q1", "sot23") + component("R2", "R0806") + "(\r\nN\r\nQ1-1\r\nQ1-2\r\nQ1-3\r\nR2-1\r\nR2-1\r\n)\r\n", "NET:3: package 'R0806' of component 'R1' is not in the library; closest: 'R0805' (resistor, 2 pads), 'C0805'\nNET:11: package 'sot23' of component 'Q1' is not in the library; closest: 'SOT-23' (pads 'B', 'E', 'C')\nNET:19: package 'R0806' of component 'R2' is not in the library; closest: 'R0805' (resistor, pads '1', '2'), 'C0805' (pads '1', '2')\nNET:31: node 'R2-1': the pin is twice in net 'N'\n4 problems, 3 components, 1 net\n"},
        {"three hints at most, packages without pads", component("U1", "TP") + component("U2", "SO8") + "(\r\nN\r\nU1-1\r\nU2-1\r\n)\r\n", "NET:11: package 'SO8' of component 'U2' is not in the library; closest: 'SO-8' (no pads), 'SO_8' (no pads), 'SO08' (no pads)\nNET:19: node 'U1-1': package 'TP' of component 'U1' has no pad '1'; it has no pads\n2 problems, 2 components, 1 net\n", bare},
        {"twelve pads listed", component("U1", "DIL18") + "(\r\nN\r\nU1-1\r\nU1-19\r\n)\r\n", "NET:12: node 'U1-19': package 'DIL18' of component 'U1' has no pad '19'; its pads: '1', '2', '3', '4', '5', '6', '7', '8', '9', '10', '11', '12' and 6 more\n1 problem, 1 component, 1 net\n", MALVOR_TEST_DATA "/passives.lbr"},
        {"a package fitting exactly before one with more pads", component("Q1", "SOT-233") + "(\r\nN\r\nQ1-1\r\nQ1-2\r\nQ1-3\r\n)\r\n", "NET:3: package 'SOT-233' of component 'Q1' is not in the library; closest: 'SOT-23', 'SOT-223' (pads '1', '2', '3', '4')\n1 problem, 1 component, 1 net\n", MALVOR_TEST_DATA "/semis.lbr"},
        {"unknown package without hint", component("U1", "QFN-48"), "NET:3: package 'QFN-48' of component 'U1' is not in the library\n1 problem, 1 component, 0 nets\n"},
        {"unknown component", parts + "(\r\nGND\r\nR1-1\r\nR9-2\r\n)\r\n", "NET:28: node 'R9-2' names component 'R9', which the netlist does not have\n" + one_net},
        {"unknown pad", parts + "(\r\nGND\r\nR1-1\r\nJ-USB-D\r\n)\r\n", "NET:28: node 'J-USB-D': package 'USB-B$1' of component 'J-USB' has no pad 'D'; its pads: 'D-', 'D+', 'GND@1', '5-2'\n" + one_net},
        {"no pin", parts + "(\r\nGND\r\nR1-1\r\nQ1\r\nQ1-B\r\n)\r\n", "NET:28: node 'Q1' is not one component and one pin\n" + one_net},
        {"three words", parts + "(\r\nGND\r\nR1-1\r\nQ1,B,C\r\nR1 2\r\n)\r\n", "NET:28: node 'Q1,B,C' is not one component and one pin\n" + one_net},
        {"pin in an earlier net", parts + gnd + "(\r\nVCC\r\nQ1-C\r\nr1,1\r\n)\r\n", "NET:33: node 'r1,1': the pin is already in an earlier net\n1 problem, 3 components, 2 nets\n"},
        {"pin twice in one net", parts + "(\r\nGND\r\nR1-1\r\nQ1-B\r\nR1,1\r\n)\r\n", "NET:29: node 'R1,1': the pin is twice in net 'GND'\n" + one_net},
        {"same component name", parts + component("q1", "R0805"), "NET:26: component 'q1' has the name of component 'Q1' (EAGLE ignores case)\n1 problem, 4 components, 0 nets\n"},
        {"same net name", parts + gnd + "(\r\ngnd\r\nR1-2\r\nQ1-C\r\n)\r\n", "NET:31: net 'gnd' has the name of net 'GND' (EAGLE ignores case)\n1 problem, 3 components, 2 nets\n"},
        {"net of one written node", parts + "(\r\nN1\r\n\r\nR1-1\r\n)\r\n", "NET:26: net 'N1' has 1 node; an EAGLE signal needs at least two\n" + one_net},
        {"long-named net without nodes", parts + "(\r\nA_LONG_NET_NAME\r\n)\r\n", "NET:26: net 'A_LONG_NET_NAME' (written as 'Zel1') has 0 nodes; an EAGLE signal needs at least two\n" + one_net},
        {"empty footprint, net named on its opening line", component("R1", "") + "(GND\r\nR1-1\r\nR1-2\r\n)\r\n", "NET:3: component 'R1' has no package\n1 problem, 1 component, 1 net\n"},
        {"what writers put for no package", component("U1", "pattern") + component("U2", "This part has no 'Package' attribute") + "(N\r\nU1-1\r\nU2-9\r\n)\r\n", "NET:3: component 'U1' has no package\nNET:11: component 'U2' has no package\n2 problems, 2 components, 1 net\n"},
        {"a library without packages", component("R1", "R0805"), "LIB: the library has no packages\nNET:3: package 'R0805' of component 'R1' is not in the library\n1 problem, 1 component, 0 nets\n", frames},
        // The ground net holds more pins than the pin marks have words, and one pad in another case.
        {"pins of a large net stay taken", parts + "(\r\nGND\r\nR1-1\r\nR1-2\r\nQ1,b\r\nQ1-E\r\n)\r\n(\r\nVCC\r\nQ1-C\r\nQ1-C\r\nR1-2\r\n)\r\n", "NET:35: node 'Q1-C': the pin is twice in net 'VCC'\nNET:36: node 'R1-2': the pin is already in an earlier net\n2 problems, 3 components, 2 nets\n"},
        // CR, LF and CR LF each end one line; the problems come in line order, not finding order.
        {"line ends", "\r\r\n\n[\rR1\nR0806\r\nV\r]\n(\nN\nR1-1\n)\n[\nR2\nR0805\nV\n]\n(\nM\nR2-1\nR2-2\nR2-1\n)\n", "NET:6: package 'R0806' of component 'R1' is not in the library; closest: 'R0805' (resistor, pads '1', '2'), 'C0805' (pads '1', '2')\nNET:10: net 'N' has 1 node; an EAGLE signal needs at least two\nNET:22: node 'R2-1': the pin is twice in net 'M'\n3 problems, 2 components, 2 nets\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto result = check(c.netlist, c.library);
        if (auto at = result.out.find(c.library + ":"); at != std::string::npos)
            result.out.replace(at, c.library.size(), "LIB");
        EXPECT_EQ(result.status, c.report.starts_with("0 problems") ? 0 : 3) << c.what;
        EXPECT_EQ(result.out, c.report) << c.what;
        EXPECT_EQ(result.err, "") << c.what;
    }
}

TEST_F(Check, FilesItCannotUse)
{
    auto netlist = folder.write("ok.net", parts).string();
    auto binary = folder.write("old.lbr", std::string("\x10\x00\x03\x00", 4)).string();
    auto text = folder.write("text.lbr", parts).string();
    auto board = folder.write("amp.brd", "<eagle><drawing><board/></drawing></eagle>").string();
    auto cut = folder.write("cut.lbr", "<eagle>\n<drawing><library><packages>").string();
    auto gone = (folder / "gone.lbr").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string err;
    };
    const Case cases[] = {
        // clang-format off
        {{"--check", netlist, binary}, "malvor-convert: library '" + binary + "' is a binary library of EAGLE 5 or older; opening and saving it in EAGLE 6 or later converts it to the XML form that can be checked\n"},
        {{"--check", netlist, text}, "malvor-convert: library '" + text + "' is not an XML file, so no EAGLE library: no element such as '<eagle>' in it\n"},
        {{"--check", netlist, board}, "malvor-convert: library '" + board + "' is an EAGLE schematic (or board), not a library\n"},
        {{"--check", netlist, cut}, "malvor-convert: library '" + cut + "' is cut short: the file ends at 2:28; expected the closing tags of the elements still open, up to '</eagle>'\n"},
        {{"--check", netlist, gone}, "malvor-convert: cannot read library '" + gone + "': " + system_message(ENOENT) + "\n"},
        {{"--check", "--suggest-map", gone + "/map.csv", netlist}, "malvor-convert: cannot write map '" + gone + "/map.csv': " + system_message(ENOENT) + "\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto result = run_command(c.arguments);
        EXPECT_EQ(result.status, 1) << c.arguments.back();
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
    }
    // The check writes nothing beside the netlist.
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"amp.brd", "cut.lbr", "ok.net", "old.lbr", "text.lbr"}));
}

// Names that would act on a terminal or split a line, from the netlist or from the library
// through a hint, and libraries that are hostile in themselves.
TEST_F(Check, HostileNamesAndLibraries)
{
    struct Case {
        const char* what;
        std::string library;  // the bytes of LIB
        std::string netlist;
        int status;
        std::string out;
        std::string err;
        std::uintmax_t size = 0;  // LIB made this large instead (sparse)
    };
    const std::string packages =
        "<eagle><drawing><library><packages><package name=\"R08&#13;5\"/><package name=\"Q&#x1b;[2J\"/></packages></library></drawing></eagle>";
    std::string million_open;
    for (int i = 0; i < 1000000; ++i)
        million_open += "<x>";
    const std::string not_xml =
        "malvor-convert: library 'LIB' is not an XML file, so no EAGLE library: ";
#ifdef PUGIXML_COMPACT
    // pugixml's compact nodes take a few times a file of tiny elements at most, within the
    // limit: the file is read whole, and found cut short.
    const std::string million_open_said =
        "malvor-convert: library 'LIB' is cut short: the file ends at 1:3000000; expected the "
        "closing tags of the elements still open, up to '</x>'\n";
#else
    const std::string million_open_said =
        "malvor-convert: library 'LIB' is made of far more XML elements than an EAGLE library of "
        "its size: reading it would take over 44 MB\n";
#endif
    const Case cases[] = {
        // clang-format off
        {"an ESC in a component name", packages, component("R\x1b[2J", "Q\x1b[2J"), 3, "NET:2: component 'R\\x1B[2J' holds a control character\nNET:3: package 'Q\\x1B[2J' holds a control character\n2 problems, 1 component, 0 nets\n", ""},
        {"C1 and invalid UTF-8 in a value", packages, "[\r\nR1\r\nQ\x1b[2J\r\n\xc2\x9b" "1k\xff\xc3\xa9\r\n]\r\n", 3, "NET:3: package 'Q\\x1B[2J' holds a control character\nNET:4: value '\\xC2\\x9B1k\\xFF\xc3\xa9' holds a control character\n2 problems, 1 component, 0 nets\n", ""},
        {"a CR from the library through a hint", packages, component("R1", "R0805"), 3, "NET:3: package 'R0805' of component 'R1' is not in the library; closest: 'R08\\x0D5'\n1 problem, 1 component, 0 nets\n", ""},
        {"a library over 64 MiB", "", parts, 1, "", "malvor-convert: cannot read library 'LIB': Library too large (over 64 MiB; EAGLE libraries are a few megabytes)\n", (std::uintmax_t{64} << 20) + 1},
        {"64 MiB are read", "", parts, 1, "", not_xml + "no element such as '<eagle>' in it\n", std::uintmax_t{64} << 20},
        {"a million open elements", million_open, parts, 1, "", million_open_said},
        // clang-format on
    };
    for (const auto& c : cases) {
        // (A library name holding a control character is refused before it is read.)
        auto library = folder.write("lib.lbr", c.library);
        if (c.size != 0)
            std::filesystem::resize_file(library, c.size);
        auto result = check(c.netlist, library.string());
        const auto shown_name = library.string();
        for (auto at = result.err.find(shown_name); at != std::string::npos;
             at = result.err.find(shown_name))
            result.err.replace(at, shown_name.size(), "LIB");
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.out, c.out) << c.what;
        EXPECT_EQ(result.err, c.err) << c.what;
    }
}

#ifndef _WIN32
#ifndef __SANITIZE_ADDRESS__  // the sanitizer reserves more address space than any limit here
// Whatever step memory runs out in, the run ends with a message naming a file, never a crash.
TEST_F(Check, MemoryRunningOutInAnyStepIsAMessage)
{
    std::string netlist = testing_support::components(100000) + "(\r\nGND\r\n";
    for (int k = 1; k <= 100000; ++k)
        netlist += "R" + std::to_string(k) + (k % 3 == 0 ? "-9" : "-1") + "\r\n";
    auto net = folder.write("big.net", netlist + ")\r\n").string();
    auto library = std::string(MALVOR_TEST_DATA "/parts.lbr");
    const auto err_file = folder / "err";
    int failed = 0;
    int finished = 0;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--check", net, library},
          {"--list", net},
          {"-o", (folder / "out.scr").string(), net, library}}) {
        for (long extra_mib : {2, 8, 12, 16, 20, 24, 64}) {
            pid_t child = ::fork();
            if (child == 0) {
                long pages = 0;
                if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
                    if (std::fscanf(statm, "%ld", &pages) != 1)
                        pages = 0;
                    std::fclose(statm);
                }
                const rlim_t limit = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) +
                                     (static_cast<rlim_t>(extra_mib) << 20);
                const rlimit address_space{limit, limit};
                std::FILE* out = std::fopen("/dev/null", "w");
                std::FILE* err = std::fopen(err_file.c_str(), "w");
                if (pages == 0 || !out || !err || ::setrlimit(RLIMIT_AS, &address_space) != 0)
                    ::_exit(99);
                int status = run_convert_command(arguments, out, err);
                std::fclose(err);
                ::_exit(status);
            }
            int raw = 0;
            ::waitpid(child, &raw, 0);
            const std::string what = arguments[0] + " with " + std::to_string(extra_mib) + " MiB";
            ASSERT_TRUE(WIFEXITED(raw)) << what << ": signal " << WTERMSIG(raw);
            const int status = WEXITSTATUS(raw);
            const auto err = read_bytes(err_file);
            if (status == 1) {
                ++failed;
                EXPECT_NE(err.find(system_message(ENOMEM)), std::string::npos) << what << err;
                EXPECT_TRUE(err.find("'" + net + "'") != std::string::npos ||
                            err.find("'" + library + "'") != std::string::npos)
                    << what << err;
            } else {
                ++finished;
                EXPECT_EQ(status, arguments[0] == "--check" ? 3 : 0) << what << err;
            }
        }
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(finished, 0);
    for (const auto& name : folder.names())
        EXPECT_NE(name[0], '.') << name;
}
#endif
#endif

}  // namespace
}  // namespace malvor
