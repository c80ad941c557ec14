#include "script_names.h"

#include <algorithm>

namespace malvor {
namespace {

bool is_separator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

char lower_ascii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view file_name_of(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (is_separator(path[i - 1]))
            return path.substr(i);
    return path;
}

std::string lower_ascii(std::string_view text)
{
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](char c) { return lower_ascii(c); });
    return lower;
}

bool same_ignoring_ascii_case(std::string_view a, std::string_view b)
{
    auto fold = [](char c) { return lower_ascii(c); };
    return std::ranges::equal(a, b, {}, fold, fold);
}

std::string library_name(std::string_view library_file_name)
{
    if (library_file_name.size() >= 4 &&
        lower_ascii(library_file_name.substr(library_file_name.size() - 4)) == ".lbr")
        library_file_name.remove_suffix(4);
    return lower_ascii(library_file_name);
}

std::error_code check_library_name(std::string_view eaglelib)
{
    if (eaglelib.empty())
        return FileError::empty_library_name;
    for (char c : eaglelib)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return FileError::control_character_in_name;
    return {};
}

std::string script_path(std::string_view tangofile, PathRules rules)
{
    if (rules == PathRules::windows) {
        // "." and ".." name folders, and a name of only dots and blanks keeps them all.
        std::string_view name = file_name_of(tangofile);
        std::size_t kept = name.find_last_not_of(". ");
        if (kept != std::string_view::npos)
            tangofile.remove_suffix(name.size() - kept - 1);
    }
    if (tangofile.size() >= 4 && lower_ascii(tangofile.substr(tangofile.size() - 4)) == ".net")
        tangofile.remove_suffix(4);
    std::size_t name_start = 0;
    if (rules == PathRules::posix) {
        for (std::size_t i = tangofile.size(); i > 0; --i) {
            if (is_separator(tangofile[i - 1])) {
                name_start = i;
                break;
            }
        }
    }
    std::string path(tangofile.substr(0, name_start));
    path += lower_ascii(tangofile.substr(name_start));
    path += ".scr";
    return path;
}

std::string board_path(std::string_view tangofile, PathRules rules)
{
    std::string path = script_path(tangofile, rules);
    path.replace(path.size() - 4, 4, ".brd");
    return path;
}

}  // namespace malvor
