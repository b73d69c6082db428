#include "video/video_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/app_error.h"
#include "base/error_report.h"
#include "support/avi_reader.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "video/video_compressors.h"

namespace chronoreel {
namespace {

using testing::ReadAvi;
using testing::ReadBitmapHeader;
using testing::ReadText;
using testing::RunCommand;
using testing::TempDir;
using testing::WriteText;
namespace fs = std::filesystem;

constexpr std::uint32_t kIndexKeyFrame = 0x10;

// A frame in the drawing surface layout: blue-green-red, bottom row first, rows padded to 4.
struct Picture {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> bytes;

    std::uint8_t* Pixel(int x, int yFromTop) {
        return bytes.data() + static_cast<std::size_t>(height - 1 - yFromTop) * stride + x * 3;
    }
    VideoStatus WriteTo(VideoWriter& writer) const {
        return writer.WriteFrame(bytes.data(), width, height, stride);
    }
};

Picture BlankPicture(int width, int height) {
    Picture picture{width, height, (width * 3 + 3) & ~3, {}};
    picture.bytes.assign(static_cast<std::size_t>(picture.stride) * height, 0);
    return picture;
}

// Top half red, bottom half blue: upside down it reads the other way. The marker goes into
// the top-left pixel so that frames can be told apart.
Picture SplitPicture(int width, int height, int marker = 0) {
    Picture picture = BlankPicture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = picture.Pixel(x, y);
            pixel[y < height / 2 ? 2 : 0] = 255;
        }
    }
    picture.Pixel(0, 0)[1] = static_cast<std::uint8_t>(marker);
    return picture;
}

// A diagonal gradient with grain: detail that costs bits at every quality.
Picture GrainPicture(int width, int height, unsigned seed) {
    Picture picture = BlankPicture(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * 3; ++x) {
            picture.Pixel(0, y)[x] = static_cast<std::uint8_t>(x / 3 + y + random() % 48);
        }
    }
    return picture;
}

VideoSettings Settings(const char (&code)[5], int framesPerSecond = 24) {
    VideoSettings settings;
    settings.handler = MakeFourcc(code);
    settings.framesPerSecond = framesPerSecond;
    return settings;
}

bool HasCompressor(std::int32_t code) {
    for (const VideoCompressor& compressor : AvailableVideoCompressors()) {
        if (compressor.code == code) {
            return true;
        }
    }
    return false;
}

// Entries of folder whose names start with a dot (where temporary movies live).
std::vector<std::string> HiddenFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".")) {
            names.push_back(name);
        }
    }
    return names;
}

// The value after "key": in ffprobe's JSON, without quotes.
std::string JsonField(const std::string& json, const std::string& key) {
    const std::string label = "\"" + key + "\": ";
    const std::size_t at = json.find(label);
    if (at == std::string::npos) {
        return "";
    }
    std::size_t begin = at + label.size();
    if (json[begin] == '"') {
        ++begin;
        return json.substr(begin, json.find('"', begin) - begin);
    }
    return json.substr(begin, json.find_first_of(",\n}", begin) - begin);
}

std::string Probe(const fs::path& file) {
    return RunCommand("ffprobe -v error -count_frames -show_streams -of json '" + file.string() +
                      "'");
}

// The first frame as ffmpeg decodes it: top row first, 3 bytes per pixel, blue-green-red.
std::string DecodeFirstFrame(const fs::path& file) {
    return RunCommand("ffmpeg -v error -i '" + file.string() +
                      "' -frames:v 1 -f rawvideo -pix_fmt bgr24 -");
}

struct WrittenMovie {
    VideoStatus opened, written, closed;
};

WrittenMovie WriteMovie(const fs::path& file, const VideoSettings& settings,
                        const std::vector<Picture>& frames) {
    WrittenMovie result;
    VideoWriter writer;
    result.opened = writer.Open(file, settings);
    for (const Picture& frame : frames) {
        if (result.opened.Ok() && result.written.Ok()) {
            result.written = frame.WriteTo(writer);
        }
    }
    result.closed = writer.Close();
    return result;
}

