#pragma once
// A property of the fuzzed code that must hold: a broken one is printed with what it broke on,
// and the run aborts so that libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

inline void check(bool ok, const char* what, std::string_view detail = {})
{
    if (ok)
        return;
    std::fprintf(
        stderr, "property violated: %s\n  detail: %.400s\n", what, std::string(detail).c_str());
    std::abort();
}
