#include "movie_setup/compression_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "movie/movie_gen.h"
#include "movie/video_settings_of.h"
#include "video/video_settings.h"

namespace chronoreel {
namespace {

class CompressionChoiceTest : public ::testing::Test {
  protected:
    std::int32_t CodeAt(const CompressionDialogStart& start) const { return start.choice.handler; }

    SetupChangedFlag changed;
    MovieGen gen{changed};
    const std::vector<VideoCompressor> available = AvailableVideoCompressors();
};

TEST_F(CompressionChoiceTest, OpensOnTheStoredCompressorWhateverCodeNamesIt) {
    struct Case {
        std::int32_t stored;
        std::int32_t shown;
    };
    const std::vector<Case> cases = {
        {0, kFourccDib},
        {kFourccDib, kFourccDib},
        {MakeFourcc("MJPG"), MakeFourcc("MJPG")},
        {MakeFourcc("mjpg"), MakeFourcc("MJPG")},
        {MakeFourcc("XVID"), MakeFourcc("FMP4")},
        {MakeFourcc("DX50"), MakeFourcc("FMP4")},
        {MakeFourcc("FFV1"), MakeFourcc("FFV1")},
        {MakeFourcc("HFYU"), MakeFourcc("HFYU")},
    };
    for (const Case& c : cases) {
        gen.SetCompressHandler(c.stored);
        const CompressionDialogStart start = CompressionDialogStartOf(gen, available);
        EXPECT_EQ(FourccText(CodeAt(start)), FourccText(c.shown)) << FourccText(c.stored);
        EXPECT_FALSE(start.unavailableCode.has_value());
    }
}

TEST_F(CompressionChoiceTest, ACompressorThisBuildCannotWriteIsNamedAndNotChosen) {
    gen.SetCompressHandler(MakeFourcc("cvid"));
    const CompressionDialogStart start = CompressionDialogStartOf(gen, available);
    ASSERT_TRUE(start.unavailableCode.has_value());
    EXPECT_EQ(*start.unavailableCode, "cvid");
    EXPECT_EQ(CodeAt(start), available.front().code);
}

TEST_F(CompressionChoiceTest, LossyCompressorsNeverOpenOnTheWorstQualitySilently) {
    struct Case {
        std::int32_t handler;
        std::int32_t storedQuality;
        int shownPercent;
    };
    const std::vector<Case> cases = {
        {MakeFourcc("MJPG"), 0, kProposedQualityPercent},
        {MakeFourcc("MJPG"), -1, kProposedQualityPercent},
        {MakeFourcc("MJPG"), 99, kProposedQualityPercent},
        {MakeFourcc("MJPG"), 100, 1},
        {MakeFourcc("MJPG"), 8000, 80},
        {MakeFourcc("MJPG"), 10000, 100},
        {MakeFourcc("FMP4"), 2550, 25},
        // Lossless: quality means nothing and is shown as stored.
        {MakeFourcc("FFV1"), 0, 0},
        {kFourccDib, 0, 0},
    };
    for (const Case& c : cases) {
        gen.SetCompressHandler(c.handler);
        gen.SetCompressQuality(c.storedQuality);
        EXPECT_EQ(CompressionDialogStartOf(gen, available).choice.qualityPercent, c.shownPercent)
            << FourccText(c.handler) << " at " << c.storedQuality;
    }
    // Switching to a lossy compressor in the dialog at 0 % proposes the same.
    EXPECT_EQ(ShownQualityPercent(0, true), kProposedQualityPercent);
    EXPECT_EQ(ShownQualityPercent(0, false), 0);
    EXPECT_EQ(ShownQualityPercent(40, true), 40);
}

TEST_F(CompressionChoiceTest, StoresEverySettingAndOpensOnItAgain) {
    gen.SetMovieFPS(25);
    gen.SetCompressFlags(kCompressValid | 1);  // interleaving is not the dialog's to change
    CompressionChoice choice;
    choice.handler = MakeFourcc("MJPG");
    choice.qualityPercent = 60;
    choice.keyFramesSet = true;
    choice.keyFrameEvery = 12;
    choice.dataRateSet = false;
    choice.bytesPerSecond = 307200;
    choice.extraOptions = "huffman=default";
    changed.Clear();

    StoreCompressionChoice(gen, choice);

    EXPECT_TRUE(changed.IsSet());
    EXPECT_EQ(gen.CompressHandler(), MakeFourcc("MJPG"));
    EXPECT_EQ(gen.CompressType(), MakeFourcc("vids"));
    EXPECT_EQ(gen.CompressQuality(), 6000);
    EXPECT_EQ(gen.CompressFlags(), kCompressValid | kCompressKeyFrames | 1);
    EXPECT_EQ(gen.CompressKeyFrameEvery(), 12);
    EXPECT_EQ(gen.CompressBytesPerSecond(), 307200);
    EXPECT_EQ(gen.CompressParms(), static_cast<std::int32_t>(choice.extraOptions.size() + 1));
    EXPECT_EQ(VideoSettingsOf(gen).extraOptions, "huffman=default");

    const CompressionChoice reopened = CompressionDialogStartOf(gen, available).choice;
    EXPECT_EQ(reopened.handler, choice.handler);
    EXPECT_EQ(reopened.qualityPercent, 60);
    EXPECT_TRUE(reopened.keyFramesSet);
    EXPECT_EQ(reopened.keyFrameEvery, 12);
    EXPECT_FALSE(reopened.dataRateSet);
    EXPECT_EQ(reopened.bytesPerSecond, 307200);
    EXPECT_EQ(reopened.extraOptions, "huffman=default");
}

TEST_F(CompressionChoiceTest, ShorterOptionsReplaceLongerOnesAndDataRateSetsItsFlag) {
    CompressionChoice choice;
    choice.handler = MakeFourcc("FMP4");
    choice.qualityPercent = 50;
    choice.extraOptions = "mpeg_quant=1:trellis=1";
    StoreCompressionChoice(gen, choice);
    choice.extraOptions.clear();
    choice.dataRateSet = true;
    choice.bytesPerSecond = 100000;
    StoreCompressionChoice(gen, choice);
    EXPECT_EQ(VideoSettingsOf(gen).extraOptions, "");
    EXPECT_EQ(gen.CompressFlags(), kCompressValid | kCompressDataRate);
    EXPECT_EQ(VideoSettingsOf(gen).bytesPerSecond, 100000);
}

TEST_F(CompressionChoiceTest, OpensWithUsableIntervalAndRateWhenNoneIsStored) {
    gen.SetMovieFPS(15);
    gen.SetCompressKeyFrameEvery(0);
    gen.SetCompressBytesPerSecond(0);
    const CompressionChoice choice = CompressionDialogStartOf(gen, available).choice;
    EXPECT_EQ(choice.keyFrameEvery, 15);
    EXPECT_EQ(choice.bytesPerSecond, 300 * 1024);
}

TEST_F(CompressionChoiceTest, TheEncoderJudgesTheExtraOptions) {
    CompressionChoice choice;
    choice.handler = MakeFourcc("MJPG");
    choice.qualityPercent = 75;
    EXPECT_EQ(CheckCompressionChoice(choice, 24), std::nullopt);
    choice.extraOptions = "huffman=default";
    EXPECT_EQ(CheckCompressionChoice(choice, 24), std::nullopt);

    struct Case {
        std::string options;
        std::string named;
    };
    const std::vector<Case> refused = {
        {"nosuchoption=1", "nosuchoption"},
        {"huffman=sideways", "sideways"},
        {"just text", "key=value"},
    };
    for (const Case& c : refused) {
        choice.extraOptions = c.options;
        const std::optional<std::string> reason = CheckCompressionChoice(choice, 24);
        ASSERT_TRUE(reason.has_value()) << c.options;
        EXPECT_NE(reason->find(c.named), std::string::npos) << *reason;
    }
}

}  // namespace
}  // namespace chronoreel
