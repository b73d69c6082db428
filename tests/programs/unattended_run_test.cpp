// Unattended runs seen from outside: the movie read back by our own AVI reader and by FFmpeg's
// tools, the temporary file beside the output path, signals during the frame loop, movie files
// that cannot be created or sit behind a link, the deletion of old images and the
// post-generation command with its tags.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "programs/program_run.h"
#include "support/avi_reader.h"
#include "support/setup_test_helpers.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace chronoreel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;

// A compressor code as a setup stores it: the four characters little-endian, read as a signed
// 32-bit number.
std::int32_t CompressorCode(const char (&code)[5]) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(code[i]);
    }
    return static_cast<std::int32_t>(value);
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The hidden temporary movie files beside path (".NAME.*.tmp").
std::vector<fs::path> TemporaryFilesOf(const fs::path& path) {
    const std::string prefix = "." + path.filename().string() + ".";
    std::vector<fs::path> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(".tmp")) {
            found.push_back(entry.path());
        }
    }
    return found;
}

// Every entry below folder: a file with its bytes, a link with its target. Links are not
// followed, so that a loop of links can be listed.
void AddContents(const fs::path& folder, const fs::path& top,
                 std::map<std::string, std::string>& entries) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(top).string();
        const fs::file_status status = fs::symlink_status(entry.path());
        if (fs::is_symlink(status)) {
            entries[name] = "(link to " + fs::read_symlink(entry.path()).string() + ")";
        } else if (fs::is_directory(status)) {
            entries[name] = "(folder)";
            AddContents(entry.path(), top, entries);
        } else {
            entries[name] = ReadText(entry.path());
        }
    }
}

std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    AddContents(folder, folder, entries);
    return entries;
}

// What ffprobe makes of a movie's video stream, frames counted by decoding them all.
struct ProbedMovie {
    int frames = -1;
    int width = 0;
    int height = 0;
    std::string rate;
    std::string errors;  // ffprobe's complaints about the file
};

ProbedMovie Probe(const fs::path& movie) {
    const ProgramRun run =
        RunInstalledTool("ffprobe", movie.parent_path(),
                         {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                          "stream=nb_read_frames,width,height,r_frame_rate", "-of",
                          "default=noprint_wrappers=1", movie.string()});
    EXPECT_NE(run.exitCode, 127) << "ffprobe (FFmpeg's command line tools) is not installed";
    ProbedMovie probed;
    probed.errors = run.exitCode == 0 ? run.err : "exit " + std::to_string(run.exitCode) + run.err;
    for (const std::string& line : Lines(run.out)) {
        const auto equals = line.find('=');
        const std::string name = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (name == "nb_read_frames") {
            probed.frames = std::stoi(value);
        } else if (name == "width") {
            probed.width = std::stoi(value);
        } else if (name == "height") {
            probed.height = std::stoi(value);
        } else if (name == "r_frame_rate") {
            probed.rate = value;
        }
    }
    return probed;
}

