#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/numbers.h"
#include "movie_setup/fps_choices.h"
#include "movie_setup/setup_control_text.h"

namespace chronoreel {
namespace {

TEST(FpsChoices, ListedRatesShowThemselvesOthersShow24) {
    for (std::size_t i = 0; i < kFpsChoices.size(); ++i) {
        EXPECT_EQ(FpsChoiceIndex(kFpsChoices[i]), i);
    }
    for (const std::int32_t unlisted : {7, 0, 59, 61, -1}) {
        EXPECT_EQ(kFpsChoices[FpsChoiceIndex(unlisted)], 24) << unlisted;
    }
}

TEST(SetupControlText, NumbersFollowTheLocaleSeparator) {
    const bool saved = DecimalComma();
    struct Case {
        double value;
        std::string point;
        std::string comma;
    };
    const std::vector<Case> cases = {
        {24, "24", "24"},
        {1.5, "1.5", "1,5"},
        {-0.25, "-0.25", "-0,25"},
        {168, "168", "168"},
        {1234567.5, "1234567.5", "1234567,5"},
    };
    for (const Case& c : cases) {
        SetDecimalComma(false);
        EXPECT_EQ(LocaleNumberText(c.value), c.point);
        SetDecimalComma(true);
        EXPECT_EQ(LocaleNumberText(c.value), c.comma);
        // The box text reads back to the value in its locale.
        EXPECT_DOUBLE_EQ(Str2Dbl(LocaleNumberText(c.value)), c.value);
    }
    SetDecimalComma(saved);
}

TEST(SetupControlText, TrimRemovesOnlyEnclosingBlanks) {
    EXPECT_EQ(TrimBlanks("  /home/me/cam images  "), "/home/me/cam images");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks("*.jpg"), "*.jpg");
}

}  // namespace
}  // namespace chronoreel
