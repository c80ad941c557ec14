#include "convert_command.h"
#include "file_io.h"

#include <cstdio>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // scripts keep their CR LF and lone CR bytes
#endif
    malvor::remove_temporary_file_on_signals();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return malvor::run_convert_command(arguments, stdout, stderr);
}
