#include "video/video_codec_choice.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "base/text.h"
#include "video/video_compressors.h"

namespace chronoreel {
namespace {

// One family of compressor codes and the encoder that writes it.
struct CodecFamily {
    std::vector<std::int32_t> codes;  // upper-case codes; the first is the main one
    const char* description;
    const char* encoderName;  // nullptr: uncompressed, no encoder
    AVPixelFormat pixelFormat;
    AVColorRange colorRange;
    QualityScale qualityScale;
    SizeRule sizeRule;
};

const std::array<CodecFamily, 6>& Families() {
    static const std::array<CodecFamily, 6> families = {{
        {{kFourccDib, 0},
         "Full Frames (Uncompressed)",
         nullptr,
         AV_PIX_FMT_BGR24,
         AVCOL_RANGE_UNSPECIFIED,
         QualityScale::kNone,
         SizeRule::kAnySize},
        // Motion JPEG is full-range, as JPEG files are.
        {{MakeFourcc("MJPG")},
         "Motion JPEG",
         "mjpeg",
         AV_PIX_FMT_YUV420P,
         AVCOL_RANGE_JPEG,
         QualityScale::kQscale,
         SizeRule::kAnySize},
        {{MakeFourcc("FMP4"), MakeFourcc("XVID"), MakeFourcc("DIVX"), MakeFourcc("DX50")},
         "MPEG-4 (Xvid and DivX compatible)",
         "mpeg4",
         AV_PIX_FMT_YUV420P,
         AVCOL_RANGE_MPEG,
         QualityScale::kQscale,
         SizeRule::kAnySize},
        {{MakeFourcc("H264"), MakeFourcc("X264"), MakeFourcc("AVC1")},
         "H.264",
         "libx264",
         AV_PIX_FMT_YUV420P,
         AVCOL_RANGE_MPEG,
         QualityScale::kCrf,
         SizeRule::kEvenSize},
        {{MakeFourcc("FFV1")},
         "FFV1 (lossless)",
         "ffv1",
         AV_PIX_FMT_BGR0,
         AVCOL_RANGE_UNSPECIFIED,
         QualityScale::kNone,
         SizeRule::kAnySize},
        {{MakeFourcc("HFYU")},
         "HuffYUV (lossless)",
         "huffyuv",
         AV_PIX_FMT_RGB24,
         AVCOL_RANGE_UNSPECIFIED,
         QualityScale::kNone,
         SizeRule::kAnySize},
    }};
    return families;
}

std::int32_t UpperCaseCode(std::int32_t code) {
    auto bits = static_cast<std::uint32_t>(code);
    std::uint32_t upper = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto byte = static_cast<unsigned char>(bits >> shift);
        upper |= static_cast<std::uint32_t>(
                     static_cast<unsigned char>(ToUpperAscii(static_cast<char>(byte))))
                 << shift;
    }
    return static_cast<std::int32_t>(upper);
}

const CodecFamily* FindFamily(std::int32_t handler) {
    const std::int32_t code = UpperCaseCode(handler);
    for (const CodecFamily& family : Families()) {
        if (std::find(family.codes.begin(), family.codes.end(), code) != family.codes.end()) {
            return &family;
        }
    }
    return nullptr;
}

// Stored quality 0..10000 as a fraction 0..1; nothing for "encoder default".
bool QualityFraction(std::int32_t quality, double& fraction) {
    if (quality < 0) {
        return false;
    }
    fraction = static_cast<double>(std::min(quality, kQualityBest)) / kQualityBest;
    return true;
}

void SetQuality(AVCodecContext& context, const CodecChoice& choice, const VideoSettings& settings) {
    const bool dataRate = (settings.flags & kCompressDataRate) != 0 && settings.bytesPerSecond > 0;
    if (choice.qualityScale == QualityScale::kNone) {
        return;
    }
    if (dataRate) {
        context.bit_rate = static_cast<std::int64_t>(settings.bytesPerSecond) * 8;
        return;
    }
    double fraction = 0;
    if (!QualityFraction(settings.quality, fraction)) {
        return;
    }
    if (choice.qualityScale == QualityScale::kQscale) {
        const int quantiser = static_cast<int>(std::lround(31.0 - fraction * 29.0));
        context.flags |= AV_CODEC_FLAG_QSCALE;
        context.global_quality = quantiser * FF_QP2LAMBDA;
    } else {
        // 51 is the worst x264 rate factor; 0 would switch to lossless, which few players play.
        const double rateFactor = 51.0 - fraction * 50.0;
        av_opt_set_double(context.priv_data, "crf", rateFactor, 0);
    }
}

VideoStatus ApplyExtraOptions(AVCodecContext& context, const std::string& text) {
    if (text.empty()) {
        return {};
    }
    AVDictionary* parsed = nullptr;
    const int parseResult = av_dict_parse_string(&parsed, text.c_str(), "=", ":", 0);
    const AvDictionaryPtr options(parsed);
    if (parseResult < 0) {
        return VideoStatus::Failure(
            VideoError::kBadEncoderOptions,
            "the extra encoder options \"" + text + "\" are not in the form key=value:key=value");
    }
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(options.get(), "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        const int result = av_opt_set(&context, entry->key, entry->value, AV_OPT_SEARCH_CHILDREN);
        if (result == AVERROR_OPTION_NOT_FOUND) {
            return VideoStatus::Failure(
                VideoError::kBadEncoderOptions,
                std::string("the encoder has no option \"") + entry->key + "\"");
        }
        if (result < 0) {
            return VideoStatus::Failure(VideoError::kBadEncoderOptions,
                                        std::string("the value \"") + entry->value +
                                            "\" does not suit the encoder option \"" + entry->key +
                                            "\": " + AvErrorText(result));
        }
    }
    return {};
}

}  // namespace

