#include "imaging/jpeg_copy_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/dib.h"
#include "imaging/jpeg_decoder.h"
#include "imaging_fixtures.h"

namespace chronoreel {
namespace {

using testing::DecodeToSurface;
using testing::JpegBytes;

struct CopyCase {
    const char* file;
    bool copyable;
    std::int32_t width;
    std::int32_t height;
};

const CopyCase kCopyCases[] = {
    {"ljt-testorig.jpg", true, 227, 149},        // baseline 4:2:0
    {"ljt-testimgint.jpg", true, 227, 149},      // baseline, another encoder setting
    {"made-quadrants-61x47.jpg", true, 61, 47},  // 4:4:4
    {"mate-Storm.jpg", true, 1920, 1280},        // 4:2:2, EXIF with a thumbnail
    {"mate-Wood.jpg", true, 2560, 1920},         // embedded preview, data after the end
    {"broken/ok-odd-322x241.jpg", true, 322, 241},
    {"ljt-testimgp.jpg", false, 0, 0},  // progressive
    {"mate-FreshFlower.jpg", false, 0, 0},
    {"broken/ok-progressive.jpg", false, 0, 0},
    {"ljt-testimgari.jpg", false, 0, 0},  // arithmetic
    {"ljt-testimggray.jpg", false, 0, 0},
    {"broken/ok-grayscale.jpg", false, 0, 0},
    {"made-storm-320x240-grayscale.jpg", false, 0, 0},
    {"ljt-testorig12.jpg", false, 0, 0},  // 12-bit
    {"made-storm-320x240-cmyk.jpg", false, 0, 0},
    {"made-storm-320x240-ycck.jpg", false, 0, 0},
    {"broken/ok-cmyk.jpg", false, 0, 0},
    {"broken/ok-cmyk-ycck.jpg", false, 0, 0},
    {"broken/bad-truncated-50pct.jpg", false, 0, 0},
    {"broken/bad-header-only-600B.jpg", false, 0, 0},
    {"broken/bad-zero-length.jpg", false, 0, 0},
    {"broken/bad-garbage.jpg", false, 0, 0},
    {"broken/bad-png-renamed.jpg", false, 0, 0},
    {"broken/bad-sof-0x0.jpg", false, 0, 0},
    {"broken/bad-sof-65000x65000.jpg", false, 0, 0},
};

std::size_t CountMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        count += bytes[i] == 0xFF && bytes[i + 1] == marker ? 1 : 0;
    }
    return count;
}

// Each still is accepted or refused as a whole; an accepted one gives a frame that starts and
// ends the image once, holds no application segments, and decodes to the very pixels of the
// still.
TEST(JpegCopyCheck, AcceptsOnlyWholeSequentialYCbCrStills) {
    JpegDecoder decoder;
    std::vector<std::uint8_t> frame;
    for (const CopyCase& c : kCopyCases) {
        SCOPED_TRACE(c.file);
        const std::vector<std::uint8_t> still = JpegBytes(c.file);
        const auto size = ExtractCopyableJpeg(still, frame);
        ASSERT_EQ(size.has_value(), c.copyable);
        if (!c.copyable) {
            continue;
        }
        EXPECT_EQ(size->width, c.width);
        EXPECT_EQ(size->height, c.height);
        EXPECT_LE(frame.size(), still.size());
        EXPECT_EQ(CountMarker(frame, 0xD8), 1u);
        EXPECT_EQ(frame[0], 0xFF);
        EXPECT_EQ(frame[1], 0xD8);
        EXPECT_EQ(frame[frame.size() - 2], 0xFF);
        EXPECT_EQ(frame.back(), 0xD9);
        for (std::uint8_t app = 0xE0; app <= 0xEF; ++app) {
            EXPECT_EQ(CountMarker(frame, app), 0u) << "APP" << app - 0xE0;
        }
        const auto fromStill = DecodeToSurface(decoder, still);
        const auto fromFrame = DecodeToSurface(decoder, frame);
        ASSERT_TRUE(fromStill && fromFrame);
        ASSERT_EQ(fromFrame->Width(), fromStill->Width());
        ASSERT_EQ(fromFrame->Height(), fromStill->Height());
        EXPECT_EQ(std::memcmp(fromFrame->DIBPtr(), fromStill->DIBPtr(),
                              static_cast<std::size_t>(fromStill->StrideBytes()) *
                                  static_cast<std::size_t>(fromStill->Height())),
                  0);
    }
}

