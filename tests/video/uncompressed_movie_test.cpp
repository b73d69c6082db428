// Uncompressed movies are written from the caller's memory where the rows already have the
// file's layout, and with direct writes that bypass the page cache where the file system takes
// them. Whatever the path, the file must be the same, byte for byte.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/avi_reader.h"
#include "support/private_ramfs.h"
#include "support/temp_dir.h"
#include "video/video_compressors.h"
#include "video/video_writer.h"

namespace chronoreel {
namespace {

using testing::ReadAvi;
using testing::ReadText;
using testing::RunInPrivateRamfs;
using testing::TempDir;
using testing::WriteText;
namespace fs = std::filesystem;

int FileRowBytes(int width) {
    return (width * 3 + 3) & ~3;
}

// A frame as the caller hands it over: bottom row first, rows strideBytes apart, the bytes
// after each row's pixels set to padding.
struct Frame {
    int width = 0;
    int height = 0;
    int strideBytes = 0;
    std::vector<std::uint8_t> bytes;

    // The frame as the file holds it: rows of the file's length, padding zero.
    std::string InFileLayout() const {
        const int rowBytes = FileRowBytes(width);
        std::string file(static_cast<std::size_t>(rowBytes) * height, '\0');
        for (int row = 0; row < height; ++row) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(row) * strideBytes, width * 3,
                        file.begin() + static_cast<std::ptrdiff_t>(row) * rowBytes);
        }
        return file;
    }
};

Frame NoiseFrame(int width, int height, int strideBytes, std::uint8_t padding, unsigned seed) {
    Frame frame{width, height, strideBytes, {}};
    frame.bytes.assign(static_cast<std::size_t>(strideBytes) * height, padding);
    std::mt19937 random(seed);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width * 3; ++x) {
            frame.bytes[static_cast<std::size_t>(row) * strideBytes + x] =
                static_cast<std::uint8_t>(random());
        }
    }
    return frame;
}

VideoSettings Uncompressed() {
    VideoSettings settings;
    settings.handler = MakeFourcc("DIB ");
    settings.framesPerSecond = 24;
    return settings;
}

// Writes count frames, cycling through frames; "" or what failed.
std::string WriteMovie(const fs::path& file, FileCaching caching, const std::vector<Frame>& frames,
                       int count) {
    VideoWriter writer;
    VideoStatus status = writer.Open(file, Uncompressed(), caching);
    for (int i = 0; i < count && status.Ok(); ++i) {
        const Frame& frame = frames[static_cast<std::size_t>(i) % frames.size()];
        status =
            writer.WriteFrame(frame.bytes.data(), frame.width, frame.height, frame.strideBytes);
    }
    if (status.Ok()) {
        status = writer.Close();
    }
    return status.message;
}

std::string ReadCommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, count);
    }
    pclose(pipe);
    return output;
}

bool SameContent(const fs::path& a, const fs::path& b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::vector<char> one(1 << 20);
    std::vector<char> two(1 << 20);
    while (first && second) {
        first.read(one.data(), static_cast<std::streamsize>(one.size()));
        second.read(two.data(), static_cast<std::streamsize>(two.size()));
        if (first.gcount() != second.gcount() ||
            !std::equal(one.begin(), one.begin() + first.gcount(), two.begin())) {
            return false;
        }
    }
    return first.eof() && second.eof();
}

struct LayoutCase {
    const char* what;
    int width;
    int height;
    int extraStrideBytes;  // beyond the file's row length
    std::uint8_t padding;
};

// Each movie is about 14 MB: the staged blocks go out directly several times before the muxer
// seeks back to fill in its headers and writes its index.
constexpr int kFrames = 60;

const LayoutCase kLayouts[] = {
    {"even width, rows in the file's layout", 320, 240, 0, 0},
    {"odd width, zero padding: the file's layout", 321, 243, 0, 0},
    {"odd width, padding holding leftovers: copied", 321, 243, 0, 0xab},
    {"rows further apart than the file's: copied", 320, 240, 32, 0x5c},
};

std::vector<Frame> FramesFor(const LayoutCase& layout) {
    std::vector<Frame> frames;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        frames.push_back(NoiseFrame(layout.width, layout.height,
                                    FileRowBytes(layout.width) + layout.extraStrideBytes,
                                    layout.padding, seed));
    }
    return frames;
}

TEST(UncompressedMovie, FramesLandInTheFileAsGivenWhicheverWayItIsWritten) {
    TempDir dir;
    // tmpfs takes direct writes on newer kernels and refuses them on older ones: either way
    // the movie must come out right.
    std::optional<TempDir> memoryDir;
    std::vector<fs::path> folders = {dir.Path()};
    if (fs::is_directory("/dev/shm")) {
        setenv("TMPDIR", "/dev/shm", 1);
        memoryDir.emplace();
        unsetenv("TMPDIR");
        folders.push_back(memoryDir->Path());
    }
    for (const LayoutCase& layout : kLayouts) {
        SCOPED_TRACE(layout.what);
        const std::vector<Frame> frames = FramesFor(layout);
        const fs::path cached = dir / "cached.avi";
        ASSERT_EQ(WriteMovie(cached, FileCaching::kPageCache, frames, kFrames), "");
        const std::string bytes = ReadText(cached);
        const testing::AviContents avi = ReadAvi(bytes);
        ASSERT_EQ(avi.problem, "");
        ASSERT_EQ(avi.frames.size(), static_cast<std::size_t>(kFrames));
        for (std::size_t i = 0; i < avi.frames.size(); ++i) {
            ASSERT_TRUE(avi.frames[i] == frames[i % frames.size()].InFileLayout()) << "frame " << i;
        }
        for (const fs::path& folder : folders) {
            SCOPED_TRACE(folder.string());
            const fs::path direct = folder / "direct.avi";
            ASSERT_EQ(WriteMovie(direct, FileCaching::kBypassCache, frames, kFrames), "");
            EXPECT_TRUE(SameContent(direct, cached));
        }
        if (memoryDir) {
            fs::remove(memoryDir->Path() / "direct.avi");
        }
    }
}

