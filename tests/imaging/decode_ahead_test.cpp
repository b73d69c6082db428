#include "imaging/decode_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/app_error.h"
#include "imaging/jpeg_copy_check.h"
#include "os/read_file.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;

const fs::path kJpegs = fs::path(CHRONOREEL_TEST_DATA) / "jpeg";

// Good, odd-sized and broken stills; indexes below refer to this list.
std::vector<std::string> StillPaths() {
    const fs::path names[] = {
        "broken/bad-garbage.jpg",           // 0: no header
        "ljt-testorig.jpg",                 // 1: 227x149
        "broken/ok-odd-322x241.jpg",        // 2: another size, stretched
        "broken/bad-truncated-50pct.jpg",   // 3: header, then broken
        "ljt-testimgp.jpg",                 // 4: progressive
        "broken/bad-zero-length.jpg",       // 5: empty
        "broken/ok-cmyk.jpg",               // 6
        "broken/missing.jpg",               // 7: does not exist
        "ljt-testimggray.jpg",              // 8
        "made-quadrants-61x47.jpg",         // 9: smaller
        "broken/bad-sof-65000x65000.jpg",   // 10: hostile header
        "broken/ok-progressive.jpg",        // 11
        "broken/bad-header-only-600B.jpg",  // 12: header, no scan
        "ljt-testimgint.jpg",               // 13
    };
    std::vector<std::string> paths;
    for (const fs::path& name : names) {
        paths.push_back((kJpegs / name).string());
    }
    return paths;
}

// What one output position gave.
struct Rendered {
    std::size_t still = 0;
    FrameSkip skip = FrameSkip::kNone;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;

    friend bool operator==(const Rendered&, const Rendered&) = default;
};

Rendered Capture(std::size_t still, FrameSkip skip, const DIB* surface) {
    Rendered r{still, skip, 0, 0, {}};
    if (surface) {
        r.width = surface->Width();
        r.height = surface->Height();
        r.pixels.assign(surface->DIBPtr(), surface->DIBPtr() + surface->SizeBytes());
    }
    return r;
}

// One renderer on this thread, still by still: the frames the stage must reproduce.
std::vector<Rendered> RenderInOrder(const std::vector<std::string>& paths,
                                    const std::vector<std::size_t>& order, MovieSize size,
                                    MovieSize* fixedSize) {
    FrameRenderer renderer(size);
    std::vector<Rendered> frames;
    for (const std::size_t still : order) {
        const bool ok = renderer.Render(paths[still]);
        frames.push_back(
            Capture(still, renderer.LastSkip(), ok ? &renderer.MovieSurface() : nullptr));
    }
    *fixedSize = renderer.Size();
    return frames;
}

std::vector<std::size_t> Reversed(std::vector<std::size_t> order) {
    return {order.rbegin(), order.rend()};
}

TEST(DecodeAhead, GivesTheSameFramesAsOneRendererInOrder) {
    const std::vector<std::string> paths = StillPaths();
    const std::vector<std::size_t> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    std::vector<std::size_t> longRun;  // wraps the ring of slots many times
    for (int lap = 0; lap < 6; ++lap) {
        longRun.insert(longRun.end(), {4, 2, 13, 3, 8, 8, 9, 6, 11});
    }
    const struct {
        const char* name;
        std::vector<std::size_t> order;
        MovieSize size;
    } cases[] = {
        {"first unreadable, the second fixes the size", all, {}},
        {"reversed: a header without a scan fixes the size", Reversed(all), {}},
        {"repeats", {0, 0, 1, 1, 1, 2, 3, 3, 4, 9, 9, 6, 6, 7, 7, 8, 13, 13}, {}},
        {"an odd-sized still first", {2, 1, 4, 9, 0, 13, 8}, {}},
        {"size given by the setup", all, MovieSizeFromSetup(161, 120)},
        {"long run", longRun, {}},
        {"nothing readable", {0, 5, 7, 10, 0}, {}},
        {"one still", {1}, {}},
    };
    for (const auto& c : cases) {
        MovieSize expectedSize;
        const std::vector<Rendered> expected = RenderInOrder(paths, c.order, c.size, &expectedSize);
        for (const std::size_t workers : {1u, 2u, 4u}) {
            SCOPED_TRACE(std::string(c.name) + ", workers " + std::to_string(workers));
            DecodeAhead stage(paths, c.order, c.size, workers);
            std::vector<Rendered> got;
            for (std::size_t i = 0; i < c.order.size(); ++i) {
                const AheadFrame frame = stage.Next();
                EXPECT_EQ(frame.surface == nullptr, frame.skip != FrameSkip::kNone);
                got.push_back(Capture(frame.still, frame.skip, frame.surface));
            }
            ASSERT_EQ(got.size(), expected.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_TRUE(got[i] == expected[i]) << "position " << i;
            }
            EXPECT_EQ(stage.Size(), expectedSize);
        }
    }
}

std::atomic<int> rendersStarted{0};

bool CountingRender(FrameRenderer& renderer, const std::string& path) {
    ++rendersStarted;
    return renderer.Render(path);
}

