#pragma once
// malvor-convert run in this process, its output read back; the worked example and its script.

#include "convert_command.h"
#include "temp_folder.h"

#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace malvor::testing_support {

inline const std::string worked_example_net = read_bytes(MALVOR_TEST_DATA "/worked_example.net");
inline const std::string worked_example_scr = read_bytes(MALVOR_TEST_DATA "/worked_example.scr");

// Components R1 to R<count>, all R0805, of values 1k to 96k and 0k.
inline std::string components(int count)
{
    std::string netlist;
    for (int k = 1; k <= count; ++k)
        netlist.append("[\r\nR")
            .append(std::to_string(k))
            .append("\r\nR0805\r\n")
            .append(std::to_string(k % 97))
            .append("k\r\n]\r\n");
    return netlist;
}

// The platform's text for a C library error code.
inline std::string system_message(int error)
{
    return std::generic_category().message(error);
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string drain(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, got);
    std::fclose(file);
    return text;
}

// The streams are files in a folder of the test's own: Windows makes std::tmpfile's files in
// the root of the drive, where a user may not write.
inline Outcome run_command(const std::vector<std::string>& arguments)
{
    TempFolder streams;
    std::FILE* out = std::fopen((streams / "out").string().c_str(), "w+b");
    std::FILE* err = std::fopen((streams / "err").string().c_str(), "w+b");
    int status = run_convert_command(arguments, out, err);
    return {status, drain(out), drain(err)};
}

}  // namespace malvor::testing_support