TEST(UncompressedMovie, FileSystemWithoutDirectWritesGetsTheSameMovie) {
    TempDir dir;
    const LayoutCase& layout = kLayouts[1];
    const std::vector<Frame> frames = FramesFor(layout);
    const fs::path cached = dir / "cached.avi";
    ASSERT_EQ(WriteMovie(cached, FileCaching::kPageCache, frames, kFrames), "");
    const std::optional<int> result = RunInPrivateRamfs([&](const fs::path& folder) {
        const fs::path direct = folder / "direct.avi";
        const std::string problem = WriteMovie(direct, FileCaching::kBypassCache, frames, kFrames);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return 1;
        }
        return SameContent(direct, cached) ? 0 : 2;
    });
    if (!result) {
        GTEST_SKIP() << "no mount namespace for a ramfs here";
    }
    EXPECT_EQ(*result, 0);
}

// Above 1 GiB the muxer goes on in OpenDML extension chunks and patches their headers and the
// super index at the start of the file when it ends.
TEST(UncompressedMovie, MovieAboveOneGibibyteIsTheSameWhicheverWayItIsWritten) {
    // In memory where there is a tmpfs: the disk would take long to write and read 2 GB back.
    // Where tmpfs refuses direct writes this compares the ordinary ones instead.
    const bool inMemory = fs::is_directory("/dev/shm");
    if (inMemory) {
        setenv("TMPDIR", "/dev/shm", 1);
    }
    const TempDir dir;
    if (inMemory) {
        unsetenv("TMPDIR");
    }
    const int width = 1280;
    const int height = 720;
    const int count = 400;  // 2764800 bytes each: 1.1 GB
    std::vector<Frame> frames;
    for (unsigned seed = 1; seed <= 2; ++seed) {
        frames.push_back(NoiseFrame(width, height, width * 3, 0, seed));
    }
    const fs::path direct = dir / "direct.avi";
    const fs::path cached = dir / "cached.avi";
    ASSERT_EQ(WriteMovie(direct, FileCaching::kBypassCache, frames, count), "");
    ASSERT_EQ(WriteMovie(cached, FileCaching::kPageCache, frames, count), "");
    EXPECT_GT(fs::file_size(direct), std::uintmax_t{1} << 30);
    EXPECT_TRUE(SameContent(direct, cached));
    EXPECT_EQ(ReadCommandOutput("ffprobe -v error -count_frames -show_entries "
                                "stream=nb_read_frames -of csv=p=0 '" +
                                direct.string() + "'"),
              "400\n");
}

// Writes 14 MB of frames in a process whose files may not grow beyond 10 MB, so that the
// limit is met after several direct writes went through, and says what the writer reported.
[[noreturn]] void WriteUntilTheSizeLimit(const fs::path& movie) {
    const rlimit limit{10000000, 10000000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<Frame> frames = FramesFor(kLayouts[0]);
    VideoWriter writer;
    const bool opened = writer.Open(movie, Uncompressed(), FileCaching::kBypassCache).Ok();
    VideoStatus written;
    for (int i = 0; i < kFrames && written.Ok(); ++i) {
        const Frame& frame = frames[static_cast<std::size_t>(i) % frames.size()];
        written =
            writer.WriteFrame(frame.bytes.data(), frame.width, frame.height, frame.strideBytes);
    }
    const VideoStatus closed = writer.Close();
    std::size_t leftovers = 0;
    for (const auto& entry : fs::directory_iterator(movie.parent_path())) {
        leftovers += entry.path() != movie ? 1 : 0;
    }
    std::fprintf(stderr, "opened %d written %d closed %d kept %d leftovers %zu\n", opened,
                 static_cast<int>(written.error), static_cast<int>(closed.error),
                 ReadText(movie) == "old movie", leftovers);
    std::_Exit(0);
}

TEST(UncompressedMovieDeathTest, SizeLimitMetAfterDirectWritesFailsAndKeepsTheOldMovie) {
    TempDir dir;
    const fs::path movie = dir / "movie.avi";
    WriteText(movie, "old movie");
    const std::string failed = std::to_string(static_cast<int>(VideoError::kWriteFailed));
    EXPECT_EXIT(WriteUntilTheSizeLimit(movie), ::testing::ExitedWithCode(0),
                "opened 1 written " + failed + " closed " + failed + " kept 1 leftovers 0");
}

}  // namespace
}  // namespace chronoreel
