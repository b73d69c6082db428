#include "base/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string_view>

namespace chronoreel {
namespace {

TEST(Text, TrimsBlanksOrAllWhiteSpace) {
    const struct {
        std::string_view text;
        std::string_view blanksTrimmed;
        std::string_view whitespaceTrimmed;
    } cases[] = {
        {"", "", ""},
        {" \t ", "", ""},
        {"  a b\t", "a b", "a b"},
        {"\r\n x \n", "\r\n x \n", "x"},
        {"\va\f", "\va\f", "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TrimBlanks(c.text), c.blanksTrimmed);
        EXPECT_EQ(TrimWhitespace(c.text), c.whitespaceTrimmed);
    }
}

TEST(Text, ComparesAsciiLettersWithoutCase) {
    EXPECT_TRUE(EqualsIgnoringCase("Chronoreel.INI", "chronoreel.ini"));
    EXPECT_FALSE(EqualsIgnoringCase("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoringCase("[", "{"));  // 0x5B and 0x7B differ by the case bit only
    EXPECT_FALSE(EqualsIgnoringCase("\xC3\x84", "\xC3\xA4"));  // no letters outside ASCII
    EXPECT_TRUE(StartsWithIgnoringCase("/F=day.tls", "/f="));
    EXPECT_FALSE(StartsWithIgnoringCase("/f", "/f="));
    EXPECT_EQ(ToLowerAscii("MJPG-Ä.JPG"), "mjpg-Ä.jpg");
    EXPECT_EQ(ToUpperAscii('z'), 'Z');
    EXPECT_EQ(ToUpperAscii('{'), '{');
}

TEST(Text, RoundsHalvesToTheEvenNeighbour) {
    const struct {
        double value;
        double rounded;
    } cases[] = {
        {0.5, 0},   {1.5, 2},       {2.5, 2}, {-0.5, -0.0}, {-1.5, -2},
        {-2.5, -2}, {2.4999999, 2}, {7.5, 8}, {6.5, 6},     {1e300, 1e300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(RoundHalfEven(c.value), c.rounded);
    }
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
}  // namespace chronoreel
