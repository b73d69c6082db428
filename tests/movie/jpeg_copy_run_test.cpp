#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/shared_routines.h"
#include "imaging/dib.h"
#include "imaging/jpeg_copy_check.h"
#include "movie/make_movie.h"
#include "movie/movie_gen.h"
#include "movie/run_diagnostics.h"
#include "movie/run_view.h"
#include "support/avi_reader.h"
#include "support/fixed_clock.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"
#include "video/video_settings.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;
using testing::FixedClock;
using testing::RunCommand;
using testing::TempDir;

const fs::path kJpegs = fs::path(CHRONOREEL_TEST_DATA) / "jpeg";

// A preview that counts the pictures it is shown.
class CountingView final : public RunView {
  public:
    int framesShown = 0;
    void Open() override {}
    void SetStatus(std::string_view) override {}
    void SetFrameText(std::string_view) override {}
    void PrepareForMovieSize(std::int32_t, std::int32_t) override {}
    void ShowFrame(const DIB& frame, bool) override {
        EXPECT_GT(frame.Width(), 0);
        ++framesShown;
    }
    void Refresh() override {}
    void ShowMessage(std::string_view, std::string_view) override {}
    void Close() override {}
    void BringMainWindowToFront() override {}
};

// The waits of a run with a preview pass in no time.
class JpegCopyRun : public ::testing::Test {
  protected:
    void SetUp() override {
        DelayHooks hooks = DefaultDelayHooks();
        hooks.secondsSinceMidnight = [this] { return fakeSeconds_ += 0.25; };
        hooks.sleepBriefly = [] {};
        SetDelayHooks(hooks);
    }
    void TearDown() override { SetDelayHooks(DefaultDelayHooks()); }
    double fakeSeconds_ = 1000;
};

// Every frame of a movie or the picture of a still as ffmpeg decodes it, red-green-blue, one
// after the other.
std::string FfmpegPixels(const fs::path& file) {
    return RunCommand("ffmpeg -v error -i '" + file.string() + "' -f rawvideo -pix_fmt rgb24 -");
}