TEST(VideoWriter, UncompressedMovieHoldsBottomUpBiRgbFramesWithTheStreamHeaderValues) {
    TempDir dir;
    const fs::path movie = dir / "movie.avi";
    std::vector<Picture> frames;
    for (int marker = 1; marker <= 3; ++marker) {
        frames.push_back(SplitPicture(320, 240, marker));
    }
    const WrittenMovie written = WriteMovie(movie, Settings("DIB ", 24), frames);
    ASSERT_TRUE(written.opened.Ok() && written.written.Ok() && written.closed.Ok())
        << written.opened.message << written.written.message << written.closed.message;

    const std::string bytes = ReadText(movie);
    const testing::AviContents avi = ReadAvi(bytes);
    ASSERT_EQ(avi.problem, "");
    EXPECT_EQ(avi.totalFrames, 3u);
    EXPECT_EQ(avi.streamCount, 1u);
    EXPECT_EQ(avi.width, 320u);
    EXPECT_EQ(avi.height, 240u);
    ASSERT_EQ(avi.streams.size(), 1u);
    const testing::AviStream& stream = avi.streams[0];
    EXPECT_EQ(stream.type, "vids");
    EXPECT_EQ(stream.scale, 1u);
    EXPECT_EQ(stream.rate, 24u);
    EXPECT_EQ(stream.length, 3u);
    EXPECT_EQ(stream.suggestedBufferSize, 230400u);
    EXPECT_EQ(stream.frameLeft, 0);
    EXPECT_EQ(stream.frameTop, 0);
    EXPECT_EQ(stream.frameRight, 320);
    EXPECT_EQ(stream.frameBottom, 240);

    const testing::BitmapHeader format = ReadBitmapHeader(stream.format);
    EXPECT_EQ(format.size, 40u);
    EXPECT_EQ(format.width, 320);
    EXPECT_EQ(format.height, 240) << "a negative height would mean top-down rows";
    EXPECT_EQ(format.planes, 1);
    EXPECT_EQ(format.bitCount, 24);
    EXPECT_EQ(format.compressionCode, 0u) << "BI_RGB";
    EXPECT_EQ(format.sizeImage, 230400u);

    // Every sample holds the surface's rows exactly as given (bottom row first), in order.
    ASSERT_EQ(avi.frames.size(), 3u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(avi.frames[i] ==
                    std::string_view(reinterpret_cast<const char*>(frames[i].bytes.data()),
                                     frames[i].bytes.size()))
            << "frame " << i << " differs";
    }
    ASSERT_EQ(avi.index.size(), 3u);
    for (const testing::AviIndexEntry& entry : avi.index) {
        EXPECT_EQ(entry.flags & kIndexKeyFrame, kIndexKeyFrame);
    }
}

struct CodecCase {
    std::int32_t code;
    const char* codecName;  // as ffprobe names it
    bool lossless;
    bool evenSize;  // the stored picture is rounded up to even sizes
};

