#include "movie_setup/compression_choice.h"

#include <algorithm>

#include "base/error_report.h"
#include "movie/movie_gen.h"
#include "movie/video_settings_of.h"
#include "video/video_codec_choice.h"
#include "video/video_settings.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "frmMain";
constexpr std::string_view kProcedure = "cmdShowCompressionOptions_Click";
constexpr std::int32_t kStreamTypeVideo = MakeFourcc("vids");
// The data rate offered when none is stored: 300 KB/s, a web camera's movie at a good quality.
constexpr std::int32_t kProposedBytesPerSecond = 300 * 1024;

// Two codes write alike when they pick the same encoder (or both none).
bool WritesAlike(std::int32_t a, std::int32_t b) {
    CodecChoice first;
    CodecChoice second;
    if (!ChooseCodec(a, first).Ok() || !ChooseCodec(b, second).Ok()) {
        return false;
    }
    return first.uncompressed == second.uncompressed && first.encoder == second.encoder;
}

VideoSettings SettingsOf(const CompressionChoice& choice, std::int32_t framesPerSecond) {
    VideoSettings settings;
    settings.framesPerSecond = framesPerSecond;
    settings.handler = choice.handler;
    settings.quality = choice.qualityPercent * 100;
    settings.keyFrameEvery = choice.keyFrameEvery;
    settings.bytesPerSecond = choice.bytesPerSecond;
    settings.flags = kCompressValid | (choice.keyFramesSet ? kCompressKeyFrames : 0) |
                     (choice.dataRateSet ? kCompressDataRate : 0);
    settings.extraOptions = choice.extraOptions;
    return settings;
}

}  // namespace

std::optional<std::size_t> CompressorIndex(const std::vector<VideoCompressor>& available,
                                           std::int32_t handler) {
    for (std::size_t i = 0; i < available.size(); ++i) {
        if (WritesAlike(available[i].code, handler)) {
            return i;
        }
    }
    return std::nullopt;
}

int ShownQualityPercent(int percent, bool lossy) {
    if (lossy && percent <= 0) {
        return kProposedQualityPercent;
    }
    return std::clamp(percent, 0, 100);
}

int QualityPercentOf(std::int32_t storedQuality) {
    // Whole percent, rounded down: a stored quality below 1 % counts as none chosen.
    return std::clamp(storedQuality, 0, kQualityBest) / 100;
}

CompressionDialogStart CompressionDialogStartOf(const MovieGen& gen,
                                                const std::vector<VideoCompressor>& available) {
    return Trap(kModule, kProcedure, [&] {
        CompressionDialogStart start;
        CompressionChoice& choice = start.choice;
        const std::optional<std::size_t> index = CompressorIndex(available, gen.CompressHandler());
        if (!index) {
            start.unavailableCode = FourccText(gen.CompressHandler());
        }
        const VideoCompressor* compressor =
            available.empty() ? nullptr : &available[index.value_or(0)];
        choice.handler = compressor ? compressor->code : kFourccDib;
        const bool lossy = compressor && compressor->usesQuality;
        choice.qualityPercent = ShownQualityPercent(QualityPercentOf(gen.CompressQuality()), lossy);
        choice.keyFramesSet = (gen.CompressFlags() & kCompressKeyFrames) != 0;
        choice.keyFrameEvery =
            gen.CompressKeyFrameEvery() > 0 ? gen.CompressKeyFrameEvery() : gen.MovieFPS();
        choice.dataRateSet = (gen.CompressFlags() & kCompressDataRate) != 0;
        choice.bytesPerSecond = gen.CompressBytesPerSecond() > 0 ? gen.CompressBytesPerSecond()
                                                                 : kProposedBytesPerSecond;
        choice.extraOptions = VideoSettingsOf(gen).extraOptions;
        return start;
    });
}

std::optional<std::string> CheckCompressionChoice(const CompressionChoice& choice,
                                                  std::int32_t framesPerSecond) {
    return Trap(kModule, kProcedure, [&]() -> std::optional<std::string> {
        CodecChoice codec;
        VideoStatus status = ChooseCodec(choice.handler, codec);
        if (status.Ok()) {
            status = CheckEncoderSettings(codec, SettingsOf(choice, framesPerSecond));
        }
        if (status.Ok()) {
            return std::nullopt;
        }
        return status.message;
    });
}

void StoreCompressionChoice(MovieGen& gen, const CompressionChoice& choice) {
    Trap(kModule, kProcedure, [&] {
        const std::string& text = choice.extraOptions;
        const auto parmsBytes = static_cast<std::int32_t>(text.size() + 1);
        gen.SetParmsSize(parmsBytes);
        for (std::int32_t i = 0; i + 1 < parmsBytes; ++i) {
            gen.SetParmsBytes(i, static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]));
        }
        gen.SetParmsBytes(parmsBytes - 1, 0);

        const VideoSettings settings = SettingsOf(choice, gen.MovieFPS());
        const std::int32_t keptFlags =
            gen.CompressFlags() & ~(kCompressKeyFrames | kCompressDataRate | kCompressValid);
        gen.SetCompressParms(parmsBytes);
        gen.SetCompressBytesPerSecond(settings.bytesPerSecond);
        gen.SetCompressFlags(keptFlags | settings.flags);
        gen.SetCompressKeyFrameEvery(settings.keyFrameEvery);
        gen.SetCompressQuality(settings.quality);
        gen.SetCompressHandler(settings.handler);
        gen.SetCompressType(kStreamTypeVideo);
    });
}

}  // namespace chronoreel