// A folder of stills of one size at the best Motion JPEG quality: the stills that can go in as
// they are become frames byte for byte (without their EXIF segment and its thumbnail), a
// progressive still and stills of other sizes are decoded, scaled and encoded in the same movie,
// a broken still is skipped and reported once. One step below the best quality nothing is
// copied, and a shown preview still gets every picture.
TEST_F(JpegCopyRun, BestMotionJpegQualityCopiesStillsThatFit) {
    const std::string storm = testing::ReadText(kJpegs / "mate-Storm.jpg");
    const auto decodedStorm = testing::DecodeJpeg(storm);
    ASSERT_TRUE(decodedStorm);
    testing::RgbPicture picture(decodedStorm->width, decodedStorm->height);
    for (int y = 0; y < picture.height; ++y) {
        const char* row = decodedStorm->bgrBottomUp.data() +
                          static_cast<std::size_t>(picture.height - 1 - y) * picture.width * 3;
        for (int x = 0; x < picture.width; ++x) {
            picture.Set(
                x, y,
                {static_cast<std::uint8_t>(row[3 * x + 2]),
                 static_cast<std::uint8_t>(row[3 * x + 1]), static_cast<std::uint8_t>(row[3 * x])});
        }
    }
    const std::string progressiveStorm =
        testing::EncodeJpeg(picture, 90, testing::JpegCoding::kProgressive);
    std::vector<std::uint8_t> stormFrame;
    ASSERT_TRUE(ExtractCopyableJpeg(
        std::span(reinterpret_cast<const std::uint8_t*>(storm.data()), storm.size()), stormFrame));
    const std::string_view stormFrameBytes(reinterpret_cast<const char*>(stormFrame.data()),
                                           stormFrame.size());

    TempDir dir;
    fs::create_directories(dir / "stills");
    // In time order: copy, encoded (progressive), skipped, copy, encoded (another size) twice.
    fs::copy_file(kJpegs / "mate-Storm.jpg", dir / "stills" / "20030102100000.jpg");
    testing::WriteText(dir / "stills" / "20030102100100.jpg", progressiveStorm);
    fs::copy_file(kJpegs / "broken" / "bad-truncated-50pct.jpg",
                  dir / "stills" / "20030102100200.jpg");
    fs::copy_file(kJpegs / "mate-Storm.jpg", dir / "stills" / "20030102100300.jpg");
    fs::copy_file(kJpegs / "ljt-testorig.jpg", dir / "stills" / "20030102100400.jpg");
    fs::copy_file(kJpegs / "mate-Wood.jpg", dir / "stills" / "20030102100500.jpg");
    const std::string firstStill = (dir / "stills" / "20030102100000.jpg").string();
    const std::string stillPixels = FfmpegPixels(firstStill);
    const std::size_t frameBytes = std::size_t{1920} * 1280 * 3;
    ASSERT_EQ(stillPixels.size(), frameBytes);

    struct Case {
        std::int32_t quality;
        bool preview;
        bool copies;
    };
    const Case cases[] = {
        {kQualityBest, false, true},
        {kQualityBest, true, true},
        {kQualityBest - 1, false, false},
    };
    const std::size_t frameCount = 5;
    const FixedClock clock{MakeDateTime(2003, 1, 3, 12, 0, 0)};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.quality) + (c.preview ? " with preview" : ""));
        SetupChangedFlag flag;
        MovieGen gen{flag};
        gen.SetStillDirectory((dir / "stills").string());
        gen.SetTimeStampOption(1);
        const fs::path movie = dir / "movie.avi";
        gen.SetOutputAVIPath(movie.string());
        gen.SetCompressHandler(MakeFourcc("MJPG"));
        gen.SetCompressQuality(c.quality);
        std::vector<std::string> diagnostics;
        CountingView view;
        const RunContext context{clock,
                                 {[] { return 0.25; }, [] { return 0.75; }},
                                 c.preview ? &view : nullptr,
                                 true,
                                 [&](std::string_view line) { diagnostics.emplace_back(line); },
                                 {}};
        ASSERT_EQ(MakeMovie(gen, context), RunOutcome::kMovieWritten);
        EXPECT_EQ(diagnostics,
                  std::vector<std::string>{SkippedStillLine(
                      (dir / "stills" / "20030102100200.jpg").string(), FrameSkip::kBroken)});
        if (c.preview) {
            EXPECT_EQ(view.framesShown, static_cast<int>(frameCount));
        }

        const std::string bytes = testing::ReadText(movie);
        const testing::AviContents avi = testing::ReadAvi(bytes);
        ASSERT_EQ(avi.problem, "");
        ASSERT_EQ(avi.streams.size(), 1u);
        EXPECT_EQ(avi.streams[0].handler, "MJPG");
        EXPECT_EQ(avi.width, 1920u);
        EXPECT_EQ(avi.height, 1280u);
        ASSERT_EQ(avi.frames.size(), frameCount);
        const bool copied[frameCount] = {c.copies, false, c.copies, false, false};
        for (std::size_t i = 0; i < frameCount; ++i) {
            EXPECT_EQ(avi.frames[i] == stormFrameBytes, copied[i]) << "frame " << i;
            EXPECT_TRUE(avi.frames[i].starts_with("\xFF\xD8")) << "frame " << i;
        }
        EXPECT_EQ(RunCommand("ffmpeg -v error -i '" + movie.string() + "' -f null - 2>&1"), "");
        // A copied frame shows exactly the still's pixels; an encoded one only close to them.
        const std::string moviePixels = FfmpegPixels(movie);
        ASSERT_EQ(moviePixels.size(), frameCount * frameBytes);
        for (std::size_t i = 0; i < frameCount; ++i) {
            const std::string_view frame =
                std::string_view(moviePixels).substr(i * frameBytes, frameBytes);
            EXPECT_EQ(frame == stillPixels, copied[i]) << "frame " << i;
        }
        // The progressive still is the same picture, encoded again.
        double difference = 0;
        std::size_t samples = 0;
        for (std::size_t i = 0; i < frameBytes; i += 997, ++samples) {
            difference += std::abs(static_cast<int>(static_cast<std::uint8_t>(stillPixels[i])) -
                                   static_cast<std::uint8_t>(moviePixels[frameBytes + i]));
        }
        EXPECT_LT(difference / static_cast<double>(samples), 12.0);
    }
}

}  // namespace
}  // namespace chronoreel
