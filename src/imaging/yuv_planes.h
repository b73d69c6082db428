#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace chronoreel {

// One picture as a YCbCr JPEG stores it: 8-bit Y, Cb and Cr planes in full range (0..255,
// BT.601), chroma at half the width and height (4:2:0), rows top first. Each plane may be wider
// and taller than the picture (the decoder fills whole sample blocks); only width x height luma
// samples and (width + 1) / 2 x (height + 1) / 2 chroma samples are the picture.
struct Yuv420Planes {
    int width = 0;
    int height = 0;
    std::array<std::vector<std::uint8_t>, 3> planes;  // Y, Cb, Cr
    std::array<int, 3> strides{};                     // bytes from one row to the next

    const std::uint8_t* Data(int plane) const { return planes[plane].data(); }
};

}  // namespace chronoreel
