#include "imaging/frame_renderer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;

// Every still that gives no frame says why, and one that does clears the reason.
TEST(FrameRenderer, ASkippedStillSaysWhy) {
    testing::TempDir dir;
    fs::create_directory(dir / "folder.jpg");
    const fs::path data = fs::path(CHRONOREEL_TEST_DATA) / "jpeg";
    const struct {
        fs::path path;
        FrameSkip reason;
    } cases[] = {
        {dir / "missing.jpg", FrameSkip::kCannotOpen},
        {dir / "folder.jpg", FrameSkip::kNotRegularFile},
        {data / "broken" / "bad-zero-length.jpg", FrameSkip::kEmpty},
        {data / "broken" / "bad-png-renamed.jpg", FrameSkip::kNotAJpeg},
        {data / "broken" / "bad-sof-65000x65000.jpg", FrameSkip::kNotAJpeg},
        {data / "broken" / "bad-truncated-50pct.jpg", FrameSkip::kBroken},
        {data / "ljt-testorig.jpg", FrameSkip::kNone},
    };
    FrameRenderer renderer(MovieSize{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        EXPECT_EQ(renderer.Render(c.path.string()), c.reason == FrameSkip::kNone);
        EXPECT_EQ(renderer.LastSkip(), c.reason);
        EXPECT_FALSE(FrameSkipText(c.reason).empty());
    }
}

}  // namespace
}  // namespace chronoreel
