#pragma once
// Test names made from the descriptions of table cases.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace malvor::testing_support {

// A name may hold letters, digits and underscores only.
struct NameFromWhat {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const
    {
        std::string name;
        for (char c : std::string(param.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    }
};

}  // namespace malvor::testing_support
