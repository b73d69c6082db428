#include "imaging/frame_renderer.h"

#include "os/read_file.h"

namespace chronoreel {

FrameRenderer::FrameRenderer(MovieSize size) : size_(size) {}

bool FrameRenderer::Render(const std::string& path) {
    const auto bytes = ReadWholeFile(path, kMaxJpegFileBytes);
    return bytes && RenderJpeg(*bytes);
}

bool FrameRenderer::RenderJpeg(std::span<const std::uint8_t> jpeg) {
    const auto header = decoder_.ReadHeader(jpeg);
    if (!header) {
        return false;
    }
    // The first image whose size could be read fixes the movie size, even if it then fails to
    // decode.
    FixMovieSize(size_, header->width, header->height);
    DIB& target = surfaces_.DecodeTarget(size_, header->width, header->height);
    if (!decoder_.Decode(jpeg, *header, target)) {
        return false;
    }
    if (surfaces_.NeedsStretch(target)) {
        return scaler_.Stretch(surfaces_.image, surfaces_.movie);
    }
    return true;
}

}  // namespace chronoreel
