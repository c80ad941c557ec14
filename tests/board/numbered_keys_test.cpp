// Keys numbered in the order first added, found again through every growth of the table.
#include "numbered_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace malvor {
namespace {

TEST(NumberedKeys, NumberedOnceFoundAgain)
{
    NumberedKeys keys;
    EXPECT_EQ(keys.find("r1\n1"), NumberedKeys::none);
    struct Case {
        std::string key;
        std::uint32_t number;
    };
    const Case cases[] = {
        {"r1\n1", 0},
        {"r1\n2", 1},
        {"", 2},
        {"r1\n1", 0},
        {"R1\n1", 3},
        {"", 2},
        {std::string("a\0b", 3), 4},
        {std::string("a\0c", 3), 5},
        {"r1\n", 6},
        {"r1", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keys.add(c.key), c.number) << c.key;
        EXPECT_EQ(keys.key(c.number), c.key);
    }
    EXPECT_EQ(keys.size(), 8u);

    // Thousands more, as a routed board has: every one keeps its number and its text.
    for (std::uint32_t n = 0; n < 20000; ++n)
        EXPECT_EQ(keys.add("p" + std::to_string(n) + "\n" + std::to_string(n % 7)), 8 + n);
    for (const auto& c : cases)
        EXPECT_EQ(keys.find(c.key), c.number) << c.key;
    for (std::uint32_t n = 0; n < 20000; n += 997) {
        const auto key = "p" + std::to_string(n) + "\n" + std::to_string(n % 7);
        EXPECT_EQ(keys.find(key), 8 + n);
        EXPECT_EQ(keys.key(8 + n), key);
    }
    EXPECT_EQ(keys.find("p20000\n1"), NumberedKeys::none);
    EXPECT_EQ(keys.size(), 20008u);
}

}  // namespace
}  // namespace malvor
