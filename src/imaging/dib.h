#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace chronoreel {

// One pixel as the surface stores it.
struct Bgr {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

// Bytes from one row of a surface to the next: width × 3 rounded up to a multiple of 4.
std::int32_t DibStrideBytes(std::int32_t width);

// A 24-bit drawing surface: blue, green, red bytes per pixel, the bottom row of the picture
// first in memory, every row padded to a multiple of 4 bytes. The JPEG decoder writes into its
// memory directly, the scaler reads and writes it, the preview paints it and the video writer
// hands it to the encoder, so no copy is needed between them.
//
// Either the surface holds pixels for Width × Height (both above 0) or it has none (DIBPtr is
// null) and only remembers the size. Every user treats a null DIBPtr as "no surface" and writes
// nothing through it. The memory stays valid until the next size change.
class DIB {
  public:
    DIB() = default;
    DIB(const DIB&) = delete;
    DIB& operator=(const DIB&) = delete;
    DIB(DIB&&) noexcept = default;
    DIB& operator=(DIB&&) noexcept = default;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Changing one side rebuilds the surface when the other side is non-zero; otherwise only the
    // value is stored.
    void SetWidth(std::int32_t width);
    void SetHeight(std::int32_t height);
    // Resizes in one step. The same size keeps the surface and its pixels, so a surface is
    // reused from frame to frame; a new size gives a fresh surface (pixels zero) or, with a
    // side of 0 or less, none. A surface whose memory cannot be had is left without pixels.
    void SetWidthHeight(std::int32_t width, std::int32_t height);

    bool HasSurface() const { return !pixels_.empty(); }
    // First byte of the pixel memory (the bottom row); null when there is no surface.
    std::uint8_t* DIBPtr() { return HasSurface() ? pixels_.data() : nullptr; }
    const std::uint8_t* DIBPtr() const { return HasSurface() ? pixels_.data() : nullptr; }
    // Bytes from one row to the next in memory: Width × 3 rounded up to a multiple of 4.
    std::int32_t StrideBytes() const { return strideBytes_; }
    std::size_t SizeBytes() const { return pixels_.size(); }

    // Row y of the picture counted from the top (so memory row Height - 1 - y).
    std::uint8_t* PictureRow(std::int32_t y);
    const std::uint8_t* PictureRow(std::int32_t y) const;
    // Pixel at column x of picture row y (from the top); out-of-range positions are an error.
    Bgr Pixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, Bgr color);
    void Fill(Bgr color);

  private:
    void CreateDIB();
    void DestroyDIB();
    void CheckPosition(std::int32_t x, std::int32_t y) const;

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t strideBytes_ = 0;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace chronoreel
