#include "imaging/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "imaging/dib.h"
#include "imaging_fixtures.h"

namespace chronoreel {
namespace {

using testing::DecodeToSurface;
using testing::JpegBytes;
using testing::MeanColorDifference;
using testing::MeanLumaDifference;

// Offset of the frame height in ljt-testorig.jpg's SOF0 segment (width follows).
constexpr std::size_t kTestorigSofSize = 163;

std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> bytes, int width, int height) {
    bytes[kTestorigSofSize + 0] = static_cast<std::uint8_t>(height >> 8);
    bytes[kTestorigSofSize + 1] = static_cast<std::uint8_t>(height & 0xFF);
    bytes[kTestorigSofSize + 2] = static_cast<std::uint8_t>(width >> 8);
    bytes[kTestorigSofSize + 3] = static_cast<std::uint8_t>(width & 0xFF);
    return bytes;
}

bool Near(Bgr actual, Bgr wanted) {
    constexpr int kTolerance = 8;
    return std::abs(actual.blue - wanted.blue) <= kTolerance &&
           std::abs(actual.green - wanted.green) <= kTolerance &&
           std::abs(actual.red - wanted.red) <= kTolerance;
}

// Every coding the camera side may produce decodes at its size into the same picture as its
// plain baseline twin: progressive and arithmetic coding, grey, Adobe CMYK and YCCK.
TEST(JpegDecoder, DecodesEveryReadableKindIntoTheSamePicture) {
    enum class Compare { kColor, kLuma };
    struct Case {
        const char* file;
        const char* twin;
        JpegColorspace colorspace;
        Compare compare;
        double maxDifference;
    };
    const Case cases[] = {
        {"ljt-testimgint.jpg", "ljt-testorig.jpg", JpegColorspace::kYCbCr, Compare::kColor, 1},
        {"ljt-testimgari.jpg", "ljt-testorig.jpg", JpegColorspace::kYCbCr, Compare::kColor, 1},
        {"ljt-testimgp.jpg", "ljt-testorig.jpg", JpegColorspace::kYCbCr, Compare::kColor, 1},
        {"ljt-testimggray.jpg", "ljt-testorig.jpg", JpegColorspace::kGray, Compare::kLuma, 1},
        {"broken/ok-progressive.jpg", "broken/ok-odd-322x241.jpg", JpegColorspace::kYCbCr,
         Compare::kColor, 0},
        {"broken/ok-grayscale.jpg", "broken/ok-odd-322x241.jpg", JpegColorspace::kGray,
         Compare::kLuma, 1},
        {"broken/ok-cmyk.jpg", "broken/ok-odd-322x241.jpg", JpegColorspace::kCmyk, Compare::kColor,
         3},
        {"broken/ok-cmyk-ycck.jpg", "broken/ok-odd-322x241.jpg", JpegColorspace::kYcck,
         Compare::kColor, 3},
    };
    JpegDecoder decoder;
    for (const Case& c : cases) {
        const auto bytes = JpegBytes(c.file);
        const auto header = decoder.ReadHeader(bytes);
        ASSERT_TRUE(header) << c.file;
        EXPECT_EQ(header->colorspace, c.colorspace) << c.file;
        const auto picture = DecodeToSurface(decoder, bytes);
        const auto twin = DecodeToSurface(decoder, JpegBytes(c.twin));
        ASSERT_TRUE(picture && twin) << c.file;
        ASSERT_EQ(picture->Width(), twin->Width()) << c.file;
        ASSERT_EQ(picture->Height(), twin->Height()) << c.file;
        const double difference = c.compare == Compare::kColor
                                      ? MeanColorDifference(*picture, *twin)
                                      : MeanLumaDifference(*picture, *twin);
        EXPECT_LE(difference, c.maxDifference) << c.file;
    }
}

TEST(JpegDecoder, ReadsSizesFromTheFrameHeader) {
    struct Case {
        const char* file;
        std::int32_t width;
        std::int32_t height;
        JpegSubsampling subsampling;
    };
    // ok-odd-322x241.jpg carries an EXIF block that claims 3888 x 2592.
    const Case cases[] = {
        {"ljt-testorig.jpg", 227, 149, JpegSubsampling::k420},
        {"broken/ok-odd-322x241.jpg", 322, 241, JpegSubsampling::k422},
        {"made-quadrants-61x47.jpg", 61, 47, JpegSubsampling::k444},
    };
    JpegDecoder decoder;
    for (const Case& c : cases) {
        const auto header = decoder.ReadHeader(JpegBytes(c.file));
        ASSERT_TRUE(header) << c.file;
        EXPECT_EQ(header->width, c.width) << c.file;
        EXPECT_EQ(header->height, c.height) << c.file;
        EXPECT_EQ(header->subsampling, c.subsampling) << c.file;
    }
}

// The made file is red top left, green top right, blue bottom left and white bottom right; an
// odd width (61) also puts a pad byte after every row.
TEST(JpegDecoder, WritesBottomRowFirstInBlueGreenRed) {
    JpegDecoder decoder;
    const auto picture = DecodeToSurface(decoder, JpegBytes("made-quadrants-61x47.jpg"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->StrideBytes(), 184);
    const Bgr red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0}, white{255, 255, 255};
    EXPECT_PRED2(Near, picture->Pixel(3, 3), red);
    EXPECT_PRED2(Near, picture->Pixel(57, 3), green);
    EXPECT_PRED2(Near, picture->Pixel(3, 43), blue);
    EXPECT_PRED2(Near, picture->Pixel(57, 43), white);
    // Straight from memory: the first bytes are the bottom-left pixel, blue first.
    const std::uint8_t* memory = picture->DIBPtr();
    EXPECT_PRED2(Near, (Bgr{memory[0], memory[1], memory[2]}), blue);
    const std::uint8_t* lastRow = memory + 46 * 184;
    EXPECT_PRED2(Near, (Bgr{lastRow[0], lastRow[1], lastRow[2]}), red);
}

// Files that must be skipped, each at the step where the run finds out; and the decoder, which
// the run reuses, decodes the next good file exactly as before.
TEST(JpegDecoder, BadFilesFailCleanlyAndLeaveTheDecoderUsable) {
    enum class FailsAt { kRead, kHeader, kDecode };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        FailsAt failsAt;
    };
    const auto testorig = JpegBytes("ljt-testorig.jpg");
    const std::vector<Case> cases = {
        {"empty file", JpegBytes("broken/bad-zero-length.jpg"), FailsAt::kRead},
        {"12-bit samples", JpegBytes("ljt-testorig12.jpg"), FailsAt::kHeader},
        {"header only", JpegBytes("broken/bad-header-only-600B.jpg"), FailsAt::kHeader},
        {"random bytes", JpegBytes("broken/bad-garbage.jpg"), FailsAt::kHeader},
        {"PNG named .jpg", JpegBytes("broken/bad-png-renamed.jpg"), FailsAt::kHeader},
        {"0 x 0 frame", JpegBytes("broken/bad-sof-0x0.jpg"), FailsAt::kHeader},
        {"65000 x 65000 claim", JpegBytes("broken/bad-sof-65000x65000.jpg"), FailsAt::kHeader},
        {"16385 wide claim", WithFrameSize(testorig, 16385, 149), FailsAt::kHeader},
        {"16385 high claim", WithFrameSize(testorig, 227, 16385), FailsAt::kHeader},
        {"first bytes only", {0xFF, 0xD8, 0xFF}, FailsAt::kHeader},
        // The file a camera is still writing: no half-grey frame.
        {"cut in the scan", JpegBytes("broken/bad-truncated-50pct.jpg"), FailsAt::kDecode},
        {"no end marker", std::vector<std::uint8_t>(testorig.begin(), testorig.end() - 2),
         FailsAt::kDecode},
    };
    JpegDecoder decoder;
    const auto reference = DecodeToSurface(decoder, testorig);
    ASSERT_TRUE(reference);
    for (const Case& c : cases) {
        if (c.failsAt == FailsAt::kRead) {
            EXPECT_TRUE(c.bytes.empty()) << c.what;
        }
        const auto header = decoder.ReadHeader(c.bytes);
        EXPECT_EQ(header.has_value(), c.failsAt == FailsAt::kDecode) << c.what;
        if (header) {
            DIB target;
            target.SetWidthHeight(header->width, header->height);
            EXPECT_FALSE(decoder.Decode(c.bytes, *header, target)) << c.what;
        }
        const auto again = DecodeToSurface(decoder, testorig);
        ASSERT_TRUE(again) << "after " << c.what;
        EXPECT_EQ(MeanColorDifference(*again, *reference), 0) << "after " << c.what;
    }
}

