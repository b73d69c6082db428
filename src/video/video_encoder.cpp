#include "video/video_encoder.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace chronoreel {
namespace {

int EvenUp(int size) {
    return size + (size & 1);
}

// Full-range samples as limited range stores them: value `from` becomes `to` and the steps shrink
// to levels / 255 (luma 0..255 -> 16..235, chroma 0..255 -> 16..240 around 128).
std::array<std::uint8_t, 256> RangeTable(int levels, int from, int to) {
    std::array<std::uint8_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        const long mapped = std::lround(to + (value - from) * levels / 255.0);
        table[value] = static_cast<std::uint8_t>(std::clamp(mapped, 0L, 255L));
    }
    return table;
}

VideoStatus EncodeFailure(const char* what, int code) {
    return VideoStatus::Failure(VideoError::kEncoderFailed,
                                std::string(what) + ": " + AvErrorText(code));
}

}  // namespace

VideoEncoder::VideoEncoder(const CodecChoice& choice, int width, int height)
    : choice_(choice),
      width_(width),
      height_(height),
      context_(avcodec_alloc_context3(choice.encoder)),
      frame_(av_frame_alloc()),
      packet_(av_packet_alloc()) {
    if (!context_ || !frame_ || !packet_) {
        throw std::bad_alloc();
    }
}

VideoStatus VideoEncoder::Open(const VideoSettings& settings) {
    const bool even = choice_.sizeRule == SizeRule::kEvenSize;
    AVCodecContext& context = *context_;
    context.width = even ? EvenUp(width_) : width_;
    context.height = even ? EvenUp(height_) : height_;
    context.pix_fmt = choice_.pixelFormat;
    context.time_base = AVRational{1, settings.framesPerSecond};
    context.framerate = AVRational{settings.framesPerSecond, 1};
    context.sample_aspect_ratio = AVRational{1, 1};
    const bool yuv = (av_pix_fmt_desc_get(choice_.pixelFormat)->flags & AV_PIX_FMT_FLAG_RGB) == 0;
    if (yuv) {
        context.color_range = choice_.colorRange;
        context.colorspace = AVCOL_SPC_SMPTE170M;  // the matrix the converter uses
    }
    VideoStatus status = ConfigureEncoder(context, choice_, settings);
    if (!status.Ok()) {
        return status;
    }
    const int opened = avcodec_open2(&context, choice_.encoder, nullptr);
    if (opened < 0) {
        return EncodeFailure("cannot start the video encoder", opened);
    }

    converter_.reset(sws_getContext(width_, height_, AV_PIX_FMT_BGR24, width_, height_,
                                    choice_.pixelFormat, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!converter_) {
        return VideoStatus::Failure(VideoError::kEncoderFailed,
                                    "cannot convert frames for the video encoder");
    }
    if (yuv) {
        const int* matrix = sws_getCoefficients(SWS_CS_ITU601);
        const int fullRangeOut = choice_.colorRange == AVCOL_RANGE_JPEG ? 1 : 0;
        sws_setColorspaceDetails(converter_.get(), matrix, 1, matrix, fullRangeOut, 0, 1 << 16,
                                 1 << 16);
    }
    limitedRange_ = yuv && choice_.colorRange != AVCOL_RANGE_JPEG;
    if (limitedRange_) {
        lumaRange_ = RangeTable(219, 0, 16);
        chromaRange_ = RangeTable(224, 128, 128);
    }
    PrepareFrame();
    return {};
}

// Gives frame_ a picture buffer of its own. The encoder may still hold the previous one (frame
// threads, look-ahead); then a new buffer is taken instead of overwriting it.
void VideoEncoder::PrepareFrame() {
    if (frame_->buf[0] != nullptr && av_frame_is_writable(frame_.get())) {
        return;
    }
    av_frame_unref(frame_.get());
    frame_->format = context_->pix_fmt;
    frame_->width = context_->width;
    frame_->height = context_->height;
    const int result = av_frame_get_buffer(frame_.get(), 0);
    if (result < 0) {
        throw std::bad_alloc();
    }
}

void VideoEncoder::ConvertInto(const std::uint8_t* pixels, int strideBytes) {
    // Reading from the last row upwards turns the bottom-up surface into a top-down picture.
    const std::uint8_t* const source[4] = {
        pixels + static_cast<std::ptrdiff_t>(height_ - 1) * strideBytes, nullptr, nullptr, nullptr};
    const int sourceStride[4] = {-strideBytes, 0, 0, 0};
    sws_scale(converter_.get(), source, sourceStride, 0, height_, frame_->data, frame_->linesize);
}

// Fills the padding of an even-sized picture (8-bit planar formats) with the last real row and
// column of each plane.
void VideoEncoder::RepeatEdges() {
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(choice_.pixelFormat);
    for (int plane = 0; plane < format->nb_components && frame_->data[plane] != nullptr; ++plane) {
        const bool chroma = plane == 1 || plane == 2;
        const int shiftX = chroma ? format->log2_chroma_w : 0;
        const int shiftY = chroma ? format->log2_chroma_h : 0;
        const int realWidth = AV_CEIL_RSHIFT(width_, shiftX);
        const int realHeight = AV_CEIL_RSHIFT(height_, shiftY);
        const int paddedWidth = AV_CEIL_RSHIFT(frame_->width, shiftX);
        const int paddedHeight = AV_CEIL_RSHIFT(frame_->height, shiftY);
        std::uint8_t* const data = frame_->data[plane];
        const int stride = frame_->linesize[plane];
        for (int y = 0; y < realHeight; ++y) {
            std::uint8_t* const row = data + static_cast<std::ptrdiff_t>(y) * stride;
            std::memset(row + realWidth, row[realWidth - 1],
                        static_cast<std::size_t>(paddedWidth - realWidth));
        }
        for (int y = realHeight; y < paddedHeight; ++y) {
            std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride,
                        data + static_cast<std::ptrdiff_t>(realHeight - 1) * stride,
                        static_cast<std::size_t>(paddedWidth));
        }
    }
}

