// Text from files as messages show it.
#include "shown_text.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

TEST(ShownText, ControlCharactersAndInvalidUtf8AsHexBytes)
{
    struct Case {
        std::string text;
        std::string shown;
        bool control;
    };
    const Case cases[] = {
        // clang-format off
        {"R1 10k\tx", "R1 10k\tx", false},
        {"\x1b[2J", "\\x1B[2J", true},
        {std::string("a\0b\r\n\x7f", 6), "a\\x00b\\x0D\\x0A\\x7F", true},
        {"\xc2\x9b" "1", "\\xC2\\x9B1", true},  // C1 as UTF-8
        {"\xc2\x80", "\\xC2\\x80", true},
        {"\xc2\xa0\xc3\xa9\xe2\x82\xac\xf0\x9f\x94\x8c", "\xc2\xa0\xc3\xa9\xe2\x82\xac\xf0\x9f\x94\x8c", false},
        {"\xff\xe9t\xe9", "\\xFF\\xE9t\\xE9", false},  // Latin-1 is no control character
        {"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xf5\x80\x80\x80", "\\xC0\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xF5\\x80\\x80\\x80", false},  // overlong, surrogate, past U+10FFFF
        {"\xe0\x80\x80\xc1\xbf\xf0\x8f\xbf\xbf", "\\xE0\\x80\\x80\\xC1\\xBF\\xF0\\x8F\\xBF\\xBF", false},  // overlong
        {"\xe0\xa0\x80\xed\x9f\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", "\xe0\xa0\x80\xed\x9f\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", false},  // the first or last valid
        {"\xe2\x82", "\\xE2\\x82", false},  // cut short
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(c.text), c.shown) << c.shown;
        EXPECT_EQ(has_control_character(c.text), c.control) << c.shown;
    }
}

}  // namespace
}  // namespace malvor
