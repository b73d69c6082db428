#include "video/video_writer.h"

#include <unistd.h>

#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <vector>

#include "base/app_error.h"
#include "imaging/dib.h"
#include "os/atomic_file.h"
#include "video/avi_muxer.h"
#include "video/empty_avi.h"
#include "video/ffmpeg_handles.h"
#include "video/video_codec_choice.h"
#include "video/video_encoder.h"

namespace chronoreel {
namespace {

void RequireThat(bool condition, const char* what) {
    if (!condition) {
        throw AppError(kErrInternal, std::string("VideoWriter: ") + what);
    }
}

}  // namespace

struct VideoWriter::Impl {
    std::optional<FileReplacement> file;  // the movie being written, until it is published
    VideoSettings settings;
    CodecChoice choice;
    std::unique_ptr<AviMuxer> muxer;
    std::unique_ptr<VideoEncoder> encoder;
    FileCaching caching = FileCaching::kBypassCache;
    AvPacketPtr framePacket;  // points at the caller's frame, owns no data
    AvPacketPtr rawPacket;    // a copy of the frame in the file's layout, made only when needed
    RowOrder rowOrder = RowOrder::kBottomUp;
    bool streamStarted = false;
    VideoStatus failure;  // the first failure of the stream; later frames repeat it
    int width = 0;
    int height = 0;
    int framesWritten = 0;
    // Copied JPEG frames wait here while the encoder still holds frames numbered before them
    // (frame threads), so the file gets every frame in order.
    struct WaitingCopy {
        std::int64_t frameNumber = 0;
        std::vector<std::uint8_t> jpeg;
    };
    std::deque<WaitingCopy> waitingCopies;
    std::int64_t framesInEncoder = 0;  // sent to the encoder, not yet come out

    // The steps every kind of frame shares: an earlier failure repeats, the first frame starts
    // the stream, every frame has the first one's size, a failure is kept, a frame counted.
    template <typename WriteOne>
    VideoStatus AppendFrame(int frameWidth, int frameHeight, const char* entry,
                            const WriteOne& writeOne);
    VideoStatus StartStream(int frameWidth, int frameHeight);
    VideoStatus StartRawStream();
    VideoStatus StartEncodedStream();
    VideoStatus WriteRaw(const std::uint8_t* pixels, int strideBytes);
    bool HasFileLayout(const std::uint8_t* pixels, int strideBytes) const;
    AVPacket& CopyInFileLayout(const std::uint8_t* pixels, int strideBytes);
    VideoStatus WriteEncoded(const std::uint8_t* pixels, int strideBytes);
    VideoStatus WriteEncodedPacket(AVPacket& packet);
    VideoStatus WriteCopy(std::span<const std::uint8_t> jpeg, std::int64_t frameNumber);
    VideoStatus WriteWaitingCopies();
    VideoStatus WriteJpeg(std::span<const std::uint8_t> jpeg);
    VideoStatus FinishFile();
    void DropStream();
};

VideoStatus VideoWriter::Impl::StartStream(int frameWidth, int frameHeight) {
    width = frameWidth;
    height = frameHeight;
    muxer = std::make_unique<AviMuxer>(file->Descriptor(), caching);
    VideoStatus status = choice.uncompressed ? StartRawStream() : StartEncodedStream();
    streamStarted = status.Ok();
    return status;
}

VideoStatus VideoWriter::Impl::StartRawStream() {
    VideoStatus status = muxer->StartRaw(width, height, settings.framesPerSecond, rowOrder);
    if (!status.Ok()) {
        return status;
    }
    framePacket.reset(av_packet_alloc());
    if (!framePacket) {
        throw std::bad_alloc();
    }
    return {};
}

VideoStatus VideoWriter::Impl::StartEncodedStream() {
    encoder = std::make_unique<VideoEncoder>(choice, width, height);
    VideoStatus status = encoder->Open(settings);
    if (!status.Ok()) {
        return status;
    }
    framePacket.reset(av_packet_alloc());
    if (!framePacket) {
        throw std::bad_alloc();
    }
    return muxer->StartEncoded(encoder->Context(), settings.framesPerSecond);
}

// Whether the caller's frame is byte for byte what the file holds: rows bottom-up, as far apart
// as the file's rows, and the padding at their ends zero (as the copy has it).
bool VideoWriter::Impl::HasFileLayout(const std::uint8_t* pixels, int strideBytes) const {
    const int rowBytes = DibStrideBytes(width);
    if (rowOrder != RowOrder::kBottomUp || strideBytes != rowBytes) {
        return false;
    }
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* rowStart = pixels + static_cast<std::ptrdiff_t>(row) * rowBytes;
        for (int padding = width * 3; padding < rowBytes; ++padding) {
            if (rowStart[padding] != 0) {
                return false;
            }
        }
    }
    return true;
}