// Every frame of a movie as FFmpeg decodes it for a player: blue-green-red, top row first.
std::string DecodeWithFfmpeg(const fs::path& movie) {
    const ProgramRun run = RunInstalledTool("ffmpeg", movie.parent_path(),
                                            {"-v", "error", "-nostdin", "-i", movie.string(), "-f",
                                             "rawvideo", "-pix_fmt", "bgr24", "-"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, IsEmpty());
    return run.out;
}

// Rows of an unpadded picture in the other order.
std::string Flipped(const std::string& pixels, int width, int height) {
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::string flipped;
    for (int y = height - 1; y >= 0; --y) {
        flipped += pixels.substr(static_cast<std::size_t>(y) * row, row);
    }
    return flipped;
}

struct ShownPixel {
    int blue = 0;
    int green = 0;
    int red = 0;
};

// A pixel of an unpadded blue-green-red picture, rows in the order the picture stores them.
ShownPixel PixelAt(std::string_view pixels, int width, int x, int row) {
    const std::size_t at = (static_cast<std::size_t>(row) * width + x) * 3;
    return {static_cast<unsigned char>(pixels[at]), static_cast<unsigned char>(pixels[at + 1]),
            static_cast<unsigned char>(pixels[at + 2])};
}

// Close to the colour: JPEG and scaling shift clean colours by a few levels.
::testing::AssertionResult Near(ShownPixel pixel, Rgb colour) {
    const int tolerance = 24;
    if (std::abs(pixel.red - colour.red) <= tolerance &&
        std::abs(pixel.green - colour.green) <= tolerance &&
        std::abs(pixel.blue - colour.blue) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel r" << pixel.red << " g" << pixel.green << " b"
                                         << pixel.blue << " is not near r" << int{colour.red}
                                         << " g" << int{colour.green} << " b" << int{colour.blue};
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

// A working folder: the setup and the settings file at its top, the stills in "work/cam" and
// the movies in "work", so that "work" holds only what a run reads and writes.
class UnattendedRunTest : public ::testing::Test {
  protected:
    UnattendedRunTest() { fs::create_directories(Cam()); }

    fs::path Work() const { return folder_ / "work"; }
    fs::path Cam() const { return Work() / "cam"; }

    void WriteSetup(const std::string& moreGeneralKeys, const std::string& compressKeys = "") {
        WriteText(folder_ / "day.tls", "[General]\nStillDirectory=work/cam\nTimeStampOption=1\n" +
                                           moreGeneralKeys + "[Compress]\n" + compressKeys);
    }

    ProgramRun Run(const std::vector<std::string>& switches = {}) {
        std::vector<std::string> commandLine = {"/f=day.tls", "/a", "/i"};
        commandLine.insert(commandLine.end(), switches.begin(), switches.end());
        return RunChronoreel(folder_.Path(), commandLine);
    }

    TempDir folder_;
};

TEST_F(UnattendedRunTest, EveryTestJpegThatDecodesBecomesAFrameAndTheOthersAreSkipped) {
    // The files of tests/data/jpeg that decode, by its README; every other one is broken,
    // foreign or 12-bit.
    const std::set<std::string> decodable = {"ljt-testorig.jpg",
                                             "ljt-testimgint.jpg",
                                             "ljt-testimgari.jpg",
                                             "ljt-testimgp.jpg",
                                             "ljt-testimggray.jpg",
                                             "made-quadrants-61x47.jpg",
                                             "broken/ok-odd-322x241.jpg",
                                             "broken/ok-progressive.jpg",
                                             "broken/ok-grayscale.jpg",
                                             "broken/ok-cmyk.jpg",
                                             "broken/ok-cmyk-ycck.jpg",
                                             "made-storm-320x240-grayscale.jpg",
                                             "made-storm-320x240-ycck.jpg",
                                             "made-storm-320x240-cmyk.jpg",
                                             "mate-Storm.jpg",
                                             "mate-Wood.jpg",
                                             "mate-FreshFlower.jpg"};
    const fs::path jpeg = fs::path(CHRONOREEL_TEST_DATA) / "jpeg";
    std::vector<std::string> sources;
    for (const auto& entry : fs::recursive_directory_iterator(jpeg)) {
        if (entry.path().extension() == ".jpg") {
            sources.push_back(fs::relative(entry.path(), jpeg).string());
        }
    }
    // Sorted, the broken ones come first: the first whose header reads is the truncated one,
    // which fixes the movie size (227 x 149, width rounded up) though it gives no frame.
    std::sort(sources.begin(), sources.end());
    int good = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        fs::copy_file(jpeg / sources[i], Cam() / StillName(static_cast<int>(i)));
        good += decodable.contains(sources[i]) ? 1 : 0;
    }
    ASSERT_EQ(good, static_cast<int>(decodable.size())) << "a good file is missing";
    ASSERT_GT(sources.size(), decodable.size() + 5) << "the broken files are missing";
    // A previous movie at the output path is replaced by the new one.
    const fs::path movie = Work() / "movie.avi";
    WriteText(movie, "the previous movie\n");
    WriteSetup("OutputAVIPath=work/movie.avi\nMovieFPS=10\n");

    const ProgramRun run = Run();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Every still that gave no frame is named once on standard error, with its reason.
    std::size_t skipLines = 0;
    for (std::size_t at = run.err.find("chronoreel: skipped work/cam/"); at != std::string::npos;
         at = run.err.find("chronoreel: skipped work/cam/", at + 1)) {
        ++skipLines;
    }
    EXPECT_EQ(skipLines, sources.size() - decodable.size()) << run.err;
    EXPECT_THAT(run.out, IsEmpty());

    const std::string bytes = ReadText(movie);
    const AviContents avi = ReadAvi(bytes);
    EXPECT_THAT(avi.problem, IsEmpty());
    ASSERT_EQ(avi.frames.size(), decodable.size());
    for (const std::string_view frame : avi.frames) {
        EXPECT_EQ(frame.size(), 228u * 149 * 3);
    }
    EXPECT_EQ(avi.totalFrames, decodable.size());
    ASSERT_EQ(avi.streams.size(), 1u);
    EXPECT_EQ(avi.streams[0].length, decodable.size());
    EXPECT_EQ(avi.streams[0].rate, 10u);
    EXPECT_EQ(avi.streams[0].scale, 1u);
    EXPECT_EQ(avi.width, 228u);
    EXPECT_EQ(avi.height, 149u);

    const ProbedMovie probed = Probe(movie);
    EXPECT_THAT(probed.errors, IsEmpty());
    EXPECT_EQ(probed.frames, static_cast<int>(decodable.size()));
    EXPECT_EQ(probed.width, 228);
    EXPECT_EQ(probed.height, 149);
    EXPECT_EQ(probed.rate, "10/1");

    EXPECT_EQ(NamesIn(Work()), (std::vector<std::string>{"cam", "movie.avi"}));
    EXPECT_EQ(NamesIn(Cam()).size(), sources.size());
}

TEST_F(UnattendedRunTest, StillsThatAllFailGiveAMovieWithoutStreamsAndStillRunTheCommand) {
    const fs::path broken = fs::path(CHRONOREEL_TEST_DATA) / "jpeg" / "broken";
    int i = 0;
    for (const char* name : {"bad-truncated-50pct.jpg", "bad-garbage.jpg", "bad-zero-length.jpg"}) {
        fs::copy_file(broken / name, Cam() / StillName(i++));
    }
    WriteSetup("OutputAVIPath=work/movie.avi\nPostGenerationShell=touch work/posted\n");

    const ProgramRun run = Run();
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_EQ(run.err,
              "chronoreel: skipped work/cam/" + StillName(0) +
                  ": is damaged or half-written\n"
                  "chronoreel: skipped work/cam/" +
                  StillName(1) +
                  ": is not a JPEG this program reads (another format, a damaged header, or more "
                  "than 16384 pixels on a side)\n"
                  "chronoreel: skipped work/cam/" +
                  StillName(2) +
                  ": is empty (still being written?)\n"
                  "chronoreel: none of the 3 selected stills could be used\n");
    EXPECT_TRUE(fs::exists(Work() / "posted"));
    const fs::path movie = Work() / "movie.avi";
    const std::string bytes = ReadText(movie);
    const AviContents avi = ReadAvi(bytes);
    EXPECT_THAT(avi.problem, IsEmpty());
    EXPECT_THAT(avi.riffTypes, ::testing::ElementsAre("AVI "));
    EXPECT_THAT(avi.streams, IsEmpty());
    EXPECT_THAT(avi.frames, IsEmpty());
    const ProgramRun probed = RunInstalledTool(
        "ffprobe", Work(),
        {"-v", "error", "-show_entries", "format=nb_streams", "-of", "csv=p=0", movie.string()});
    EXPECT_EQ(probed.exitCode, 0);
    EXPECT_THAT(probed.err, IsEmpty());
    EXPECT_EQ(probed.out, "0\n");
}

TEST_F(UnattendedRunTest, TheMovieHoldsTheFramesTheDryRunListsThatDecodeInTheirOrder) {
    // Stills told apart by their noise; the one at 08:00 is broken.
    std::map<std::string, std::string> stills;
    int seed = 0;
    for (const int minutes : {0, 60, 120, 180, 240, 260, 280}) {
        const std::string name = StillName(minutes);
        stills[name] = minutes == 120 ? "broken" : EncodeJpeg(NoisePicture(64, 48, ++seed), 90);
        WriteText(Cam() / name, stills[name]);
    }
    WriteSetup(
        "OutputAVIPath=work/movie.avi\nImageIntervalOption=1\nImagesPerHour=2\n"
        "DuplicateCount=3\n");
    const struct {
        const char* name;
        std::vector<std::string> switches;
    } cases[] = {
        {"thinned with repeats", {}},
        {"window given backwards", {"/s=2006-01-31 11:00", "/e=2006-01-31 06:30"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> dryRun = {"/f=day.tls", "--dry-run"};
        dryRun.insert(dryRun.end(), c.switches.begin(), c.switches.end());
        const ProgramRun listed = RunChronoreel(folder_.Path(), dryRun);
        ASSERT_EQ(listed.exitCode, 0) << listed.err;
        std::vector<std::string> expected;
        int repeats = 0;
        std::set<std::string> distinct;
        for (const std::string& line : Lines(listed.out)) {
            if (!line.starts_with("frame=")) {
                continue;
            }
            const std::string name = fs::path(line.substr(line.find(' ') + 1)).filename();
            repeats += distinct.insert(name).second ? 0 : 1;
            if (const auto decoded = DecodeJpeg(stills.at(name)); decoded) {
                expected.push_back(decoded->bgrBottomUp);
            }
        }
        ASSERT_GT(repeats, 0) << listed.out;

        const ProgramRun run = Run(c.switches);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string bytes = ReadText(Work() / "movie.avi");
        const AviContents avi = ReadAvi(bytes);
        ASSERT_EQ(avi.frames.size(), expected.size()) << listed.out;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_TRUE(avi.frames[i] == expected[i]) << "frame " << i;
        }
        EXPECT_EQ(Probe(Work() / "movie.avi").frames, static_cast<int>(expected.size()));
    }
}

TEST_F(UnattendedRunTest, ImagesOfTheMovieSizeAreStoredPixelExactAndUpright) {
    // Quarters show which way up and which way round a frame is; noise shows every pixel.
    const std::string stills[] = {EncodeJpeg(QuadrantPicture(64, 48), 90),
                                  EncodeJpeg(NoisePicture(64, 48, 7), 90)};
    for (int i = 0; i < 2; ++i) {
        WriteText(Cam() / StillName(i), stills[i]);
    }
    WriteSetup("OutputAVIPath=work/movie.avi\nMovieFPS=12\n");

    const ProgramRun run = Run();
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const fs::path movie = Work() / "movie.avi";
    const std::string bytes = ReadText(movie);
    const AviContents avi = ReadAvi(bytes);
    EXPECT_THAT(avi.problem, IsEmpty());
    ASSERT_EQ(avi.streams.size(), 1u);
    const BitmapHeader format = ReadBitmapHeader(avi.streams[0].format);
    EXPECT_EQ(format.width, 64);
    EXPECT_EQ(format.height, 48);  // positive: bottom row first
    EXPECT_EQ(format.bitCount, 24);
    EXPECT_EQ(format.compressionCode, 0u);  // BI_RGB
    EXPECT_EQ(avi.streams[0].rate, 12u);
    EXPECT_EQ(avi.streams[0].scale, 1u);
    ASSERT_EQ(avi.frames.size(), 2u);

    std::string expectedTopDown;
    for (int i = 0; i < 2; ++i) {
        const std::optional<DecodedJpeg> decoded = DecodeJpeg(stills[i]);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(avi.frames[i] == decoded->bgrBottomUp) << "frame " << i << " differs";
        expectedTopDown += Flipped(decoded->bgrBottomUp, 64, 48);
    }
    // A player shows the first frame red at the top left and white at the bottom right.
    const std::string shown = DecodeWithFfmpeg(movie);
    EXPECT_TRUE(shown == expectedTopDown) << "FFmpeg decodes other pixels";
    ASSERT_GE(shown.size(), 64u * 48 * 3);
    EXPECT_TRUE(Near(PixelAt(shown, 64, 0, 0), kRed));
    EXPECT_TRUE(Near(PixelAt(shown, 64, 63, 0), kGreen));
    EXPECT_TRUE(Near(PixelAt(shown, 64, 0, 47), kBlue));
    EXPECT_TRUE(Near(PixelAt(shown, 64, 63, 47), kWhite));

    const ProbedMovie probed = Probe(movie);
    EXPECT_THAT(probed.errors, IsEmpty());
    EXPECT_EQ(probed.frames, 2);
    EXPECT_EQ(probed.rate, "12/1");
}

TEST_F(UnattendedRunTest, AnImage322WideIsStretchedOverTheMovieWidthOf324) {
    WriteText(Cam() / StillName(0), EncodeJpeg(QuadrantPicture(322, 48), 95));
    WriteSetup("OutputAVIPath=work/movie.avi\n");

    const ProgramRun run = Run();
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const fs::path movie = Work() / "movie.avi";
    const std::string bytes = ReadText(movie);
    const AviContents avi = ReadAvi(bytes);
    EXPECT_THAT(avi.problem, IsEmpty());
    ASSERT_EQ(avi.frames.size(), 1u);
    EXPECT_EQ(avi.width, 324u);
    EXPECT_EQ(avi.height, 48u);
    ASSERT_EQ(avi.frames[0].size(), 324u * 48 * 3);
    const std::string shown = DecodeWithFfmpeg(movie);
    ASSERT_EQ(shown.size(), 324u * 48 * 3);
    EXPECT_TRUE(shown == Flipped(std::string(avi.frames[0]), 324, 48));

    // The outermost columns keep the image's outermost colours: the picture was stretched, not
    // padded or cut. Rows are counted from the top.
    const struct {
        int x;
        int row;
        Rgb colour;
    } samples[] = {
        {0, 0, kRed},    {0, 23, kRed},     {323, 0, kGreen},  {323, 23, kGreen},
        {0, 24, kBlue},  {0, 47, kBlue},    {323, 24, kWhite}, {323, 47, kWhite},
        {159, 12, kRed}, {164, 12, kGreen}, {159, 36, kBlue},  {164, 36, kWhite},
    };
    for (const auto& sample : samples) {
        SCOPED_TRACE(::testing::Message() << "x " << sample.x << ", row " << sample.row);
        EXPECT_TRUE(Near(PixelAt(shown, 324, sample.x, sample.row), sample.colour));
    }
}

// Stills that take a while to write: large noisy frames under a lossless compressor.
class SlowRunTest : public UnattendedRunTest {
  protected:
    static constexpr int kStills = 300;

    SlowRunTest() {
        const fs::path first = Cam() / StillName(0);
        WriteText(first, EncodeJpeg(NoisePicture(1280, 720, 3), 90));
        for (int i = 1; i < kStills; ++i) {
            fs::create_hard_link(first, Cam() / StillName(i));
        }
        WriteSetup(
            "OutputAVIPath=work/movie.avi\nDeleteOldImages=True\nDeleteOldImagesHours=0\n"
            "PostGenerationShell=touch work/posted\n",
            "Handler=" + std::to_string(CompressorCode("FFV1")) + "\n");
    }
};

TEST_F(SlowRunTest, TerminateOrInterruptWhileWritingPublishesThePartialMovieAlone) {
    // The previous movie: one frame from another folder, made by an earlier run.
    fs::create_directory(Work() / "small");
    WriteText(Work() / "small" / StillName(0), EncodeJpeg(QuadrantPicture(64, 48), 90));
    WriteText(folder_ / "small.tls",
              "[General]\nStillDirectory=work/small\nOutputAVIPath=work/movie.avi\n");
    const fs::path movie = Work() / "movie.avi";

    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        const ProgramRun earlier = RunChronoreel(folder_.Path(), {"/f=small.tls", "/a", "/i"});
        ASSERT_EQ(earlier.exitCode, 0) << earlier.err;
        const std::string previous = ReadText(movie);
        ASSERT_EQ(ReadAvi(previous).frames.size(), 1u);

        RunningProgram program("chronoreel", folder_.Path(), {"/f=day.tls", "/a", "/i"});
        const std::optional<fs::path> temporary =
            WaitForGrowingFile(program.Pid(), Work(), 1 << 20);
        ASSERT_TRUE(temporary) << "no new movie file grew beside " << movie;
        EXPECT_EQ(temporary->parent_path(), movie.parent_path());
        EXPECT_THAT(TemporaryFilesOf(movie), IsEmpty()) << "the file has no name while written";
        // While the new movie is written, the previous one stays as it was.
        EXPECT_EQ(ReadText(movie), previous);
        ASSERT_EQ(kill(program.Pid(), signal), 0);
        const ProgramRun run = program.Wait();

        // Cancelled: no post-generation command, no image deleted, nothing temporary left.
        EXPECT_EQ(run.exitCode, 4) << run.err;
        EXPECT_THAT(TemporaryFilesOf(movie), IsEmpty());
        EXPECT_FALSE(fs::exists(Work() / "posted"));
        EXPECT_EQ(NamesIn(Cam()).size(), static_cast<std::size_t>(kStills));
        // The frames written so far replaced the previous movie, readable from end to end.
        const std::string bytes = ReadText(movie);
        const AviContents avi = ReadAvi(bytes);
        EXPECT_THAT(avi.problem, IsEmpty());
        EXPECT_GT(avi.frames.size(), 0u);
        EXPECT_LT(avi.frames.size(), static_cast<std::size_t>(kStills));
        ASSERT_EQ(avi.streams.size(), 1u);
        EXPECT_EQ(avi.streams[0].handler, "FFV1");
        EXPECT_EQ(avi.streams[0].length, avi.frames.size());
        const ProbedMovie probed = Probe(movie);
        EXPECT_THAT(probed.errors, IsEmpty());
        EXPECT_EQ(probed.frames, static_cast<int>(avi.frames.size()));
        EXPECT_EQ(probed.width, 1280);
        EXPECT_EQ(probed.height, 720);
    }
}

TEST_F(UnattendedRunTest, AMovieFileThatCannotBeCreatedEndsWith5AndLeavesEverythingAsItWas) {
    for (int i = 0; i < 2; ++i) {
        WriteText(Cam() / StillName(i), EncodeJpeg(QuadrantPicture(64, 48), 90));
    }
    WriteSetup("DeleteOldImages=True\nDeleteOldImagesHours=0\nPostGenerationShell=touch posted\n");
    WriteText(Work() / "old.avi", "a previous movie\n");
    fs::create_directory(Work() / "folder.avi");
    WriteText(Work() / "folder.avi" / "inside", "kept\n");
    fs::create_symlink("loop.avi", Work() / "loop.avi");

    const struct {
        const char* name;
        std::string outputPath;
    } cases[] = {
        {"output folder missing", "work/missing/movie.avi"},
        {"output folder is the previous movie file", "work/old.avi/movie.avi"},
        {"output path is a folder", "work/folder.avi"},
        {"output path is a loop of links", "work/loop.avi"},
    };
    const auto before = Contents(Work());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = Run({"/op=" + c.outputPath});
        EXPECT_EQ(run.exitCode, 5) << run.err;
        EXPECT_THAT(run.err, ::testing::StartsWith("chronoreel: "));
        EXPECT_EQ(Contents(Work()), before);
        EXPECT_FALSE(fs::exists(folder_ / "posted"));
    }
}

// A run that makes no movie, or whose command fails, says why on standard error.
TEST_F(UnattendedRunTest, ARunSaysWhyItMadeNoMovieAndWhenItsCommandFailed) {
    WriteText(Cam() / StillName(0), EncodeJpeg(QuadrantPicture(64, 48), 90));
    WriteSetup("OutputAVIPath=work/movie.avi\n");
    const struct {
        std::vector<std::string> switches;
        int exitCode;
        std::string err;
    } cases[] = {
        {{"/ip=work/none"},
         3,
         "chronoreel: no file matching *.jpg in work/none/ (the folder does not exist)\n"},
        {{"/if=*.jpeg"}, 3, "chronoreel: no file matching *.jpeg in work/cam/\n"},
        {{"/s=2007-03-01 06:00", "/e=2007-03-01 18:00"},
         3,
         "chronoreel: none of 1 image met the time window 2007-03-01 06:00 to 18:00\n"},
        {{"/pgs=sh -c \"exit 7\""},
         0,
         "chronoreel: the post-generation command ended with exit code 7: sh -c \"exit 7\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.switches.front());
        const ProgramRun run = Run(c.switches);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.err, c.err);
    }
}

TEST_F(UnattendedRunTest, AMovieNamedAsLongAsTheFolderAllowsReplacesThePreviousOne) {
    WriteText(Cam() / StillName(0), EncodeJpeg(QuadrantPicture(64, 48), 90));
    WriteSetup("");
    // The temporary file's name is shortened so that it fits beside a 254-character name.
    const std::string longName = std::string(250, 'm') + ".avi";
    WriteText(Work() / longName, "a previous movie with a long name\n");
    const ProgramRun run = Run({"/op=work/" + longName});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const AviContents avi = ReadAvi(ReadText(Work() / longName));
    EXPECT_THAT(avi.problem, IsEmpty());
    EXPECT_EQ(avi.frames.size(), 1u);
    for (const auto& [name, content] : Contents(Work())) {
        EXPECT_NE(name.front(), '.') << "a temporary file is left: " << name;
    }
}

TEST_F(UnattendedRunTest, OldImagesGoByAgeButNothingTheScanDidNotTakeIsDeleted) {
    const std::string still = EncodeJpeg(QuadrantPicture(64, 48), 90);
    // Taken by the scan: a frame, one outside the window, one that does not decode and a link
    // to a still kept elsewhere (the link goes, never the file it points at).
    const std::vector<std::string> taken = {"20060131060000.jpg", "20060131200000.jpg",
                                            "20060131080000.jpg", "20060131090000.jpg"};
    // Left alone by the scan: another kind of file, a hidden still, a still in a subfolder and
    // a name that holds no date.
    const std::vector<std::string> notTaken = {"notes.txt", ".20060131070000.jpg",
                                               "older/20060131060000.jpg", "snapshot.jpg"};
    const struct {
        const char* hours;
        bool takenDeleted;
    } cases[] = {
        {"100000", true},    // about 11 years: the 2006 stills are older
        {"1000000", false},  // about 114 years
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hours);
        fs::remove_all(Work());
        fs::create_directories(Cam() / "older");
        fs::create_directories(Work() / "elsewhere");
        WriteText(Work() / "elsewhere" / "linked.jpg", still);
        for (const std::string& name : notTaken) {
            WriteText(Cam() / name, still);
        }
        WriteText(Cam() / taken[0], still);
        WriteText(Cam() / taken[1], still);
        WriteText(Cam() / taken[2], "not a JPEG");
        fs::create_symlink(Work() / "elsewhere" / "linked.jpg", Cam() / taken[3]);
        WriteSetup(std::string("OutputAVIPath=work/movie.avi\nDeleteOldImages=True\n") +
                   "DeleteOldImagesHours=" + c.hours + "\n");

        const ProgramRun run = Run({"/s=2006-01-31 05:00", "/e=2006-01-31 12:00"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        for (const std::string& name : taken) {
            EXPECT_NE(fs::exists(fs::symlink_status(Cam() / name)), c.takenDeleted) << name;
        }
        for (const std::string& name : notTaken) {
            EXPECT_TRUE(fs::exists(Cam() / name)) << name;
        }
        EXPECT_EQ(ReadText(Work() / "elsewhere" / "linked.jpg"), still);
        EXPECT_EQ(ReadAvi(ReadText(Work() / "movie.avi")).frames.size(), 2u);
    }
}

TEST_F(UnattendedRunTest, AnOutputPathThatIsALinkReplacesTheMovieItPointsAtAndStaysALink) {
    WriteText(Cam() / StillName(0), EncodeJpeg(QuadrantPicture(64, 48), 90));
    fs::create_directory(Work() / "www");
    WriteText(Work() / "www" / "roof.avi", "the previous movie\n");
    fs::create_symlink("www/roof.avi", Work() / "movie.avi");
    WriteSetup("OutputAVIPath=work/movie.avi\n");

    const ProgramRun run = Run();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(Work() / "movie.avi"));
    EXPECT_EQ(fs::read_symlink(Work() / "movie.avi"), "www/roof.avi");
    EXPECT_EQ(ReadAvi(ReadText(Work() / "www" / "roof.avi")).frames.size(), 1u);
    EXPECT_EQ(NamesIn(Work() / "www"), std::vector<std::string>{"roof.avi"});
    EXPECT_EQ(NamesIn(Work()), (std::vector<std::string>{"cam", "movie.avi", "www"}));
}

// The run start time as each tag of the post-generation command writes it.
std::string TimeTags(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%H%M %H%M%S %y%m%d %m%d%y %d%m%y %d", &local);
    return text;
}

TEST_F(UnattendedRunTest, PostGenerationCommandGetsEveryTagInAnyLetterCaseAndTheFinishedMovie) {
    WriteText(Cam() / StillName(0), EncodeJpeg(QuadrantPicture(64, 48), 90));
    fs::create_directory(Work() / "movies");
    const fs::path movie = Work() / "movies" / "Roof.Cam.avi";
    WriteSetup("OutputAVIPath=" + movie.string() +
               "\nPostGenerationShell=sh -c \"echo <TIME> <timeHHMMSS> <Date> <datemmddyy> "
               "<DATEDDMMYY> <datedd> <OutPath> <outfile> <OUTFILEBASE> <outdir> > result.txt; "
               "ls -a <OutDir> > listing.txt; test -s <outpath> && echo published >> "
               "result.txt\"\n");

    const std::time_t before = std::time(nullptr);
    const ProgramRun run = Run();
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, IsEmpty());

    const std::string result = ReadText(folder_ / "result.txt");
    const std::string paths = movie.string() + " Roof.Cam.avi Roof.Cam " +
                              (Work() / "movies").string() + "/\npublished\n";
    // The run started between the two clock readings (a time rounded to the second may fall
    // one second later).
    std::vector<std::string> accepted;
    for (std::time_t t = before; t <= after + 1; ++t) {
        accepted.push_back(TimeTags(t) + " " + paths);
    }
    EXPECT_THAT(accepted, ::testing::Contains(result));
    // The command ran when the movie had its final name and nothing temporary was left.
    EXPECT_EQ(ReadText(folder_ / "listing.txt"), ".\n..\nRoof.Cam.avi\n");
}

}  // namespace
}  // namespace chronoreel::testing