// Stopped part-way, the workers have read no further than the ring of slots allows: the frame
// the consumer holds plus two slots per worker.
TEST(DecodeAhead, StoppingPartWayEndsTheWorkersWithinTheRing) {
    const std::vector<std::string> paths = StillPaths();
    std::vector<std::size_t> order;
    for (int i = 0; i < 60; ++i) {
        order.push_back(i % 2 == 0 ? 1 : 4);
    }
    for (const std::size_t workers : {1u, 2u, 4u}) {
        for (const bool sizeGiven : {false, true}) {
            SCOPED_TRACE("workers " + std::to_string(workers) + (sizeGiven ? ", size given" : ""));
            rendersStarted = 0;
            const std::size_t taken = 5;
            {
                DecodeAhead stage(paths, order, sizeGiven ? MovieSize{228, 149} : MovieSize{},
                                  workers, CountingRender);
                for (std::size_t i = 0; i < taken; ++i) {
                    EXPECT_NE(stage.Next().surface, nullptr);
                }
                stage.Stop();
                EXPECT_THROW(stage.Next(), std::logic_error);
            }
            EXPECT_GE(rendersStarted.load(), static_cast<int>(taken));
            EXPECT_LE(rendersStarted.load(), static_cast<int>(taken - 1 + 2 * workers));
        }
    }
}

const std::string kPoisonName = "ljt-testimgint.jpg";  // still 13

bool ThrowsNoMemory(FrameRenderer& renderer, const std::string& path) {
    if (path.ends_with(kPoisonName)) {
        throw std::bad_alloc();
    }
    return renderer.Render(path);
}

bool ThrowsAppError(FrameRenderer& renderer, const std::string& path) {
    if (path.ends_with(kPoisonName)) {
        throw AppError(kErrOutOfMemory, "decoder set-up failed");
    }
    return renderer.Render(path);
}

// An exception met while rendering a still comes out of Next at that still's turn, after every
// frame before it, and again on any later call; the workers are joined on destruction.
TEST(DecodeAhead, AnExceptionWhileRenderingReachesTheConsumerAtItsFrame) {
    const std::vector<std::string> paths = StillPaths();
    const struct {
        const char* name;
        std::vector<std::size_t> order;
        MovieSize size;
    } cases[] = {
        {"on a worker", {1, 4, 2, 3, 8, 13, 9, 6, 11, 1, 4}, {}},
        {"on a worker, size given", {13, 1, 4}, {228, 149}},
        {"before the size is fixed", {0, 13, 1}, {}},
    };
    for (const auto& c : cases) {
        for (const RenderStill render : {ThrowsNoMemory, ThrowsAppError}) {
            for (const std::size_t workers : {1u, 2u, 4u}) {
                SCOPED_TRACE(std::string(c.name) + ", workers " + std::to_string(workers));
                DecodeAhead stage(paths, c.order, c.size, workers, render);
                std::size_t position = 0;
                while (c.order[position] != 13) {
                    EXPECT_NO_THROW(stage.Next());
                    ++position;
                }
                if (render == ThrowsNoMemory) {
                    EXPECT_THROW(stage.Next(), std::bad_alloc);
                    EXPECT_THROW(stage.Next(), std::bad_alloc);
                } else {
                    EXPECT_THROW(stage.Next(), AppError);
                    EXPECT_THROW(stage.Next(), AppError);
                }
            }
        }
    }
}

}  // namespace
}  // namespace chronoreel

