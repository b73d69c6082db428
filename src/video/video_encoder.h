#pragma once

// One libavcodec encoder fed with frames in the drawing surface layout.

#include <array>
#include <cstdint>
#include <functional>

#include "imaging/yuv_planes.h"
#include "video/ffmpeg_handles.h"
#include "video/video_codec_choice.h"
#include "video/video_settings.h"
#include "video/video_status.h"

namespace chronoreel {

class VideoEncoder {
  public:
    // Receives each packet the encoder gives, time stamps counting frames.
    using PacketSink = std::function<VideoStatus(AVPacket&)>;

    // Frames will be width x height; an encoder that needs even sizes gets the last row and
    // column repeated.
    VideoEncoder(const CodecChoice& choice, int width, int height);
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    VideoStatus Open(const VideoSettings& settings);
    const AVCodecContext& Context() const { return *context_; }

    // Converts one frame (24-bit blue-green-red, bottom row first) and encodes it.
    VideoStatus Encode(const std::uint8_t* pixels, int strideBytes, std::int64_t frameNumber,
                       const PacketSink& sink);

    // Encodes one frame of full-range planes of the frame size (see Yuv420Planes), mapped to
    // the encoder's range on the way. Only for an encoder of 4:2:0 planes.
    VideoStatus EncodeYuv420(const Yuv420Planes& planes, std::int64_t frameNumber,
                             const PacketSink& sink);

    // Drains the frames the encoder still holds.
    VideoStatus Flush(const PacketSink& sink);

  private:
    void PrepareFrame();
    void ConvertInto(const std::uint8_t* pixels, int strideBytes);
    void CopyPlanesInto(const Yuv420Planes& planes);
    void RepeatEdges();
    VideoStatus SendFrame(std::int64_t frameNumber, const PacketSink& sink);
    VideoStatus Drain(const PacketSink& sink);

    CodecChoice choice_;
    int width_;
    int height_;
    AvCodecContextPtr context_;
    AvFramePtr frame_;
    AvPacketPtr packet_;
    SwsContextPtr converter_;
    // Full-range sample values as the encoder's range stores them, for luma and for chroma;
    // unused when the encoder takes full range as it is.
    bool limitedRange_ = false;
    std::array<std::uint8_t, 256> lumaRange_{};
    std::array<std::uint8_t, 256> chromaRange_{};
};

}  // namespace chronoreel
