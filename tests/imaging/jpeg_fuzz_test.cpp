#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "imaging/dib.h"
#include "imaging/jpeg_decoder.h"
#include "imaging_fixtures.h"

namespace chronoreel {
namespace {

// Damaged copies of a real JPEG, made the same way on every run: a few bytes of the headers (the
// first 623 bytes hold every segment up to the scan) or of the scan replaced at random, or the
// file cut short. The decoder must survive each one, in full and at a scale, keep every claimed
// size within bounds, and still decode the intact file exactly afterwards.
TEST(JpegDecoderRobustness, SurvivesDamagedFiles) {
    const std::vector<std::uint8_t> original = testing::JpegBytes("ljt-testorig.jpg");
    ASSERT_EQ(original.size(), 5770u);
    constexpr std::size_t kHeaderBytes = 623;
    // Large enough for any sane damage; bigger claims are only read, not decoded, to keep the
    // test fast (the size limit itself is checked elsewhere).
    constexpr std::int64_t kMaxDecodedPixels = 4'000'000;

    JpegDecoder decoder;
    const auto reference = testing::DecodeToSurface(decoder, original);
    ASSERT_TRUE(reference);

    std::mt19937 random(20240601);
    auto pick = [&](std::size_t below) {
        return std::uniform_int_distribution<std::size_t>(0, below - 1)(random);
    };
    for (int variant = 0; variant < 400; ++variant) {
        std::vector<std::uint8_t> damaged = original;
        if (variant < 300) {
            for (std::size_t n = 1 + pick(4); n > 0; --n) {
                damaged[pick(kHeaderBytes)] = static_cast<std::uint8_t>(pick(256));
            }
        } else if (variant < 360) {
            for (std::size_t n = 1 + pick(8); n > 0; --n) {
                damaged[kHeaderBytes + pick(original.size() - kHeaderBytes)] =
                    static_cast<std::uint8_t>(pick(256));
            }
        } else {
            damaged.resize(1 + pick(original.size() - 1));
        }

        const auto header = decoder.ReadHeader(damaged);
        if (header) {
            EXPECT_GE(header->width, 1) << variant;
            EXPECT_GE(header->height, 1) << variant;
            EXPECT_LE(header->width, kMaxJpegSidePixels) << variant;
            EXPECT_LE(header->height, kMaxJpegSidePixels) << variant;
            if (std::int64_t{header->width} * header->height <= kMaxDecodedPixels) {
                DIB target;
                target.SetWidthHeight(header->width, header->height);
                decoder.Decode(damaged, *header, target);  // either answer is fine
                // And at a scale, which runs other inverse transforms and upsamplers.
                const JpegScale scale{1, 2 << (variant % 3)};
                DIB scaled;
                scaled.SetWidthHeight(ScaledSide(header->width, scale),
                                      ScaledSide(header->height, scale));
                decoder.Decode(damaged, *header, scaled, scale);
            }
        }
        const auto intact = testing::DecodeToSurface(decoder, original);
        ASSERT_TRUE(intact) << "after variant " << variant;
        ASSERT_EQ(testing::MeanColorDifference(*intact, *reference), 0) << variant;
    }
}

}  // namespace
}  // namespace chronoreel