TEST(JpegDecoder, AcceptsTheLargestAllowedSideWithoutDecoding) {
    JpegDecoder decoder;
    const auto header =
        decoder.ReadHeader(WithFrameSize(JpegBytes("ljt-testorig.jpg"), 16384, 16384));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 16384);
    EXPECT_EQ(header->height, 16384);
}

// Some cameras leave stray bytes between two segments; the picture is whole and is used.
TEST(JpegDecoder, StrayBytesBetweenSegmentsStillDecode) {
    const auto testorig = JpegBytes("ljt-testorig.jpg");
    constexpr std::size_t kAfterApp0 = 20;
    std::vector<std::uint8_t> padded(testorig.begin(), testorig.begin() + kAfterApp0);
    padded.insert(padded.end(), {0x12, 0x34});
    padded.insert(padded.end(), testorig.begin() + kAfterApp0, testorig.end());

    JpegDecoder decoder;
    const auto reference = DecodeToSurface(decoder, testorig);
    const auto picture = DecodeToSurface(decoder, padded);
    ASSERT_TRUE(reference && picture);
    EXPECT_EQ(MeanColorDifference(*picture, *reference), 0);
}

TEST(JpegDecoder, RefusesATargetOfAnotherSizeOrWithoutPixels) {
    const auto bytes = JpegBytes("ljt-testorig.jpg");
    JpegDecoder decoder;
    const auto header = decoder.ReadHeader(bytes);
    ASSERT_TRUE(header);
    struct Case {
        std::int32_t width;
        std::int32_t height;
    };
    for (const Case& c : {Case{226, 149}, Case{227, 148}, Case{228, 149}, Case{0, 149}}) {
        DIB target;
        target.SetWidthHeight(c.width, c.height);
        EXPECT_FALSE(decoder.Decode(bytes, *header, target)) << c.width << "x" << c.height;
    }
}

