#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace chronoreel {

// How far a run is, as its frame text "Frame: m of F" tells it.
struct FrameProgress {
    std::size_t done = 0;
    std::size_t total = 0;
};

// The numbers of a frame text "Frame: m of F"; nothing for any other text.
std::optional<FrameProgress> FrameProgressFromText(std::string_view frameText);

}  // namespace chronoreel
