#pragma once

// libavformat's AVI muxer writing into a file descriptor that the caller owns.

#include <cstdint>
#include <memory>

#include "os/direct_file_writer.h"
#include "video/ffmpeg_handles.h"
#include "video/video_status.h"

namespace chronoreel {

// Order of the rows in a raw frame as the file declares it.
enum class RowOrder { kBottomUp, kTopDown };

class AviMuxer {
  public:
    // Writes through descriptor, which must stay open (and seekable) while the muxer lives.
    // With FileCaching::kBypassCache raw frames go to the disk with direct writes where the
    // file system takes them; encoded streams are always written through the page cache.
    AviMuxer(int descriptor, FileCaching caching);
    AviMuxer(const AviMuxer&) = delete;
    AviMuxer& operator=(const AviMuxer&) = delete;

    // Adds a stream of raw 24-bit BI_RGB frames and writes the header. rowOrder says how the
    // packets must hold their rows: bottom-up unless this libavformat cannot declare that.
    VideoStatus StartRaw(int width, int height, int framesPerSecond, RowOrder& rowOrder);

    // Adds a stream for the packets of an opened encoder and writes the header.
    VideoStatus StartEncoded(const AVCodecContext& encoder, int framesPerSecond);

    // Writes one packet whose time stamps count frames. The packet is left as it was given;
    // it need not own its data (a packet pointing at a caller's frame is written from there).
    VideoStatus Write(AVPacket& packet);

    // Writes the index and the final header values and flushes everything to the descriptor.
    VideoStatus Finish();

  private:
    void AddStream(int framesPerSecond);
    VideoStatus WriteHeader();

    int descriptor_;
    FileCaching caching_;
    std::unique_ptr<DirectFileWriter> file_;  // the I/O callbacks reach it through their opaque
    AvIoContextPtr io_;
    AvFormatContextPtr format_;
    AVStream* stream_ = nullptr;
    AVRational frameTimeBase_{1, 1};
};

}  // namespace chronoreel
