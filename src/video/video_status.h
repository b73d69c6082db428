#pragma once

#include <string>
#include <utility>

namespace chronoreel {

enum class VideoError {
    kNone,
    kCannotCreateFile,   // the movie file could not be created beside the output path
    kUnknownCompressor,  // the compressor code names no encoder of this build
    kBadEncoderOptions,  // the extra options text is malformed or names an unknown option
    kEncoderFailed,      // the encoder or the video stream could not be set up, or encoding failed
    kWriteFailed,        // writing, finishing or publishing the movie file failed
};

// Outcome of a video writer call; message says what failed, in words fit for a user.
struct VideoStatus {
    VideoError error = VideoError::kNone;
    std::string message;

    bool Ok() const { return error == VideoError::kNone; }
    static VideoStatus Failure(VideoError error, std::string message) {
        return {error, std::move(message)};
    }
};

}  // namespace chronoreel
