#include "movie/frame_progress.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace chronoreel {
namespace {

TEST(FrameProgress, ReadsOnlyFrameCountTexts) {
    struct Case {
        std::string text;
        std::optional<std::size_t> done;
        std::size_t total = 0;
    };
    const std::vector<Case> cases = {
        {"Frame: 1 of 600", 1, 600},
        {"Frame: 0 of 12", 0, 12},
        {"Frame: 600 of 600", 600, 600},
        {"Found: 12 Files", std::nullopt},
        {"Found: Frame: 1 of 2.jpg", std::nullopt},
        {"Frame: 1/1", std::nullopt},
        {"Frame: 1 of ", std::nullopt},
        {"Frame: 1 of 2x", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<FrameProgress> progress = FrameProgressFromText(c.text);
        ASSERT_EQ(progress.has_value(), c.done.has_value()) << c.text;
        if (progress) {
            EXPECT_EQ(progress->done, *c.done) << c.text;
            EXPECT_EQ(progress->total, c.total) << c.text;
        }
    }
}

}  // namespace
}  // namespace chronoreel