AVPacket& VideoWriter::Impl::CopyInFileLayout(const std::uint8_t* pixels, int strideBytes) {
    const int rowBytes = DibStrideBytes(width);
    if (!rawPacket) {
        rawPacket.reset(av_packet_alloc());
        if (!rawPacket || av_new_packet(rawPacket.get(), rowBytes * height) < 0) {
            throw std::bad_alloc();
        }
        // Row padding stays zero; only the pixels are copied in later.
        std::memset(rawPacket->data, 0, static_cast<std::size_t>(rawPacket->size));
    }
    if (av_packet_make_writable(rawPacket.get()) < 0) {
        throw std::bad_alloc();
    }
    const std::size_t pixelBytes = static_cast<std::size_t>(width) * 3;
    for (int row = 0; row < height; ++row) {
        const int sourceRow = rowOrder == RowOrder::kBottomUp ? row : height - 1 - row;
        std::memcpy(rawPacket->data + static_cast<std::ptrdiff_t>(row) * rowBytes,
                    pixels + static_cast<std::ptrdiff_t>(sourceRow) * strideBytes, pixelBytes);
    }
    return *rawPacket;
}

VideoStatus VideoWriter::Impl::WriteRaw(const std::uint8_t* pixels, int strideBytes) {
    const bool borrowed = HasFileLayout(pixels, strideBytes);
    AVPacket& packet = borrowed ? *framePacket : CopyInFileLayout(pixels, strideBytes);
    if (borrowed) {
        // The muxer only reads the data, and is done with it when Write returns.
        packet.data = const_cast<std::uint8_t*>(pixels);
        packet.size = DibStrideBytes(width) * height;
    }
    packet.flags = AV_PKT_FLAG_KEY;
    packet.duration = 1;
    packet.pts = framesWritten;
    packet.dts = framesWritten;
    VideoStatus status = muxer->Write(packet);
    if (borrowed) {
        packet.data = nullptr;
        packet.size = 0;
    }
    return status;
}

VideoStatus VideoWriter::Impl::WriteEncoded(const std::uint8_t* pixels, int strideBytes) {
    ++framesInEncoder;
    return encoder->Encode(pixels, strideBytes, framesWritten,
                           [this](AVPacket& packet) { return WriteEncodedPacket(packet); });
}

VideoStatus VideoWriter::Impl::WriteEncodedPacket(AVPacket& packet) {
    // Copies numbered before this frame came while the encoder still held earlier frames.
    while (!waitingCopies.empty() && waitingCopies.front().frameNumber < packet.pts) {
        const VideoStatus status =
            WriteCopy(waitingCopies.front().jpeg, waitingCopies.front().frameNumber);
        waitingCopies.pop_front();
        if (!status.Ok()) {
            return status;
        }
    }
    --framesInEncoder;
    const VideoStatus status = muxer->Write(packet);
    if (!status.Ok()) {
        return status;
    }
    return framesInEncoder == 0 ? WriteWaitingCopies() : VideoStatus{};
}

VideoStatus VideoWriter::Impl::WriteCopy(std::span<const std::uint8_t> jpeg,
                                         std::int64_t frameNumber) {
    AVPacket& packet = *framePacket;
    // The muxer only reads the data, and is done with it when Write returns.
    packet.data = const_cast<std::uint8_t*>(jpeg.data());
    packet.size = static_cast<int>(jpeg.size());
    packet.flags = AV_PKT_FLAG_KEY;
    packet.duration = 1;
    packet.pts = frameNumber;
    packet.dts = frameNumber;
    const VideoStatus status = muxer->Write(packet);
    packet.data = nullptr;
    packet.size = 0;
    return status;
}

