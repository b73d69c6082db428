#include "imaging/frame_renderer.h"

#include "imaging/decode_scale.h"
#include "os/read_file.h"

namespace chronoreel {

namespace {

FrameSkip SkipFor(ReadFailure failure) {
    switch (failure) {
        case ReadFailure::kCannotOpen:
            return FrameSkip::kCannotOpen;
        case ReadFailure::kNotRegularFile:
            return FrameSkip::kNotRegularFile;
        case ReadFailure::kEmpty:
            return FrameSkip::kEmpty;
        case ReadFailure::kTooLarge:
            return FrameSkip::kTooLarge;
        case ReadFailure::kNoMemory:
            return FrameSkip::kNoMemory;
        case ReadFailure::kNone:
        case ReadFailure::kReadError:
            break;
    }
    return FrameSkip::kReadError;
}

}  // namespace

std::string_view FrameSkipText(FrameSkip reason) {
    switch (reason) {
        case FrameSkip::kNone:
            return "was used";
        case FrameSkip::kCannotOpen:
            return "cannot be opened (it is gone, or not readable)";
        case FrameSkip::kNotRegularFile:
            return "is not a regular file";
        case FrameSkip::kEmpty:
            return "is empty (still being written?)";
        case FrameSkip::kTooLarge:
            return "is too large for a still image";
        case FrameSkip::kNoMemory:
            return "is too large for the memory left";
        case FrameSkip::kReadError:
            return "cannot be read";
        case FrameSkip::kNotAJpeg:
            return "is not a JPEG this program reads (another format, a damaged header, or more "
                   "than 16384 pixels on a side)";
        case FrameSkip::kBroken:
            return "is damaged or half-written";
        case FrameSkip::kCannotScale:
            return "cannot be scaled to the movie size";
    }
    return "cannot be used";
}

FrameRenderer::FrameRenderer(MovieSize size) : size_(size) {}

bool FrameRenderer::Render(const std::string& path) {
    ReadFailure failure = ReadFailure::kNone;
    const auto bytes = ReadWholeFile(path, kMaxJpegFileBytes, &failure);
    if (!bytes) {
        lastSkip_ = SkipFor(failure);
        return false;
    }
    return RenderJpeg(*bytes);
}

bool FrameRenderer::RenderJpeg(std::span<const std::uint8_t> jpeg) {
    const auto header = decoder_.ReadHeader(jpeg);
    if (!header) {
        lastSkip_ = FrameSkip::kNotAJpeg;
        return false;
    }
    // The first image whose size could be read fixes the movie size, even if it then fails to
    // decode.
    FixMovieSize(size_, header->width, header->height);
    const JpegScale scale = ChooseDecodeScale(header->width, header->height, size_);
    lastDecodeScale_ = scale;
    DIB& target = surfaces_.DecodeTarget(size_, ScaledSide(header->width, scale),
                                         ScaledSide(header->height, scale));
    if (!decoder_.Decode(jpeg, *header, target, scale)) {
        lastSkip_ = FrameSkip::kBroken;
        return false;
    }
    if (surfaces_.NeedsStretch(target) && !scaler_.Stretch(surfaces_.image, surfaces_.movie)) {
        lastSkip_ = FrameSkip::kCannotScale;
        return false;
    }
    lastSkip_ = FrameSkip::kNone;
    return true;
}

PlanesResult FrameRenderer::RenderYuv420(std::span<const std::uint8_t> jpeg, Yuv420Planes& planes) {
    const auto header = decoder_.ReadHeader(jpeg);
    if (!header) {
        lastSkip_ = FrameSkip::kNotAJpeg;
        return PlanesResult::kSkipped;
    }
    FixMovieSize(size_, header->width, header->height);
    if (!size_.Matches(header->width, header->height) || !JpegDecoder::IsYuv420(*header)) {
        return PlanesResult::kNeedsPixels;
    }
    lastDecodeScale_ = kJpegFullScale;
    if (!decoder_.DecodeYuv420(jpeg, *header, planes)) {
        lastSkip_ = FrameSkip::kBroken;
        return PlanesResult::kSkipped;
    }
    lastSkip_ = FrameSkip::kNone;
    return PlanesResult::kDecoded;
}

}  // namespace chronoreel
