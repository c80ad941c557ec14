#include "convert_command.h"
#include "file_io.h"
#include "windows_console.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// The converter works on UTF-8 names; unpaired surrogates become U+FFFD.
std::string utf8_of(const wchar_t* wide)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 1 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

}  // namespace

// The wide arguments: the narrow ones come in the ANSI code page, where names in other scripts
// turn into '?' wherever Windows ignores the manifest's UTF-8 code page.
int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // scripts keep their CR LF and lone CR bytes
    malvor::remove_temporary_file_on_signals();
    malvor::ConsoleSession console;  // after the signal handlers, so that its Ctrl-C comes first
    try {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.push_back(utf8_of(argv[i]));
        return malvor::run_convert_command(arguments, stdout, stderr);
    } catch (const std::bad_alloc&) {
        std::fputs("malvor-convert: out of memory for the arguments\n", stderr);
        return 1;
    }
}

#else

int main(int argc, char** argv)
{
    malvor::remove_temporary_file_on_signals();
    try {
        std::vector<std::string> arguments(argv + 1, argv + argc);
        return malvor::run_convert_command(arguments, stdout, stderr);
    } catch (const std::bad_alloc&) {
        std::fputs("malvor-convert: out of memory for the arguments\n", stderr);
        return 1;
    }
}

#endif
