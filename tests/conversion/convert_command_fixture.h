#pragma once
// malvor-convert as a user runs it: a real process in a temporary folder.

#include "run_program.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace malvor::testing_support {

inline const std::string amp_net = "[\r\nR1\r\nR0805\r\n10k\r\n]\r\n[\r\nC1\r\nC0805\r\n100n\r\n]\r\n"
                                   "(\r\nGND\r\nR1,2\r\nC1,2\r\n)\r\n";
inline const std::string amp_scr =
    "Use myparts;\r\nGrid Mil;\n\r\n"
    "Add R0805 ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 10k;\n\r\n"
    "Add C0805 ( 1000 10000 );\r\nName C1 ( 1000 10000 );\r\nValue C1 100n;\n\r\n"
    "Signal GND R1 2 C1 2 ;\r\n";

// Standard error is a text stream: on Windows its lines end in CR LF.
inline std::string error_lines(std::string text)
{
#ifdef _WIN32
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, 1, '\r');
#endif
    return text;
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ConvertCommand : public testing::Test {
protected:
    // Runs `program` (malvor-convert by default) with `arguments` in the work folder; its
    // output goes to files outside the work folder.
    Outcome run_with(const std::vector<std::string>& arguments, std::filesystem::path stdout_file = {},
                     const std::filesystem::path& program = MALVOR_CONVERT_EXE)
    {
        auto out = capture / "out";
        auto err = capture / "err";
        std::filesystem::remove(out);
        Outcome result;
        result.status = run_program(program, arguments, folder, stdout_file.empty() ? out : stdout_file, err);
        result.out = read_bytes(out);
        result.err = read_bytes(err);
        return result;
    }

    // `words`: arguments, each without spaces, separated by one space.
    Outcome run(const std::string& words)
    {
        std::vector<std::string> arguments;
        std::istringstream split(words);
        for (std::string word; split >> word;)
            arguments.push_back(word);
        return run_with(arguments);
    }

    TempFolder work;
    TempFolder capture;
    std::filesystem::path folder = work.path();  // where the converter runs
};

}  // namespace malvor::testing_support
