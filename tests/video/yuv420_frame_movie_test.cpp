#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/dib.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/yuv_planes.h"
#include "os/read_file.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"
#include "video/video_compressors.h"
#include "video/video_writer.h"

namespace chronoreel {
namespace {

using testing::RunCommand;
using testing::TempDir;
namespace fs = std::filesystem;

// Mean difference per colour byte that a 4:2:0 still keeps through each encoder at quality 7500,
// from its own decode to the movie's frame. Frames given as pixels meet it too (measured: up to
// 4.4, MPEG-4 on ljt-testorig.jpg).
constexpr double kMeanTolerance = 5.0;

bool HasCompressor(std::int32_t code) {
    for (const VideoCompressor& compressor : AvailableVideoCompressors()) {
        if (compressor.code == code) {
            return true;
        }
    }
    return false;
}

// Every frame of the movie as blue-green-red bytes, top row first, frame after frame.
std::string DecodeEveryFrame(const fs::path& movie) {
    return RunCommand("ffmpeg -v error -i '" + movie.string() + "' -f rawvideo -pix_fmt bgr24 -");
}

struct Still {
    std::vector<std::uint8_t> jpeg;
    JpegHeader header;
    DIB pixels;  // the still's own decode, as the pixel path gets it
    Yuv420Planes planes;
};

Still LoadStill(const std::vector<std::uint8_t>& jpeg) {
    Still still;
    still.jpeg = jpeg;
    JpegDecoder decoder;
    const auto header = decoder.ReadHeader(jpeg);
    EXPECT_TRUE(header.has_value());
    if (!header) {
        return still;
    }
    still.header = *header;
    still.pixels.SetWidthHeight(header->width, header->height);
    EXPECT_TRUE(decoder.Decode(jpeg, *header, still.pixels));
    EXPECT_TRUE(decoder.DecodeYuv420(jpeg, *header, still.planes));
    return still;
}

std::vector<std::uint8_t> FixtureBytes(const std::string& name) {
    return ReadWholeFile(std::string(CHRONOREEL_TEST_DATA) + "/jpeg/" + name, kMaxJpegFileBytes)
        .value_or(std::vector<std::uint8_t>{});
}

std::vector<std::uint8_t> MadeBytes(int width, int height) {
    const std::string jpeg =
        testing::EncodeJpeg(testing::QuadrantPicture(width, height), 90,
                            testing::JpegCoding::kBaseline, testing::JpegChroma::k420);
    return {jpeg.begin(), jpeg.end()};
}

// Mean difference per colour byte of one decoded movie frame (storedWidth wide, top row first)
// against the still, over the still's own pixels.
double MeanDifference(const std::string& frames, std::size_t frameIndex, int storedWidth,
                      int storedHeight, const DIB& still) {
    const std::size_t frameBytes = static_cast<std::size_t>(storedWidth) * storedHeight * 3;
    const auto* frame =
        reinterpret_cast<const std::uint8_t*>(frames.data()) + frameIndex * frameBytes;
    double sum = 0;
    for (int y = 0; y < still.Height(); ++y) {
        const std::uint8_t* row = frame + static_cast<std::size_t>(y) * storedWidth * 3;
        for (int x = 0; x < still.Width(); ++x) {
            const Bgr p = still.Pixel(x, y);
            sum += std::abs(row[x * 3] - p.blue) + std::abs(row[x * 3 + 1] - p.green) +
                   std::abs(row[x * 3 + 2] - p.red);
        }
    }
    return sum / (3.0 * still.Width() * still.Height());
}

// Mean difference per colour byte between two columns (or rows) of a decoded frame.
double EdgeDifference(const std::string& frames, int storedWidth, int storedHeight, bool columns,
                      int a, int b) {
    const auto* frame = reinterpret_cast<const std::uint8_t*>(frames.data());
    const int length = columns ? storedHeight : storedWidth;
    double sum = 0;
    for (int i = 0; i < length; ++i) {
        const std::size_t first = columns ? (static_cast<std::size_t>(i) * storedWidth + a) * 3
                                          : (static_cast<std::size_t>(a) * storedWidth + i) * 3;
        const std::size_t second = columns ? (static_cast<std::size_t>(i) * storedWidth + b) * 3
                                           : (static_cast<std::size_t>(b) * storedWidth + i) * 3;
        for (int c = 0; c < 3; ++c) {
            sum += std::abs(frame[first + c] - frame[second + c]);
        }
    }
    return sum / (3.0 * length);
}

// A movie of frames given as planes (P) or pixels (B) of one still.
void WriteMovie(const fs::path& movie, std::uint32_t handler, const Still& still,
                const std::string& kinds) {
    VideoSettings settings;
    settings.handler = handler;
    settings.quality = 7500;
    settings.framesPerSecond = 10;
    VideoWriter writer;
    ASSERT_TRUE(writer.Open(movie, settings).Ok());
    ASSERT_TRUE(writer.TakesYuv420Frames());
    for (const char kind : kinds) {
        const VideoStatus written =
            kind == 'P' ? writer.WriteYuv420Frame(still.planes)
                        : writer.WriteFrame(still.pixels.DIBPtr(), still.pixels.Width(),
                                            still.pixels.Height(), still.pixels.StrideBytes());
        ASSERT_TRUE(written.Ok()) << written.message;
    }
    ASSERT_TRUE(writer.Close().Ok());
}

// Frames given as 4:2:0 planes come out of every encoder of such planes as close to the still as
// frames given as pixels (the range each encoder stores is kept), mixed with pixel frames in any
// order, at odd sizes too; H.264's added row and column repeat the picture's edge.
TEST(Yuv420FrameMovie, PlaneFramesDecodeAsCloseToTheStillAsPixelFrames) {
    struct CodecCase {
        std::int32_t code;
        bool evenSize;
    };
    const CodecCase codecs[] = {
        {MakeFourcc("MJPG"), false}, {MakeFourcc("FMP4"), false}, {MakeFourcc("H264"), true}};
    struct StillCase {
        const char* name;
        std::vector<std::uint8_t> jpeg;
    };
    const StillCase stills[] = {
        {"ljt-testorig.jpg (227x149)", FixtureBytes("ljt-testorig.jpg")},
        {"quadrants 161x97", MadeBytes(161, 97)},
    };
    const std::string orders[] = {"PPP", "PBPB", "BPP"};
    TempDir dir;
    for (const CodecCase& codec : codecs) {
        if (!HasCompressor(codec.code)) {
            continue;
        }
        for (const StillCase& stillCase : stills) {
            const Still still = LoadStill(stillCase.jpeg);
            ASSERT_TRUE(JpegDecoder::IsYuv420(still.header)) << stillCase.name;
            const int width = still.header.width;
            const int height = still.header.height;
            const int storedWidth = codec.evenSize ? width + (width & 1) : width;
            const int storedHeight = codec.evenSize ? height + (height & 1) : height;
            // Today's path alone gives the bar the plane frames must also clear.
            const fs::path pixelMovie = dir / "pixels.avi";
            WriteMovie(pixelMovie, codec.code, still, "BBB");
            const std::string pixelFrames = DecodeEveryFrame(pixelMovie);
            for (const std::string& order : orders) {
                SCOPED_TRACE(FourccText(codec.code) + " " + stillCase.name + " " + order);
                const fs::path movie = dir / "movie.avi";
                WriteMovie(movie, codec.code, still, order);
                const std::string frames = DecodeEveryFrame(movie);
                const std::size_t frameBytes =
                    static_cast<std::size_t>(storedWidth) * storedHeight * 3;
                ASSERT_EQ(frames.size(), frameBytes * order.size());
                for (std::size_t i = 0; i < order.size(); ++i) {
                    const double planeDifference =
                        MeanDifference(frames, i, storedWidth, storedHeight, still.pixels);
                    const double pixelDifference =
                        MeanDifference(pixelFrames, std::min<std::size_t>(i, 2), storedWidth,
                                       storedHeight, still.pixels);
                    EXPECT_LE(planeDifference, kMeanTolerance) << "frame " << i;
                    EXPECT_LE(pixelDifference, kMeanTolerance) << "frame " << i;
                    // Not measurably worse than today's path; a wrong range or a shifted
                    // plane costs far more than this.
                    EXPECT_LE(planeDifference, pixelDifference + 1.0) << "frame " << i;
                }
                if (storedWidth > width) {
                    EXPECT_LE(
                        EdgeDifference(frames, storedWidth, storedHeight, true, width - 1, width),
                        kMeanTolerance);
                }
                if (storedHeight > height) {
                    EXPECT_LE(EdgeDifference(frames, storedWidth, storedHeight, false, height - 1,
                                             height),
                              kMeanTolerance);
                }
            }
        }
    }
}

// Only movies encoded from 4:2:0 planes take plane frames.
TEST(Yuv420FrameMovie, OnlyEncodersOfYuv420PlanesTakePlaneFrames) {
    struct Case {
        std::int32_t code;
        bool takes;
    };
    const Case cases[] = {{MakeFourcc("DIB "), false}, {0, false},
                          {MakeFourcc("MJPG"), true},  {MakeFourcc("FMP4"), true},
                          {MakeFourcc("H264"), true},  {MakeFourcc("FFV1"), false},
                          {MakeFourcc("HFYU"), false}};
    TempDir dir;
    for (const Case& c : cases) {
        if (c.code == MakeFourcc("H264") && !HasCompressor(c.code)) {
            continue;
        }
        SCOPED_TRACE(FourccText(c.code));
        VideoSettings settings;
        settings.handler = c.code;
        VideoWriter writer;
        EXPECT_FALSE(writer.TakesYuv420Frames());  // nothing open yet
        ASSERT_TRUE(writer.Open(dir / "movie.avi", settings).Ok());
        EXPECT_EQ(writer.TakesYuv420Frames(), c.takes);
        writer.Discard();
    }
}

}  // namespace
}  // namespace chronoreel