TEST(VideoWriter, EveryCompressorWritesAnUprightMovieThatFfmpegReads) {
    const CodecCase cases[] = {
        {MakeFourcc("DIB "), "rawvideo", true, false}, {0, "rawvideo", true, false},
        {MakeFourcc("MJPG"), "mjpeg", false, false},   {MakeFourcc("FMP4"), "mpeg4", false, false},
        {MakeFourcc("xvid"), "mpeg4", false, false},   {MakeFourcc("DX50"), "mpeg4", false, false},
        {MakeFourcc("FFV1"), "ffv1", true, false},     {MakeFourcc("HFYU"), "huffyuv", true, false},
        {MakeFourcc("H264"), "h264", false, true},     {MakeFourcc("avc1"), "h264", false, true},
    };
    const int sizes[][2] = {{320, 240}, {322, 241}};
    TempDir dir;
    for (const CodecCase& codec : cases) {
        if (!HasCompressor(MakeFourcc("H264")) && std::string(codec.codecName) == "h264") {
            continue;
        }
        for (const auto& size : sizes) {
            const int width = size[0];
            const int height = size[1];
            SCOPED_TRACE(FourccText(codec.code) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            const fs::path movie = dir / "movie.avi";
            VideoSettings settings;
            settings.handler = codec.code;
            settings.framesPerSecond = 15;
            const Picture picture = SplitPicture(width, height);
            const WrittenMovie written =
                WriteMovie(movie, settings, {picture, picture, picture, picture});
            ASSERT_TRUE(written.opened.Ok() && written.written.Ok() && written.closed.Ok())
                << written.opened.message << written.written.message << written.closed.message;

            const int storedHeight = codec.evenSize ? height + (height & 1) : height;
            const std::string probe = Probe(movie);
            EXPECT_EQ(JsonField(probe, "codec_name"), codec.codecName);
            EXPECT_EQ(JsonField(probe, "nb_read_frames"), "4");
            EXPECT_EQ(JsonField(probe, "r_frame_rate"), "15/1");
            EXPECT_EQ(JsonField(probe, "width"), std::to_string(width));
            EXPECT_EQ(JsonField(probe, "height"), std::to_string(storedHeight));

            const std::string decoded = DecodeFirstFrame(movie);
            const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
            ASSERT_EQ(decoded.size(), rowBytes * storedHeight);
            auto pixel = [&](int x, int y) {
                return reinterpret_cast<const std::uint8_t*>(decoded.data()) + y * rowBytes + x * 3;
            };
            const std::uint8_t* top = pixel(width / 2, height / 4);
            const std::uint8_t* bottom = pixel(width / 2, height * 3 / 4);
            EXPECT_TRUE(top[2] > 200 && top[1] < 60 && top[0] < 60) << "top is not red";
            EXPECT_TRUE(bottom[0] > 200 && bottom[1] < 60 && bottom[2] < 60)
                << "bottom is not blue";
            if (codec.lossless) {
                for (int y = 0; y < height; ++y) {
                    const auto* source = picture.bytes.data() +
                                         static_cast<std::size_t>(height - 1 - y) * picture.stride;
                    ASSERT_TRUE(decoded.compare(y * rowBytes, rowBytes,
                                                reinterpret_cast<const char*>(source),
                                                rowBytes) == 0)
                        << "row " << y << " differs";
                }
            }
            if (storedHeight > height) {
                // The added row repeats the last one.
                const std::uint8_t* added = pixel(width / 2, storedHeight - 1);
                EXPECT_TRUE(added[0] > 200 && added[2] < 60);
            }
        }
    }
}

TEST(VideoWriter, KeyFramesFollowTheStoredSettingOrOnePerSecond) {
    struct KeyCase {
        std::int32_t code;
        std::int32_t flags;
        std::int32_t keyFrameEvery;
        const char* extraOptions;
        std::uint32_t expectedPeriod;
    };
    // Four frames per second; twelve identical frames.
    const KeyCase cases[] = {
        {MakeFourcc("FMP4"), kCompressValid, 0, "", 4},
        {MakeFourcc("FMP4"), kCompressValid, 5, "", 4},  // the key-frame flag is not set
        {MakeFourcc("FMP4"), kCompressValid | kCompressKeyFrames, 5, "", 5},
        {MakeFourcc("FMP4"), 8 | 4, 6, "", 6},  // valid and key frames, as other systems store it
        {MakeFourcc("FMP4"), 8 | 2, 6, "", 4},  // the data-rate flag asks for no key frames
        {MakeFourcc("FMP4"), kCompressKeyFrames, 0, "", 4},
        {MakeFourcc("FMP4"), kCompressValid | kCompressKeyFrames, 5, "g=3", 3},
        {MakeFourcc("FFV1"), kCompressValid | kCompressKeyFrames, 2, "", 2},
        {MakeFourcc("H264"), kCompressValid, 0, "x264-params='keyint=6:min-keyint=6:scenecut=0'",
         6},
        {MakeFourcc("H264"), kCompressValid | kCompressKeyFrames, 3,
         "x264-params=min-keyint=3\\:scenecut=0", 3},
    };
    TempDir dir;
    const Picture picture = SplitPicture(64, 48);
    for (const KeyCase& key : cases) {
        if (!HasCompressor(key.code)) {
            continue;
        }
        SCOPED_TRACE(FourccText(key.code) + " flags " + std::to_string(key.flags) + " every " +
                     std::to_string(key.keyFrameEvery) + " " + key.extraOptions);
        VideoSettings settings;
        settings.handler = key.code;
        settings.framesPerSecond = 4;
        settings.flags = key.flags;
        settings.keyFrameEvery = key.keyFrameEvery;
        settings.extraOptions = key.extraOptions;
        const std::vector<Picture> frames(12, picture);
        const WrittenMovie written = WriteMovie(dir / "keys.avi", settings, frames);
        ASSERT_TRUE(written.opened.Ok() && written.written.Ok() && written.closed.Ok())
            << written.opened.message << written.written.message << written.closed.message;
        const std::string bytes = ReadText(dir / "keys.avi");
        const testing::AviContents avi = ReadAvi(bytes);
        ASSERT_EQ(avi.index.size(), 12u);
        for (std::uint32_t i = 0; i < 12; ++i) {
            const bool isKey = (avi.index[i].flags & kIndexKeyFrame) != 0;
            EXPECT_EQ(isKey, i % key.expectedPeriod == 0) << "frame " << i;
        }
    }
}

TEST(VideoWriter, HigherStoredQualityGivesLargerFrames) {
    const std::int32_t codes[] = {MakeFourcc("MJPG"), MakeFourcc("FMP4"), MakeFourcc("H264")};
    TempDir dir;
    const std::vector<Picture> frames = {GrainPicture(160, 120, 1), GrainPicture(160, 120, 2)};
    for (const std::int32_t code : codes) {
        if (!HasCompressor(code)) {
            continue;
        }
        std::vector<std::uintmax_t> sizes;
        for (const std::int32_t quality : {0, 5000, kQualityBest}) {
            SCOPED_TRACE(FourccText(code) + " quality " + std::to_string(quality));
            VideoSettings settings;
            settings.handler = code;
            settings.quality = quality;
            const WrittenMovie written = WriteMovie(dir / "quality.avi", settings, frames);
            ASSERT_TRUE(written.opened.Ok() && written.written.Ok() && written.closed.Ok());
            sizes.push_back(fs::file_size(dir / "quality.avi"));
        }
        EXPECT_LT(sizes[0], sizes[1]) << FourccText(code);
        EXPECT_LT(sizes[1], sizes[2]) << FourccText(code);
    }
}

TEST(VideoWriter, DataRateFlagLimitsTheMovieSize) {
    TempDir dir;
    std::vector<Picture> frames;
    for (unsigned seed = 0; seed < 20; ++seed) {
        frames.push_back(GrainPicture(160, 120, seed));
    }
    std::vector<std::uintmax_t> sizes;
    for (const std::int32_t flags : {kCompressValid | kCompressDataRate, kCompressValid}) {
        VideoSettings settings = Settings("FMP4", 10);
        settings.quality = kQualityBest;  // ignored while the data rate is set
        settings.flags = flags;
        settings.bytesPerSecond = 10000;  // ignored without the data-rate flag
        const WrittenMovie written = WriteMovie(dir / "rate.avi", settings, frames);
        ASSERT_TRUE(written.opened.Ok() && written.written.Ok() && written.closed.Ok());
        sizes.push_back(fs::file_size(dir / "rate.avi"));
    }
    EXPECT_LT(2 * sizes[0], sizes[1]);
}

TEST(VideoWriter, OldMovieStaysWholeUntilCloseThenIsReplacedWithoutLeftovers) {
    TempDir dir;
    const fs::path movie = dir / "mymovie.avi";
    WriteText(movie, "old movie");
    VideoWriter writer;
    ASSERT_TRUE(writer.Open(movie, Settings("MJPG")).Ok());
    // The new movie has no name while it is written: a program killed now leaves nothing.
    EXPECT_EQ(writer.FinalPath(), movie);
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(SplitPicture(64, 48).WriteTo(writer).Ok());
        EXPECT_EQ(ReadText(movie), "old movie");
    }
    ASSERT_TRUE(writer.Close().Ok());
    EXPECT_TRUE(writer.Close().Ok()) << "a second close does nothing";
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.FramesWritten(), 3);
    EXPECT_EQ(ReadAvi(ReadText(movie)).frames.size(), 3u);
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

