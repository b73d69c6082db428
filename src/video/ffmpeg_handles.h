#pragma once

// Owning handles for the FFmpeg objects the video writer uses.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

#include "imaging/scaler_context.h"

namespace chronoreel {

struct AvCodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct AvFrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvPacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AvFormatContextDeleter {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
struct AvIoContextDeleter {
    void operator()(AVIOContext* context) const {
        // The buffer may have been replaced by avio; free the one it holds now.
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
};
struct AvDictionaryDeleter {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

using AvCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextDeleter>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameDeleter>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketDeleter>;
using AvFormatContextPtr = std::unique_ptr<AVFormatContext, AvFormatContextDeleter>;
using AvIoContextPtr = std::unique_ptr<AVIOContext, AvIoContextDeleter>;
using AvDictionaryPtr = std::unique_ptr<AVDictionary, AvDictionaryDeleter>;

// FFmpeg's text for an error code.
inline std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace chronoreel