namespace chronoreel {
namespace {

// Asked for copies, the stage hands out the stills of the movie size that can go in unchanged
// as their bytes (decoded too where a preview needs the picture), and every other still as
// without copies; the first still, rendered while the size is still open, is copied as well.
TEST(DecodeAhead, CopiesStillsOfTheMovieSizeThatCanGoInUnchanged) {
    const std::vector<std::string> paths = {
        (kJpegs / "mate-Storm.jpg").string(),                  // 0: 1920x1280, copyable
        (kJpegs / "ljt-testimgp.jpg").string(),                // 1: progressive, stretched
        (kJpegs / "broken/bad-truncated-50pct.jpg").string(),  // 2: broken
        (kJpegs / "mate-Wood.jpg").string(),                   // 3: copyable, another size
    };
    const std::vector<std::size_t> order{0, 1, 2, 0, 0, 3, 0};
    std::vector<std::uint8_t> stormFrame;
    {
        const auto storm = ReadWholeFile(paths[0], kMaxJpegFileBytes);
        ASSERT_TRUE(storm && ExtractCopyableJpeg(*storm, stormFrame));
    }
    const StillCopy modes[] = {StillCopy::kNever, StillCopy::kWhereUnchanged,
                               StillCopy::kWhereUnchangedAndDecode};
    for (const MovieSize size : {MovieSize{}, MovieSizeFromSetup(1920, 1280)}) {
        MovieSize expectedSize;
        const std::vector<Rendered> expected = RenderInOrder(paths, order, size, &expectedSize);
        for (const StillCopy mode : modes) {
            for (const std::size_t workers : {1u, 2u}) {
                SCOPED_TRACE("size " + std::to_string(size.width) + ", mode " +
                             std::to_string(static_cast<int>(mode)) + ", workers " +
                             std::to_string(workers));
                DecodeAhead stage(paths, order, size, workers, RenderStillFromFile, mode);
                for (std::size_t i = 0; i < order.size(); ++i) {
                    const AheadFrame frame = stage.Next();
                    const bool copy = mode != StillCopy::kNever && order[i] == 0;
                    const bool decoded = !copy || mode == StillCopy::kWhereUnchangedAndDecode;
                    EXPECT_EQ(frame.skip, expected[i].skip) << "position " << i;
                    EXPECT_EQ(!frame.jpeg.empty(), copy) << "position " << i;
                    if (copy) {
                        EXPECT_TRUE(std::equal(frame.jpeg.begin(), frame.jpeg.end(),
                                               stormFrame.begin(), stormFrame.end()))
                            << "position " << i;
                    }
                    if (frame.skip == FrameSkip::kNone && decoded) {
                        ASSERT_NE(frame.surface, nullptr) << "position " << i;
                        EXPECT_TRUE(Capture(frame.still, frame.skip, frame.surface) == expected[i])
                            << "position " << i;
                    } else {
                        EXPECT_EQ(frame.surface, nullptr) << "position " << i;
                    }
                }
                EXPECT_EQ(stage.Size(), expectedSize);
            }
        }
    }
}

// Stills of the movie size stored as 4:2:0 come out as their planes where planes are asked for;
// another subsampling or another size comes out as pixels in the same run, as does the still
// that fixes an open size.
TEST(DecodeAhead, GivesPlanesOfStillsThatNeedNoScalingAndAre420) {
    testing::TempDir dir;
    auto write = [&dir](const std::string& name, int width, int height,
                        testing::JpegChroma chroma) {
        const std::string jpeg = testing::EncodeJpeg(testing::QuadrantPicture(width, height), 90,
                                                     testing::JpegCoding::kBaseline, chroma);
        const fs::path path = dir / name;
        testing::WriteText(path, jpeg);
        return path.string();
    };
    const std::vector<std::string> paths = {
        write("420.jpg", 228, 149, testing::JpegChroma::k420),   // 0: 4:2:0, odd height
        write("422.jpg", 228, 149, testing::JpegChroma::k422),   // 1: 4:2:2, same size
        write("small.jpg", 161, 97, testing::JpegChroma::k420),  // 2: 4:2:0, stretched
        (kJpegs / "ljt-testimgp.jpg").string(),                  // 3: progressive, stretched
    };
    const std::vector<std::size_t> order{0, 1, 0, 2, 0, 0, 3, 0};
    Yuv420Planes expectedPlanes;
    {
        JpegDecoder decoder;
        const auto bytes = ReadWholeFile(paths[0], kMaxJpegFileBytes);
        ASSERT_TRUE(bytes);
        const auto header = decoder.ReadHeader(*bytes);
        ASSERT_TRUE(header && decoder.DecodeYuv420(*bytes, *header, expectedPlanes));
    }
    for (const MovieSize size : {MovieSize{}, MovieSizeFromSetup(228, 149)}) {
        MovieSize expectedSize;
        const std::vector<Rendered> expected = RenderInOrder(paths, order, size, &expectedSize);
        for (const StillPlanes mode : {StillPlanes::kNever, StillPlanes::kWhereDirect}) {
            for (const std::size_t workers : {1u, 2u}) {
                SCOPED_TRACE("size " + std::to_string(size.width) + ", mode " +
                             std::to_string(static_cast<int>(mode)) + ", workers " +
                             std::to_string(workers));
                DecodeAhead stage(paths, order, size, workers, RenderStillFromFile,
                                  StillCopy::kNever, mode);
                for (std::size_t i = 0; i < order.size(); ++i) {
                    const AheadFrame frame = stage.Next();
                    // The still that fixes an open size is decoded before the size is known.
                    const bool fixesSize = i == 0 && !size.IsFixed();
                    const bool planar =
                        mode == StillPlanes::kWhereDirect && order[i] == 0 && !fixesSize;
                    ASSERT_EQ(frame.skip, FrameSkip::kNone) << "position " << i;
                    if (planar) {
                        ASSERT_NE(frame.planes, nullptr) << "position " << i;
                        EXPECT_EQ(frame.surface, nullptr) << "position " << i;
                        EXPECT_EQ(frame.planes->width, 228);
                        EXPECT_EQ(frame.planes->height, 149);
                        EXPECT_EQ(frame.planes->planes, expectedPlanes.planes) << "position " << i;
                        EXPECT_EQ(frame.planes->strides, expectedPlanes.strides);
                    } else {
                        EXPECT_EQ(frame.planes, nullptr) << "position " << i;
                        ASSERT_NE(frame.surface, nullptr) << "position " << i;
                        EXPECT_TRUE(Capture(frame.still, frame.skip, frame.surface) == expected[i])
                            << "position " << i;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace chronoreel
