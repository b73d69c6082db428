#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace chronoreel {

// The frame rates the main window offers, in the order of its list.
inline constexpr std::array<std::int32_t, 13> kFpsChoices = {60, 30, 25, 24, 20, 15, 12,
                                                             10, 6,  5,  3,  2,  1};

// The list position that shows a stored frame rate. A rate that is not in the list shows 24
// (position 3); the stored rate stays as it is until the user picks an entry.
std::size_t FpsChoiceIndex(std::int32_t framesPerSecond);

}  // namespace chronoreel