VideoStatus ChooseCodec(std::int32_t handler, CodecChoice& choice) {
    const CodecFamily* family = FindFamily(handler);
    if (family == nullptr) {
        return VideoStatus::Failure(VideoError::kUnknownCompressor,
                                    "unknown video compressor \"" + FourccText(handler) + "\"");
    }
    choice = CodecChoice{};
    choice.uncompressed = family->encoderName == nullptr;
    choice.pixelFormat = family->pixelFormat;
    choice.colorRange = family->colorRange;
    choice.qualityScale = family->qualityScale;
    choice.sizeRule = family->sizeRule;
    if (!choice.uncompressed) {
        choice.encoder = avcodec_find_encoder_by_name(family->encoderName);
        if (choice.encoder == nullptr) {
            return VideoStatus::Failure(VideoError::kUnknownCompressor,
                                        "the video compressor \"" + FourccText(handler) +
                                            "\" is not available in this build");
        }
    }
    return {};
}

VideoStatus ConfigureEncoder(AVCodecContext& context, const CodecChoice& choice,
                             const VideoSettings& settings) {
    const int framesPerSecond = std::max(settings.framesPerSecond, 1);
    const bool keyFramesSet =
        (settings.flags & kCompressKeyFrames) != 0 && settings.keyFrameEvery > 0;
    context.gop_size = keyFramesSet ? settings.keyFrameEvery : framesPerSecond;
    // AVI stores no presentation times, so frames go out in display order.
    context.max_b_frames = 0;
    context.thread_count = 0;
    SetQuality(context, choice, settings);
    // The frames are converted for the size, pixel format and rate set here; an option that
    // changed them would make the encoder read pictures of another shape.
    const int width = context.width;
    const int height = context.height;
    const AVPixelFormat pixelFormat = context.pix_fmt;
    const AVRational timeBase = context.time_base;
    VideoStatus status = ApplyExtraOptions(context, settings.extraOptions);
    if (status.Ok() &&
        (context.width != width || context.height != height || context.pix_fmt != pixelFormat ||
         av_cmp_q(context.time_base, timeBase) != 0)) {
        status = VideoStatus::Failure(
            VideoError::kBadEncoderOptions,
            "the extra encoder options may not change the picture size, pixel format or "
            "frame rate");
    }
    return status;
}

VideoStatus CheckEncoderSettings(const CodecChoice& choice, const VideoSettings& settings) {
    if (choice.uncompressed) {
        return {};
    }
    const AvCodecContextPtr context(avcodec_alloc_context3(choice.encoder));
    if (!context) {
        throw std::bad_alloc();
    }
    return ConfigureEncoder(*context, choice, settings);
}

std::vector<VideoCompressor> AvailableVideoCompressors() {
    std::vector<VideoCompressor> compressors;
    for (const CodecFamily& family : Families()) {
        if (family.encoderName == nullptr ||
            avcodec_find_encoder_by_name(family.encoderName) != nullptr) {
            compressors.push_back({family.codes.front(), family.description,
                                   family.qualityScale != QualityScale::kNone});
        }
    }
    return compressors;
}

}  // namespace chronoreel