VideoStatus VideoWriter::Impl::WriteWaitingCopies() {
    while (!waitingCopies.empty()) {
        const VideoStatus status =
            WriteCopy(waitingCopies.front().jpeg, waitingCopies.front().frameNumber);
        waitingCopies.pop_front();
        if (!status.Ok()) {
            return status;
        }
    }
    return {};
}

VideoStatus VideoWriter::Impl::WriteJpeg(std::span<const std::uint8_t> jpeg) {
    if (framesInEncoder > 0) {
        waitingCopies.push_back({framesWritten, {jpeg.begin(), jpeg.end()}});
        return {};
    }
    const VideoStatus status = WriteWaitingCopies();
    return status.Ok() ? WriteCopy(jpeg, framesWritten) : status;
}

// Completes the file's content: the stream's index and header values, or a file without
// streams when no frame ever came.
VideoStatus VideoWriter::Impl::FinishFile() {
    if (streamStarted) {
        if (encoder) {
            // Frames still inside the encoder are saved when possible; a failure here still
            // leaves the frames already written playable.
            encoder->Flush([this](AVPacket& packet) { return WriteEncodedPacket(packet); });
            if (const VideoStatus status = WriteWaitingCopies(); !status.Ok()) {
                return status;
            }
        }
        return muxer->Finish();
    }
    DropStream();
    // A stream that failed to start may have left some bytes behind.
    std::string error;
    const int descriptor = file->Descriptor();
    if (ftruncate(descriptor, 0) != 0 || lseek(descriptor, 0, SEEK_SET) != 0 ||
        !WriteAviWithoutStreams(descriptor, settings.framesPerSecond, error)) {
        return VideoStatus::Failure(VideoError::kWriteFailed,
                                    error.empty() ? "cannot write the movie file" : error);
    }
    return {};
}

void VideoWriter::Impl::DropStream() {
    encoder.reset();
    muxer.reset();
    framePacket.reset();
    rawPacket.reset();
    waitingCopies.clear();
    framesInEncoder = 0;
}

VideoWriter::VideoWriter() : impl_(std::make_unique<Impl>()) {}

VideoWriter::~VideoWriter() {
    Discard();
}

VideoStatus VideoWriter::Open(const std::filesystem::path& finalPath, const VideoSettings& settings,
                              FileCaching caching) {
    RequireThat(!IsOpen(), "Open while a movie is open");
    RequireThat(settings.framesPerSecond >= 1, "frames per second below 1");
    // The writer reports its own failures; FFmpeg's notes and statistics would only clutter
    // standard error. A program that chose another log level keeps it.
    if (av_log_get_level() == AV_LOG_INFO) {
        av_log_set_level(AV_LOG_ERROR);
    }
    CodecChoice choice;
    VideoStatus status = ChooseCodec(settings.handler, choice);
    if (status.Ok()) {
        status = CheckEncoderSettings(choice, settings);
    }
    if (!status.Ok()) {
        return status;
    }
    std::string error;
    impl_->file = FileReplacement::Begin(finalPath, error);
    if (!impl_->file) {
        return VideoStatus::Failure(VideoError::kCannotCreateFile, error);
    }
    impl_->settings = settings;
    impl_->choice = choice;
    impl_->caching = caching;
    impl_->streamStarted = false;
    impl_->failure = {};
    impl_->width = 0;
    impl_->height = 0;
    impl_->framesWritten = 0;
    return {};
}

template <typename WriteOne>
VideoStatus VideoWriter::Impl::AppendFrame(int frameWidth, int frameHeight, const char* entry,
                                           const WriteOne& writeOne) {
    if (!failure.Ok()) {
        return failure;
    }
    if (!streamStarted) {
        VideoStatus status = StartStream(frameWidth, frameHeight);
        if (!status.Ok()) {
            failure = status;
            return status;
        }
    }
    if (frameWidth != width || frameHeight != height) {
        throw AppError(kErrInternal, std::string("VideoWriter: ") + entry +
                                         " with a size other than the first frame's");
    }
    VideoStatus status = writeOne();
    if (!status.Ok()) {
        failure = status;
        return status;
    }
    ++framesWritten;
    return {};
}

