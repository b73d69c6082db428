#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/jpeg_copy_check.h"
#include "imaging/jpeg_decoder.h"
#include "os/read_file.h"
#include "support/avi_reader.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "video/video_compressors.h"
#include "video/video_writer.h"

namespace chronoreel {
namespace {

using testing::ReadAvi;
using testing::ReadText;
using testing::RunCommand;
using testing::TempDir;
namespace fs = std::filesystem;

constexpr std::uint32_t kIndexKeyFrame = 0x10;

// The frame a still gives when it goes into the movie as it is.
std::vector<std::uint8_t> CopiedFrame(const std::string& name, JpegFrameSize& size) {
    const auto still =
        ReadWholeFile(std::string(CHRONOREEL_TEST_DATA) + "/jpeg/" + name, kMaxJpegFileBytes);
    std::vector<std::uint8_t> frame;
    if (still) {
        size = ExtractCopyableJpeg(*still, frame).value_or(JpegFrameSize{});
    }
    return frame;
}

// Copied (C) and encoded (E) frames mix in one Motion JPEG movie in the order they came, also
// when the first frame is a copy and when the encoder still holds frames as a copy comes; every
// frame is a key frame and decodes, and each copy is stored byte for byte.
TEST(JpegFrameMovie, CopiedAndEncodedFramesKeepTheirOrder) {
    JpegFrameSize size;
    const std::vector<std::uint8_t> copy = CopiedFrame("ljt-testorig.jpg", size);
    ASSERT_FALSE(copy.empty());
    const int stride = (size.width * 3 + 3) & ~3;
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(stride) * size.height, 0x80);
    const std::string orders[] = {"C", "CECEC", "EEEECECC", "CCEEE", "EC"};
    TempDir dir;
    for (const std::string& order : orders) {
        SCOPED_TRACE(order);
        const fs::path movie = dir / "movie.avi";
        VideoSettings settings;
        settings.handler = MakeFourcc("MJPG");
        settings.quality = kQualityBest;
        settings.framesPerSecond = 10;
        VideoWriter writer;
        ASSERT_TRUE(writer.Open(movie, settings).Ok());
        ASSERT_TRUE(writer.TakesJpegFrames());
        for (const char kind : order) {
            const VideoStatus written =
                kind == 'C' ? writer.WriteJpegFrame(copy, size.width, size.height)
                            : writer.WriteFrame(grey.data(), size.width, size.height, stride);
            ASSERT_TRUE(written.Ok()) << written.message;
        }
        ASSERT_TRUE(writer.Close().Ok());

        // The parsed movie's frames are views into its bytes, which must outlive them.
        const std::string bytes = ReadText(movie);
        const auto avi = ReadAvi(bytes);
        ASSERT_EQ(avi.problem, "");
        ASSERT_EQ(avi.streams.size(), 1u);
        EXPECT_EQ(avi.streams[0].handler, "MJPG");
        EXPECT_EQ(avi.width, static_cast<std::uint32_t>(size.width));
        EXPECT_EQ(avi.height, static_cast<std::uint32_t>(size.height));
        ASSERT_EQ(avi.frames.size(), order.size());
        ASSERT_EQ(avi.index.size(), order.size());
        const std::string_view copyBytes(reinterpret_cast<const char*>(copy.data()), copy.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(avi.frames[i] == copyBytes, order[i] == 'C') << "frame " << i;
            EXPECT_NE(avi.index[i].flags & kIndexKeyFrame, 0u) << "frame " << i;
        }
        EXPECT_EQ(RunCommand("ffmpeg -v error -i '" + movie.string() + "' -f null - 2>&1"), "");
    }
}

// Frames of another size than the movie's, and copies into a movie that does not store JPEG
// images, are faults of the caller.
TEST(JpegFrameMovie, OnlyMotionJpegMoviesOfTheSameSizeTakeCopies) {
    JpegFrameSize size;
    const std::vector<std::uint8_t> copy = CopiedFrame("ljt-testorig.jpg", size);
    ASSERT_FALSE(copy.empty());
    TempDir dir;
    for (const std::int32_t code : {MakeFourcc("DIB "), MakeFourcc("FMP4"), MakeFourcc("FFV1")}) {
        VideoSettings settings;
        settings.handler = code;
        settings.framesPerSecond = 10;
        VideoWriter writer;
        ASSERT_TRUE(writer.Open(dir / "other.avi", settings).Ok());
        EXPECT_FALSE(writer.TakesJpegFrames()) << FourccText(code);
        writer.Discard();
    }
    VideoSettings settings;
    settings.handler = MakeFourcc("mjpg");
    settings.framesPerSecond = 10;
    VideoWriter writer;
    ASSERT_TRUE(writer.Open(dir / "movie.avi", settings).Ok());
    EXPECT_TRUE(writer.TakesJpegFrames());
    ASSERT_TRUE(writer.WriteJpegFrame(copy, size.width, size.height).Ok());
    EXPECT_ANY_THROW((void)writer.WriteJpegFrame(copy, size.width + 4, size.height));
    writer.Discard();
}

}  // namespace
}  // namespace chronoreel
