#pragma once

// Which encoder a stored compressor code selects, and how the stored quality, key-frame and
// data-rate settings and the extra options map onto that encoder.

#include <cstdint>

#include "video/ffmpeg_handles.h"
#include "video/video_settings.h"
#include "video/video_status.h"

namespace chronoreel {

enum class QualityScale {
    kNone,    // lossless or uncompressed: quality and data rate do not apply
    kQscale,  // MPEG-style quantiser 2 (best) .. 31
    kCrf,     // x264 constant rate factor 1 (best) .. 51
};

enum class SizeRule {
    kAnySize,
    kEvenSize,  // the encoder refuses odd sizes: the last row or column is repeated
};

struct CodecChoice {
    bool uncompressed = true;  // stored as raw bottom-up BI_RGB frames, no encoder
    const AVCodec* encoder = nullptr;
    AVPixelFormat pixelFormat = AV_PIX_FMT_BGR24;
    AVColorRange colorRange = AVCOL_RANGE_UNSPECIFIED;
    QualityScale qualityScale = QualityScale::kNone;
    SizeRule sizeRule = SizeRule::kAnySize;
};

// Picks the encoder for a compressor code (letter case ignored). Fails with
// kUnknownCompressor for a code this build cannot write.
VideoStatus ChooseCodec(std::int32_t handler, CodecChoice& choice);

// Sets quality, key-frame interval, data rate and threads on an encoder context that is not
// yet opened, then applies the extra options text on top. Fails with kBadEncoderOptions when
// that text is malformed or names an option or value the encoder does not take.
VideoStatus ConfigureEncoder(AVCodecContext& context, const CodecChoice& choice,
                             const VideoSettings& settings);

// Checks the choice and the extra options without opening an encoder, so that a bad setting is
// reported before any file is touched.
VideoStatus CheckEncoderSettings(const CodecChoice& choice, const VideoSettings& settings);

}  // namespace chronoreel
