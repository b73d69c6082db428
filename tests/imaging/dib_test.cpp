#include "imaging/dib.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/app_error.h"
#include "imaging/ijl.h"

namespace chronoreel {
namespace {

TEST(IjlDibPadBytes, PadsRowsToFourBytes) {
    struct Case {
        std::int32_t width;
        std::int32_t channels;
        std::int32_t pad;
    };
    for (const Case& c :
         {Case{1, 3, 1}, Case{2, 3, 2}, Case{3, 3, 3}, Case{4, 3, 0}, Case{5, 3, 1},
          Case{101, 3, 1}, Case{640, 3, 0}, Case{0, 3, 0}, Case{7, 1, 1}, Case{3, 4, 0}}) {
        EXPECT_EQ(IJL_DIB_PAD_BYTES(c.width, c.channels), c.pad) << c.width << " x " << c.channels;
    }
}

TEST(IjlDibPadBytesDeathTest, OverflowIsReported) {
    EXPECT_EXIT(IJL_DIB_PAD_BYTES(std::numeric_limits<std::int32_t>::max(), 3),
                ::testing::ExitedWithCode(70), "Module: ijl\nProcedure: IJL_DIB_PAD_BYTES");
}

TEST(Dib, RowStrideFollowsPadding) {
    struct Case {
        std::int32_t width;
        std::int32_t stride;
    };
    for (const Case& c : {Case{1, 4}, Case{2, 8}, Case{3, 12}, Case{4, 12}, Case{5, 16},
                          Case{101, 304}, Case{640, 1920}}) {
        DIB surface;
        surface.SetWidthHeight(c.width, 3);
        ASSERT_TRUE(surface.HasSurface()) << c.width;
        EXPECT_EQ(surface.StrideBytes(), c.stride) << c.width;
        EXPECT_EQ(surface.SizeBytes(), static_cast<std::size_t>(c.stride) * 3) << c.width;
    }
}

TEST(Dib, StoresBlueGreenRedBottomRowFirst) {
    DIB surface;
    surface.SetWidthHeight(5, 3);       // stride 16: one pad byte per row
    surface.SetPixel(0, 2, {1, 2, 3});  // bottom-left of the picture
    surface.SetPixel(4, 0, {7, 8, 9});  // top-right of the picture
    const std::uint8_t* memory = surface.DIBPtr();
    EXPECT_EQ(memory[0], 1);
    EXPECT_EQ(memory[1], 2);
    EXPECT_EQ(memory[2], 3);
    const std::size_t topRight = 2 * 16 + 4 * 3;
    EXPECT_EQ(memory[topRight + 0], 7);
    EXPECT_EQ(memory[topRight + 1], 8);
    EXPECT_EQ(memory[topRight + 2], 9);
    EXPECT_EQ(surface.PictureRow(0), memory + 2 * 16);
    EXPECT_EQ(surface.Pixel(4, 0), (Bgr{7, 8, 9}));
}

TEST(Dib, SameSizeKeepsSurfaceAndPixels) {
    DIB surface;
    surface.SetWidthHeight(101, 7);
    surface.Fill({10, 20, 30});
    const std::uint8_t* memory = surface.DIBPtr();
    surface.SetWidthHeight(101, 7);
    surface.SetWidth(101);
    surface.SetHeight(7);
    EXPECT_EQ(surface.DIBPtr(), memory);
    EXPECT_EQ(surface.Pixel(100, 6), (Bgr{10, 20, 30}));

    surface.SetWidthHeight(102, 7);
    ASSERT_TRUE(surface.HasSurface());
    EXPECT_EQ(surface.Pixel(0, 0), (Bgr{0, 0, 0}));  // nothing carried over
    EXPECT_EQ(surface.StrideBytes(), 308);
}

// What each sequence of size changes leaves: a surface only when both sides are above 0, and
// the size remembered either way.
TEST(Dib, SizeChangesAndSurfaceState) {
    struct Step {
        enum Kind { kBoth, kWidth, kHeight } kind;
        std::int32_t width;
        std::int32_t height;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::int32_t width;
        std::int32_t height;
        bool surface;
    };
    const std::vector<Case> cases = {
        {"new object", {}, 0, 0, false},
        {"zero width", {{Step::kBoth, 0, 480}}, 0, 480, false},
        {"width while height is 0", {{Step::kWidth, 640, 0}}, 640, 0, false},
        {"width then height", {{Step::kWidth, 640, 0}, {Step::kHeight, 0, 480}}, 640, 480, true},
        {"height then width", {{Step::kHeight, 0, 480}, {Step::kWidth, 640, 0}}, 640, 480, true},
        {"width changed on a live surface",
         {{Step::kBoth, 4, 4}, {Step::kWidth, 8, 0}},
         8,
         4,
         true},
        {"height to 0 drops the surface",
         {{Step::kBoth, 4, 4}, {Step::kHeight, 0, 0}},
         4,
         0,
         false},
        {"negative side", {{Step::kBoth, -4, 4}}, -4, 4, false},
        {"back to a size", {{Step::kBoth, 0, 4}, {Step::kBoth, 4, 4}}, 4, 4, true},
    };
    for (const Case& c : cases) {
        DIB surface;
        for (const Step& s : c.steps) {
            switch (s.kind) {
                case Step::kBoth:
                    surface.SetWidthHeight(s.width, s.height);
                    break;
                case Step::kWidth:
                    surface.SetWidth(s.width);
                    break;
                case Step::kHeight:
                    surface.SetHeight(s.height);
                    break;
            }
        }
        EXPECT_EQ(surface.Width(), c.width) << c.what;
        EXPECT_EQ(surface.Height(), c.height) << c.what;
        EXPECT_EQ(surface.HasSurface(), c.surface) << c.what;
        EXPECT_EQ(surface.DIBPtr() != nullptr, c.surface) << c.what;
        if (c.surface) {
            EXPECT_EQ(surface.SizeBytes(),
                      static_cast<std::size_t>(surface.StrideBytes()) * c.height)
                << c.what;
        }
    }
}

TEST(Dib, PixelOutsideTheSurfaceIsAnError) {
    DIB surface;
    EXPECT_THROW(surface.Pixel(0, 0), AppError);
    surface.SetWidthHeight(3, 2);
    EXPECT_THROW(surface.Pixel(3, 0), AppError);
    EXPECT_THROW(surface.Pixel(0, 2), AppError);
    EXPECT_THROW(surface.SetPixel(-1, 0, {}), AppError);
}

TEST(DibDeathTest, ImageSizeBeyond32BitsIsReported) {
    DIB surface;
    EXPECT_EXIT(surface.SetWidthHeight(30000, 30000), ::testing::ExitedWithCode(70),
                "Module: DIB\nProcedure: SetWidthHeight\n.*\nError #: 6");
}

}  // namespace
}  // namespace chronoreel
