#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "imaging/dib.h"
#include "imaging/frame_scaler.h"
#include "imaging/frame_surfaces.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/movie_size.h"

namespace chronoreel {

// Why a still was skipped.
enum class FrameSkip {
    kNone,
    kCannotOpen,
    kNotRegularFile,
    kEmpty,
    kTooLarge,
    kNoMemory,
    kReadError,
    kNotAJpeg,  // another format, a damaged header, or a size above the side limit
    kBroken,    // damaged, or still being written
    kCannotScale,
};

// The reason as a user reads it after the still's path: "is damaged or half-written".
std::string_view FrameSkipText(FrameSkip reason);

// How FrameRenderer::RenderYuv420 ended.
enum class PlanesResult {
    kDecoded,      // the planes hold the frame
    kSkipped,      // the still must be skipped; LastSkip says why
    kNeedsPixels,  // another size or kind of JPEG: RenderJpeg makes its frame
};

// Turns one still into a frame of the movie size in the movie surface: reads the file whole,
// fixes the movie size on the first readable image (from the header's size, whatever the decode
// scale), decodes at the smallest scale that still covers the movie (ChooseDecodeScale), straight
// into the movie surface when the decoded image has the movie size and otherwise into the image
// surface, which is then stretched to fill the frame. One renderer serves a whole run and reuses
// its surfaces, decoder and scaler, so frames of repeating sizes allocate nothing.
class FrameRenderer {
  public:
    explicit FrameRenderer(MovieSize size);

    // False when the frame must be skipped (unreadable, not a JPEG, hostile or broken);
    // LastSkip then says why.
    bool Render(const std::string& path);
    // The same for a still already read into memory.
    bool RenderJpeg(std::span<const std::uint8_t> jpeg);
    // The frame of a still already read, as Y, Cb and Cr planes without turning them into
    // pixels, when the still needs no scaling (exactly the movie size) and is a 4:2:0 YCbCr
    // JPEG; the first readable header fixes the movie size as in RenderJpeg.
    PlanesResult RenderYuv420(std::span<const std::uint8_t> jpeg, Yuv420Planes& planes);
    FrameSkip LastSkip() const { return lastSkip_; }
    // The scale the last image whose header was read was decoded at (or tried to be).
    JpegScale LastDecodeScale() const { return lastDecodeScale_; }

    const DIB& MovieSurface() const { return surfaces_.movie; }
    // Trades the movie surface for another, so a finished frame can be handed on without a copy;
    // a surface of the movie size given back is reused by the next frame.
    void ExchangeMovieSurface(DIB& other) { std::swap(surfaces_.movie, other); }
    const MovieSize& Size() const { return size_; }

  private:
    JpegDecoder decoder_;
    FrameSurfaces surfaces_;
    FrameScaler scaler_;
    MovieSize size_;
    FrameSkip lastSkip_ = FrameSkip::kNone;
    JpegScale lastDecodeScale_ = kJpegFullScale;
};

}  // namespace chronoreel