// Copies the picture's samples of each plane into the frame, through the range tables when the
// encoder stores limited range.
void VideoEncoder::CopyPlanesInto(const Yuv420Planes& planes) {
    for (int plane = 0; plane < 3; ++plane) {
        const bool chroma = plane > 0;
        const int columns = chroma ? (width_ + 1) / 2 : width_;
        const int rows = chroma ? (height_ + 1) / 2 : height_;
        const std::array<std::uint8_t, 256>& table = chroma ? chromaRange_ : lumaRange_;
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t* from =
                planes.Data(plane) + static_cast<std::ptrdiff_t>(y) * planes.strides[plane];
            std::uint8_t* to =
                frame_->data[plane] + static_cast<std::ptrdiff_t>(y) * frame_->linesize[plane];
            if (limitedRange_) {
                for (int x = 0; x < columns; ++x) {
                    to[x] = table[from[x]];
                }
            } else {
                std::memcpy(to, from, static_cast<std::size_t>(columns));
            }
        }
    }
}

VideoStatus VideoEncoder::Encode(const std::uint8_t* pixels, int strideBytes,
                                 std::int64_t frameNumber, const PacketSink& sink) {
    PrepareFrame();
    ConvertInto(pixels, strideBytes);
    return SendFrame(frameNumber, sink);
}

VideoStatus VideoEncoder::EncodeYuv420(const Yuv420Planes& planes, std::int64_t frameNumber,
                                       const PacketSink& sink) {
    PrepareFrame();
    CopyPlanesInto(planes);
    return SendFrame(frameNumber, sink);
}

VideoStatus VideoEncoder::SendFrame(std::int64_t frameNumber, const PacketSink& sink) {
    if (frame_->width != width_ || frame_->height != height_) {
        RepeatEdges();
    }
    frame_->pts = frameNumber;
    // A fixed quantiser is read from each frame.
    frame_->quality = context_->global_quality;
    const int sent = avcodec_send_frame(context_.get(), frame_.get());
    if (sent < 0) {
        return EncodeFailure("cannot encode a frame", sent);
    }
    return Drain(sink);
}

VideoStatus VideoEncoder::Flush(const PacketSink& sink) {
    const int sent = avcodec_send_frame(context_.get(), nullptr);
    if (sent < 0 && sent != AVERROR_EOF) {
        return EncodeFailure("cannot finish encoding", sent);
    }
    return Drain(sink);
}

VideoStatus VideoEncoder::Drain(const PacketSink& sink) {
    for (;;) {
        const int received = avcodec_receive_packet(context_.get(), packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return {};
        }
        if (received < 0) {
            return EncodeFailure("cannot encode a frame", received);
        }
        VideoStatus status = sink(*packet_);
        av_packet_unref(packet_.get());
        if (!status.Ok()) {
            return status;
        }
    }
}

}  // namespace chronoreel
