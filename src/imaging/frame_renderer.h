#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/dib.h"
#include "imaging/frame_scaler.h"
#include "imaging/frame_surfaces.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/movie_size.h"

namespace chronoreel {

// Turns one still into a frame of the movie size in the movie surface: reads the file whole,
// fixes the movie size on the first readable image, decodes straight into the movie surface when
// the image has the movie size and otherwise into the image surface, which is then stretched to
// fill the frame. One renderer serves a whole run and reuses its surfaces and scaler.
class FrameRenderer {
  public:
    explicit FrameRenderer(MovieSize size);

    // False when the frame must be skipped (unreadable, not a JPEG, hostile or broken).
    bool Render(const std::string& path);
    // The same for a still already read into memory.
    bool RenderJpeg(std::span<const std::uint8_t> jpeg);

    const DIB& MovieSurface() const { return surfaces_.movie; }
    const MovieSize& Size() const { return size_; }

  private:
    JpegDecoder decoder_;
    FrameSurfaces surfaces_;
    FrameScaler scaler_;
    MovieSize size_;
};

}  // namespace chronoreel
