#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "imaging/yuv_planes.h"
#include "os/direct_file_writer.h"
#include "video/video_settings.h"
#include "video/video_status.h"

namespace chronoreel {

// Writes one movie as an AVI file with a single video stream.
//
// The movie goes to a hidden temporary file beside the output path and takes the place of the
// file at the output path only when it is closed, so until then a previous movie stays whole,
// and two writers of one path never share a file. Closing publishes the frames written so far,
// also after a cancel or a failed write; a movie without frames becomes an AVI without streams.
//
// Frames come in the drawing surface layout: 24-bit blue-green-red pixels, bottom row first.
// The first frame fixes the movie size and creates the stream; every frame is one sample,
// numbered without gaps. Movies above 1 GiB are written as OpenDML AVI.
//
// Uncompressed frames whose rows already have the file's layout are written straight from the
// caller's memory, and by default with direct writes that bypass the page cache (where the
// file system takes them), so a movie of gigabytes neither fills the cache nor has to be
// pushed out of it before it is published. Encoded movies are written through the page cache.
class VideoWriter {
  public:
    VideoWriter();
    // Discards a movie still open: only Close publishes, so an error unwinding through the
    // writer never puts a partial movie in the place of a good one.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Checks the compressor choice and creates the temporary file. On failure nothing is
    // created and the file at finalPath is untouched. caching says whether uncompressed frames
    // may bypass the page cache; the file is the same either way.
    VideoStatus Open(const std::filesystem::path& finalPath, const VideoSettings& settings,
                     FileCaching caching = FileCaching::kBypassCache);

    // Appends one frame. pixels points at the bottom row; each row holds width pixels of
    // 3 bytes and rows are strideBytes apart (at least width * 3). Every call after the first
    // must give the first call's size. After a failure the movie can still be closed.
    VideoStatus WriteFrame(const std::uint8_t* pixels, int width, int height, int strideBytes);

    // Appends one frame that is already a JPEG image of width x height (see ExtractCopyableJpeg),
    // as it is, to a Motion JPEG movie: a key frame numbered like the encoded ones, so copied and
    // encoded frames mix in one movie. The stream is the one the encoder makes, also when the
    // first frame is a copy. Only for the MJPG compressor; the bytes are not kept after the call.
    VideoStatus WriteJpegFrame(std::span<const std::uint8_t> jpeg, int width, int height);

    // Whether the compressor of the open movie stores JPEG images, so WriteJpegFrame may be used.
    bool TakesJpegFrames() const;

    // Appends one frame given as full-range 4:2:0 planes (as a YCbCr JPEG stores them), so an
    // encoder that takes such planes needs no colour conversion; frames of both kinds mix in one
    // movie. Only where TakesYuv420Frames; the same size rule as for WriteFrame; the planes are
    // not kept after the call.
    VideoStatus WriteYuv420Frame(const Yuv420Planes& planes);

    // Whether the open movie is encoded from 4:2:0 planes, so WriteYuv420Frame may be used.
    bool TakesYuv420Frames() const;

    // Finishes the file, flushes it to disk and renames it over the output path. Closing a
    // writer that is not open does nothing. On failure, and when the first frame failed
    // because the stream could not be created, the temporary file is removed and the file at
    // the output path is untouched.
    VideoStatus Close();

    // Ends the movie without publishing it: the temporary file is removed and the file at the
    // output path is untouched.
    void Discard();

    bool IsOpen() const;
    int FramesWritten() const;
    // The file the movie replaces when it is closed (the output path, or the file its links
    // lead to) while open; empty otherwise.
    std::filesystem::path FinalPath() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace chronoreel
