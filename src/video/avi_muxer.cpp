#include "video/avi_muxer.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

namespace chronoreel {
namespace {

constexpr int kIoBufferBytes = 1 << 20;

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoBytes = const std::uint8_t*;
#else
using IoBytes = std::uint8_t*;
#endif

using FileSlot = std::unique_ptr<DirectFileWriter>;

DirectFileWriter& FileOf(void* opaque) {
    return **static_cast<FileSlot*>(opaque);
}

int WriteToFile(void* opaque, IoBytes bytes, int size) {
    const int error = FileOf(opaque).Write(bytes, static_cast<std::size_t>(size));
    return error == 0 ? size : AVERROR(error);
}

std::int64_t SeekInFile(void* opaque, std::int64_t offset, int whence) {
    DirectFileWriter& file = FileOf(opaque);
    if (whence == AVSEEK_SIZE) {
        return file.Size();
    }
    std::int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            break;
        case SEEK_CUR:
            target += file.Position();
            break;
        case SEEK_END:
            target += file.Size();
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0) {
        return AVERROR(EINVAL);
    }
    file.Seek(target);
    return target;
}

VideoStatus WriteFailure(int code) {
    return VideoStatus::Failure(VideoError::kWriteFailed,
                                "cannot write the movie file: " + AvErrorText(code));
}

}  // namespace

AviMuxer::AviMuxer(int descriptor, FileCaching caching)
    : descriptor_(descriptor), caching_(caching) {
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    io_.reset(
        avio_alloc_context(buffer, kIoBufferBytes, 1, &file_, nullptr, WriteToFile, SeekInFile));
    if (!io_) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    io_->seekable = AVIO_SEEKABLE_NORMAL;

    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "avi", nullptr) < 0 || format == nullptr) {
        throw std::bad_alloc();
    }
    format_.reset(format);
    format_->pb = io_.get();
}

void AviMuxer::AddStream(int framesPerSecond) {
    stream_ = avformat_new_stream(format_.get(), nullptr);
    if (stream_ == nullptr) {
        throw std::bad_alloc();
    }
    frameTimeBase_ = AVRational{1, framesPerSecond};
    stream_->time_base = frameTimeBase_;
    stream_->avg_frame_rate = AVRational{framesPerSecond, 1};
    stream_->r_frame_rate = stream_->avg_frame_rate;
}

VideoStatus AviMuxer::WriteHeader() {
    const int result = avformat_write_header(format_.get(), nullptr);
    if (result < 0) {
        return VideoStatus::Failure(VideoError::kEncoderFailed,
                                    "cannot start the video stream: " + AvErrorText(result));
    }
    if (io_->error < 0) {
        return WriteFailure(io_->error);
    }
    return {};
}

VideoStatus AviMuxer::StartRaw(int width, int height, int framesPerSecond, RowOrder& rowOrder) {
    AddStream(framesPerSecond);
    AVCodecParameters& parameters = *stream_->codecpar;
    parameters.codec_type = AVMEDIA_TYPE_VIDEO;
    parameters.codec_id = AV_CODEC_ID_RAWVIDEO;
    parameters.codec_tag = 0;  // BI_RGB
    parameters.format = AV_PIX_FMT_BGR24;
    parameters.bits_per_coded_sample = 24;
    parameters.width = width;
    parameters.height = height;
    // Without this option the muxer declares raw rows top-down (negative height); with it
    // the height is positive and the rows must really come bottom-up. A libavformat without
    // it gets the rows top-down instead, so players show the movie upright either way.
    const bool bottomUp = av_opt_set_int(format_->priv_data, "flipped_raw_rgb", 1, 0) >= 0;
    rowOrder = bottomUp ? RowOrder::kBottomUp : RowOrder::kTopDown;
    file_ = std::make_unique<DirectFileWriter>(descriptor_, caching_);
    // Frames are large: avio hands each packet's data straight to the file writer instead of
    // copying it into its own buffer first (small header fields are still gathered there).
    io_->direct = 1;
    return WriteHeader();
}

VideoStatus AviMuxer::StartEncoded(const AVCodecContext& encoder, int framesPerSecond) {
    AddStream(framesPerSecond);
    const int result = avcodec_parameters_from_context(stream_->codecpar, &encoder);
    if (result < 0) {
        return VideoStatus::Failure(VideoError::kEncoderFailed,
                                    "cannot describe the video stream: " + AvErrorText(result));
    }
    stream_->codecpar->codec_tag = 0;  // the muxer picks the usual AVI code of the encoder
    file_ = std::make_unique<DirectFileWriter>(descriptor_, FileCaching::kPageCache);
    return WriteHeader();
}

VideoStatus AviMuxer::Write(AVPacket& packet) {
    const AVRational packetTimeBase = frameTimeBase_;
    av_packet_rescale_ts(&packet, packetTimeBase, stream_->time_base);
    packet.stream_index = stream_->index;
    const int result = av_write_frame(format_.get(), &packet);
    av_packet_rescale_ts(&packet, stream_->time_base, packetTimeBase);
    if (result < 0) {
        return WriteFailure(result);
    }
    return {};
}

VideoStatus AviMuxer::Finish() {
    const int result = av_write_trailer(format_.get());
    if (result < 0) {
        return WriteFailure(result);
    }
    avio_flush(io_.get());
    if (io_->error < 0) {
        return WriteFailure(io_->error);
    }
    const int error = file_ ? file_->Flush() : 0;
    if (error != 0) {
        return WriteFailure(AVERROR(error));
    }
    return {};
}

}  // namespace chronoreel
