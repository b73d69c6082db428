#pragma once

// libavformat's AVI muxer writing into a file descriptor that the caller owns.

#include <cstdint>

#include "video/ffmpeg_handles.h"
#include "video/video_status.h"

namespace chronoreel {

// Order of the rows in a raw frame as the file declares it.
enum class RowOrder { kBottomUp, kTopDown };

class AviMuxer {
  public:
    // Writes through descriptor, which must stay open (and seekable) while the muxer lives.
    explicit AviMuxer(int descriptor);
    AviMuxer(const AviMuxer&) = delete;
    AviMuxer& operator=(const AviMuxer&) = delete;

    // Adds a stream of raw 24-bit BI_RGB frames and writes the header. rowOrder says how the
    // packets must hold their rows: bottom-up unless this libavformat cannot declare that.
    VideoStatus StartRaw(int width, int height, int framesPerSecond, RowOrder& rowOrder);

    // Adds a stream for the packets of an opened encoder and writes the header.
    VideoStatus StartEncoded(const AVCodecContext& encoder, int framesPerSecond);

    // Writes one packet whose time stamps count frames. The packet is left as it was given.
    VideoStatus Write(AVPacket& packet);

    // Writes the index and the final header values and flushes everything to the descriptor.
    VideoStatus Finish();

  private:
    void AddStream(int framesPerSecond);
    VideoStatus WriteHeader();

    int descriptor_;  // the I/O callbacks read it through their opaque pointer
    AvIoContextPtr io_;
    AvFormatContextPtr format_;
    AVStream* stream_ = nullptr;
    AVRational frameTimeBase_{1, 1};
};

}  // namespace chronoreel
