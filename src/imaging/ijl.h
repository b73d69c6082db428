#pragma once

#include <cstdint>

namespace chronoreel {

// Bytes that pad one pixel row of width × channels bytes up to the next multiple of 4 (0 to 3).
// Surfaces, the decoder and the video writer all use rows padded this way. A product outside
// the 32-bit range is an unexpected error, reported under module "ijl".
std::int32_t IJL_DIB_PAD_BYTES(std::int32_t width, std::int32_t channels);

}  // namespace chronoreel