// A still cut anywhere before its end-of-image marker (a camera still writing it) is never
// copied; the still in full is.
TEST(JpegCopyCheck, RefusesEveryCutOfAWholeStill) {
    const std::vector<std::uint8_t> still = JpegBytes("ljt-testorig.jpg");
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(ExtractCopyableJpeg(still, frame));
    for (std::size_t cut = 0; cut + 1 < still.size(); ++cut) {
        const std::span<const std::uint8_t> part(still.data(), cut);
        ASSERT_FALSE(ExtractCopyableJpeg(part, frame)) << "cut at " << cut;
    }
}

// Changes to one segment that make the still something a player cannot take as it is.
TEST(JpegCopyCheck, RefusesOddSegments) {
    const std::vector<std::uint8_t> still = JpegBytes("ljt-testorig.jpg");
    const auto find = [&still](std::uint8_t marker) {
        for (std::size_t i = 0; i + 1 < still.size(); ++i) {
            if (still[i] == 0xFF && still[i + 1] == marker) {
                return i;
            }
        }
        return still.size();
    };
    const std::size_t sof = find(0xC0);
    const std::size_t sos = find(0xDA);
    ASSERT_LT(sof, still.size());
    ASSERT_LT(sos, still.size());
    struct Change {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    };
    const Change changes[] = {
        {"progressive frame", sof + 1, 0xC2},
        {"lossless frame", sof + 1, 0xC3},
        {"arithmetic frame", sof + 1, 0xC9},
        {"12-bit samples", sof + 4, 12},
        {"luma sampled 1x2", sof + 11, 0x12},
        {"chroma sampled 2x2", sof + 14, 0x22},
        {"quantisation table 4", sof + 12, 4},
        {"scan of two components", sos + 4, 2},
        {"scan with a spectral range", sos + 12, 1},
        {"scan starting past the DC coefficient", sos + 11, 1},
        {"scan with successive approximation", sos + 13, 0x01},
        {"scan naming an unknown component", sos + 5, 0x77},
        {"scan using an undefined table", sos + 6, 0x33},
        {"second start of image", sof + 1, 0xD8},
    };
    std::vector<std::uint8_t> frame;
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        std::vector<std::uint8_t> changed = still;
        changed[change.at] = change.value;
        EXPECT_FALSE(ExtractCopyableJpeg(changed, frame));
    }
}

// Stills that lean on the standard Huffman tables (no tables of their own) are not copied.
TEST(JpegCopyCheck, RefusesAStillWithoutHuffmanTables) {
    const std::vector<std::uint8_t> still = JpegBytes("ljt-testorig.jpg");
    std::vector<std::uint8_t> withoutTables;
    std::size_t at = 2;
    withoutTables.assign(still.begin(), still.begin() + 2);
    while (at + 4 <= still.size() && still[at + 1] != 0xDA) {
        const std::size_t length = (still[at + 2] << 8) | still[at + 3];
        if (still[at + 1] != 0xC4) {
            withoutTables.insert(withoutTables.end(), still.begin() + at,
                                 still.begin() + at + 2 + length);
        }
        at += 2 + length;
    }
    withoutTables.insert(withoutTables.end(), still.begin() + at, still.end());
    ASSERT_LT(withoutTables.size(), still.size());
    std::vector<std::uint8_t> frame;
    EXPECT_FALSE(ExtractCopyableJpeg(withoutTables, frame));
}

}  // namespace
}  // namespace chronoreel