TEST(VideoWriter, OutputPathThatIsALinkReplacesTheFileItPointsAt) {
    TempDir dir;
    fs::create_directory(dir / "www");
    WriteText(dir / "www" / "real.avi", "old movie");
    fs::create_symlink("www/real.avi", dir / "link.avi");
    fs::create_symlink(dir / "link.avi", dir / "chain.avi");
    VideoWriter writer;
    ASSERT_TRUE(writer.Open(dir / "chain.avi", Settings("DIB ")).Ok());
    EXPECT_EQ(writer.FinalPath(), dir / "www" / "real.avi");
    ASSERT_TRUE(SplitPicture(64, 48).WriteTo(writer).Ok());
    EXPECT_EQ(ReadText(dir / "www" / "real.avi"), "old movie");
    ASSERT_TRUE(writer.Close().Ok());
    EXPECT_EQ(ReadAvi(ReadText(dir / "www" / "real.avi")).frames.size(), 1u);
    EXPECT_EQ(fs::read_symlink(dir / "link.avi"), "www/real.avi");
    EXPECT_EQ(fs::read_symlink(dir / "chain.avi"), dir / "link.avi");
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
    EXPECT_EQ(HiddenFiles(dir / "www"), std::vector<std::string>{});
}

TEST(VideoWriter, EndingByDiscardOrUnwindingKeepsTheOldMovieAndLeavesNoTemporaryFile) {
    TempDir dir;
    const fs::path movie = dir / "mymovie.avi";
    WriteText(movie, "old movie");
    {
        VideoWriter writer;
        ASSERT_TRUE(writer.Open(movie, Settings("DIB ")).Ok());
        ASSERT_TRUE(SplitPicture(64, 48).WriteTo(writer).Ok());
        writer.Discard();
        EXPECT_FALSE(writer.IsOpen());
    }
    EXPECT_EQ(ReadText(movie), "old movie");
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
    // An error unwinding through an open writer never publishes the partial movie.
    for (const VideoSettings& settings : {Settings("DIB "), Settings("MJPG")}) {
        SCOPED_TRACE(FourccText(settings.handler));
        try {
            VideoWriter writer;
            ASSERT_TRUE(writer.Open(movie, settings).Ok());
            ASSERT_TRUE(SplitPicture(64, 48).WriteTo(writer).Ok());
            ASSERT_TRUE(SplitPicture(64, 48).WriteTo(writer).Ok());
            throw std::runtime_error("out of memory further on");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(ReadText(movie), "old movie");
        EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
    }
}

TEST(VideoWriter, MovieWithoutFramesIsAnAviWithoutStreams) {
    TempDir dir;
    const fs::path movie = dir / "mymovie.avi";
    WriteText(movie, "old movie");
    VideoWriter writer;
    ASSERT_TRUE(writer.Open(movie, Settings("MJPG", 25)).Ok());
    ASSERT_TRUE(writer.Close().Ok());
    const std::string bytes = ReadText(movie);
    const testing::AviContents avi = ReadAvi(bytes);
    EXPECT_EQ(avi.problem, "");
    EXPECT_EQ(avi.riffTypes, std::vector<std::string>{"AVI "});
    EXPECT_EQ(avi.microSecondsPerFrame, 40000u);
    EXPECT_EQ(avi.streamCount, 0u);
    EXPECT_TRUE(avi.streams.empty());
    EXPECT_TRUE(avi.frames.empty());
    const std::string format =
        RunCommand("ffprobe -v error -show_format -of json '" + movie.string() + "'");
    EXPECT_EQ(JsonField(format, "format_name"), "avi");
    EXPECT_EQ(JsonField(format, "nb_streams"), "0");
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

TEST(VideoWriter, EncoderThatCannotStartFailsTheFirstFrameAndKeepsTheOldMovie) {
    TempDir dir;
    const fs::path movie = dir / "mymovie.avi";
    WriteText(movie, "old movie");
    VideoSettings settings = Settings("FMP4");
    settings.extraOptions = "qmin=5:qmax=3";  // each valid alone; the encoder refuses the pair
    VideoWriter writer;
    ASSERT_TRUE(writer.Open(movie, settings).Ok());
    EXPECT_EQ(SplitPicture(64, 48).WriteTo(writer).error, VideoError::kEncoderFailed);
    EXPECT_EQ(SplitPicture(64, 48).WriteTo(writer).error, VideoError::kEncoderFailed);
    EXPECT_EQ(writer.FramesWritten(), 0);
    EXPECT_EQ(writer.Close().error, VideoError::kEncoderFailed);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(ReadText(movie), "old movie");
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

TEST(VideoWriter, FramesMustKeepTheFirstFramesSize) {
    TempDir dir;
    VideoWriter writer;
    const Picture small = SplitPicture(64, 48);
    EXPECT_THROW(small.WriteTo(writer), AppError) << "no movie open";
    ASSERT_TRUE(writer.Open(dir / "movie.avi", Settings("DIB ")).Ok());
    ASSERT_TRUE(small.WriteTo(writer).Ok());
    EXPECT_THROW(SplitPicture(64, 50).WriteTo(writer), AppError);
    EXPECT_THROW(writer.WriteFrame(small.bytes.data(), 64, 48, 64 * 3 - 1), AppError);
    EXPECT_EQ(writer.FramesWritten(), 1);
}

TEST(VideoWriter, OpenFailuresCreateNothingAndKeepTheOldMovie) {
    struct OpenCase {
        const char* what;
        const char* path;  // inside the test folder
        VideoSettings settings;
        VideoError error;
        const char* messagePart;
    };
    VideoSettings unknown = Settings("ABCD");
    VideoSettings lowercaseUnknown = Settings("cvid");
    VideoSettings notPrintable;
    notPrintable.handler = 7;
    VideoSettings malformed = Settings("MJPG");
    malformed.extraOptions = "nonsense";
    VideoSettings noSuchOption = Settings("FMP4");
    noSuchOption.extraOptions = "g=3:no_such_option=1";
    VideoSettings badValue = Settings("MJPG");
    badValue.extraOptions = "g=many";
    VideoSettings otherShape = Settings("FMP4");
    otherShape.extraOptions = "video_size=16x16";
    const OpenCase cases[] = {
        {"missing folder", "missing/mymovie.avi", Settings("DIB "), VideoError::kCannotCreateFile,
         "missing"},
        {"path is a folder", "folder", Settings("DIB "), VideoError::kCannotCreateFile, "folder"},
        {"path is a loop of links", "loop.avi", Settings("DIB "), VideoError::kCannotCreateFile,
         "loop"},
        {"unknown code", "mymovie.avi", unknown, VideoError::kUnknownCompressor, "\"ABCD\""},
        {"unknown lower-case code", "mymovie.avi", lowercaseUnknown, VideoError::kUnknownCompressor,
         "\"cvid\""},
        {"code not printable", "mymovie.avi", notPrintable, VideoError::kUnknownCompressor,
         "\"7\""},
        {"options not key=value", "mymovie.avi", malformed, VideoError::kBadEncoderOptions,
         "nonsense"},
        {"unknown option", "mymovie.avi", noSuchOption, VideoError::kBadEncoderOptions,
         "no_such_option"},
        {"bad option value", "mymovie.avi", badValue, VideoError::kBadEncoderOptions, "many"},
        {"option changing the picture", "mymovie.avi", otherShape, VideoError::kBadEncoderOptions,
         "picture size"},
    };
    for (const OpenCase& test : cases) {
        SCOPED_TRACE(test.what);
        TempDir dir;
        fs::create_directory(dir / "folder");
        WriteText(dir / "mymovie.avi", "old movie");
        fs::create_symlink("loop.avi", dir / "loop.avi");
        VideoWriter writer;
        const VideoStatus status = writer.Open(dir / test.path, test.settings);
        EXPECT_EQ(status.error, test.error);
        EXPECT_NE(status.message.find(test.messagePart), std::string::npos) << status.message;
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_TRUE(writer.Close().Ok());
        EXPECT_EQ(ReadText(dir / "mymovie.avi"), "old movie");
        EXPECT_FALSE(fs::exists(dir / "missing"));
        EXPECT_TRUE(fs::is_empty(dir / "folder"));
        EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
    }
}

// Writes a movie in a process whose files may not grow beyond 300 kB and says on standard
// error what the writer reported.
[[noreturn]] void WriteWhileTheDiskIsFull(const fs::path& movie) {
    const rlimit limit{300000, 300000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    VideoWriter writer;
    const bool opened = writer.Open(movie, Settings("DIB ")).Ok();
    VideoStatus written;
    for (int i = 0; i < 20 && written.Ok(); ++i) {
        written = SplitPicture(320, 240).WriteTo(writer);
    }
    const VideoStatus closed = writer.Close();
    const bool kept = ReadText(movie) == "old movie" && HiddenFiles(movie.parent_path()).empty();
    std::fprintf(stderr, "opened %d written %d closed %d kept %d\n", opened,
                 static_cast<int>(written.error), static_cast<int>(closed.error), kept);
    std::_Exit(0);
}

TEST(VideoWriterDeathTest, FailedWritesAreReportedAndTheOldMovieIsKept) {
    TempDir dir;
    const fs::path movie = dir / "mymovie.avi";
    WriteText(movie, "old movie");
    EXPECT_EXIT(WriteWhileTheDiskIsFull(movie), ::testing::ExitedWithCode(0),
                "opened 1 written 5 closed 5 kept 1");
}

TEST(VideoSettings, ExtraOptionsAreTheTextBeforeTheFirstZeroByte) {
    struct ParmsCase {
        std::vector<std::uint8_t> bytes;
        std::string expected;
    };
    const ParmsCase cases[] = {
        {{}, ""},
        {{0, 0, 0}, ""},
        {{'g', '=', '5', 0, 'x', 'y'}, "g=5"},
        {{'g', '=', '5'}, "g=5"},
        {{'q', '=', 0x01, 0xff, 0}, ""},  // binary compressor state saved by another system
    };
    for (const ParmsCase& test : cases) {
        EXPECT_EQ(ExtraOptionsFromParms(test.bytes), test.expected);
    }
}

TEST(VideoSettings, CodesReadAsTheirFourCharacters) {
    EXPECT_EQ(MakeFourcc("DIB "), 541215044);
    EXPECT_EQ(MakeFourcc("vids"), 1935960438);
    EXPECT_EQ(FourccText(MakeFourcc("MJPG")), "MJPG");
    EXPECT_EQ(FourccText(0), "0");
    EXPECT_EQ(FourccText(-1), "-1");
}

}  // namespace
}  // namespace chronoreel

namespace chronoreel {
namespace {

TEST(VideoWriterDeathTest, ErrorReportRemovesTheUnpublishedFile) {
    testing::TempDir dir;
    const auto movie = dir / "movie.avi";
    EXPECT_EXIT(
        {
            VideoWriter writer;
            if (!writer.Open(movie, VideoSettings{}).Ok()) {
                std::_Exit(1);
            }
            ReportError({"MovieGen", "MakeMovie", 0, kErrInternal, "stopped"});
        },
        ::testing::ExitedWithCode(70), "stopped");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace chronoreel