// A scaled decode wants the target at the scaled size (rounded up: 227 x 149 at 1/4 is 57 x 38)
// and a scale the library offers; the full size, a size one off or an unknown scale are refused.
TEST(JpegDecoder, ScaledDecodeWantsTheScaledSize) {
    const auto bytes = JpegBytes("ljt-testorig.jpg");
    JpegDecoder decoder;
    const auto header = decoder.ReadHeader(bytes);
    ASSERT_TRUE(header);
    struct Case {
        JpegScale scale;
        std::int32_t width;
        std::int32_t height;
        bool decodes;
    };
    const Case cases[] = {
        {{1, 2}, 114, 75, true},   {{1, 4}, 57, 38, true},   {{1, 8}, 29, 19, true},
        {{1, 2}, 227, 149, false}, {{1, 2}, 113, 75, false}, {{1, 4}, 57, 37, false},
        {{1, 3}, 76, 50, false},   {{1, 1}, 114, 75, false},
    };
    for (const Case& c : cases) {
        DIB target;
        target.SetWidthHeight(c.width, c.height);
        EXPECT_EQ(decoder.Decode(bytes, *header, target, c.scale), c.decodes)
            << c.scale.numerator << "/" << c.scale.denominator << " into " << c.width << "x"
            << c.height;
    }
    // At an eighth each pixel is its 8 x 8 block's mean: near the mean of the same pixels of the
    // whole decode, at a corner, inside and at the far edge (the colour, sampled once per 2 x 2
    // pixels, is averaged over a 16 x 16 area, hence the tolerance).
    const auto full = DecodeToSurface(decoder, bytes);
    ASSERT_TRUE(full);
    DIB eighth;
    eighth.SetWidthHeight(29, 19);
    ASSERT_TRUE(decoder.Decode(bytes, *header, eighth, {1, 8}));
    for (const auto& [bx, by] : {std::pair{0, 0}, std::pair{10, 5}, std::pair{27, 17}}) {
        double sums[3] = {0, 0, 0};
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const Bgr p = full->Pixel(bx * 8 + x, by * 8 + y);
                sums[0] += p.blue;
                sums[1] += p.green;
                sums[2] += p.red;
            }
        }
        const Bgr mean = eighth.Pixel(bx, by);
        EXPECT_NEAR(mean.blue, sums[0] / 64, 3) << bx << "," << by;
        EXPECT_NEAR(mean.green, sums[1] / 64, 3) << bx << "," << by;
        EXPECT_NEAR(mean.red, sums[2] / 64, 3) << bx << "," << by;
    }
}

}  // namespace
}  // namespace chronoreel