VideoStatus VideoWriter::WriteFrame(const std::uint8_t* pixels, int width, int height,
                                    int strideBytes) {
    Impl& state = *impl_;
    RequireThat(IsOpen(), "WriteFrame without an open movie");
    RequireThat(pixels != nullptr && width > 0 && height > 0 && strideBytes >= width * 3,
                "WriteFrame with a bad picture");
    return state.AppendFrame(width, height, "WriteFrame", [&state, pixels, strideBytes] {
        return state.encoder ? state.WriteEncoded(pixels, strideBytes)
                             : state.WriteRaw(pixels, strideBytes);
    });
}

VideoStatus VideoWriter::WriteJpegFrame(std::span<const std::uint8_t> jpeg, int width, int height) {
    Impl& state = *impl_;
    RequireThat(IsOpen(), "WriteJpegFrame without an open movie");
    RequireThat(TakesJpegFrames(), "WriteJpegFrame into a movie that does not store JPEG frames");
    RequireThat(jpeg.size() >= 4 && jpeg.size() <= INT32_MAX && width > 0 && height > 0,
                "WriteJpegFrame with a bad picture");
    return state.AppendFrame(width, height, "WriteJpegFrame",
                             [&state, jpeg] { return state.WriteJpeg(jpeg); });
}

VideoStatus VideoWriter::WriteYuv420Frame(const Yuv420Planes& planes) {
    Impl& state = *impl_;
    RequireThat(IsOpen(), "WriteYuv420Frame without an open movie");
    RequireThat(TakesYuv420Frames(), "WriteYuv420Frame into a movie not encoded from planes");
    RequireThat(planes.width > 0 && planes.height > 0 && planes.strides[0] >= planes.width &&
                    planes.strides[1] >= (planes.width + 1) / 2 &&
                    planes.strides[2] >= (planes.width + 1) / 2,
                "WriteYuv420Frame with bad planes");
    return state.AppendFrame(planes.width, planes.height, "WriteYuv420Frame", [&state, &planes] {
        ++state.framesInEncoder;
        return state.encoder->EncodeYuv420(planes, state.framesWritten, [&state](AVPacket& packet) {
            return state.WriteEncodedPacket(packet);
        });
    });
}

bool VideoWriter::TakesYuv420Frames() const {
    const CodecChoice& choice = impl_->choice;
    return IsOpen() && !choice.uncompressed && choice.encoder != nullptr &&
           choice.pixelFormat == AV_PIX_FMT_YUV420P;
}

bool VideoWriter::TakesJpegFrames() const {
    const CodecChoice& choice = impl_->choice;
    return IsOpen() && !choice.uncompressed && choice.encoder != nullptr &&
           choice.encoder->id == AV_CODEC_ID_MJPEG;
}

VideoStatus VideoWriter::Close() {
    if (!IsOpen()) {
        return {};
    }
    Impl& state = *impl_;
    if (!state.streamStarted && !state.failure.Ok()) {
        // The stream could not even be created: a movie without frames must not replace the
        // previous one because of a setting the encoder refused.
        Discard();
        return state.failure;
    }
    VideoStatus status = state.FinishFile();
    state.DropStream();
    state.streamStarted = false;
    if (!status.Ok()) {
        state.file.reset();
        return status;
    }
    std::string error;
    const bool published = state.file->Commit(error);
    state.file.reset();
    if (!published) {
        return VideoStatus::Failure(VideoError::kWriteFailed, error);
    }
    return {};
}

void VideoWriter::Discard() {
    impl_->DropStream();
    impl_->streamStarted = false;
    impl_->file.reset();
}

bool VideoWriter::IsOpen() const {
    return impl_->file && impl_->file->IsOpen();
}

int VideoWriter::FramesWritten() const {
    return impl_->framesWritten;
}

std::filesystem::path VideoWriter::FinalPath() const {
    return impl_->file ? impl_->file->FinalPath() : std::filesystem::path();
}

}  // namespace chronoreel
