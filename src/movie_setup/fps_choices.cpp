#include "movie_setup/fps_choices.h"

#include <algorithm>

namespace chronoreel {

std::size_t FpsChoiceIndex(std::int32_t framesPerSecond) {
    constexpr std::size_t kShownWhenNotListed = 3;
    const auto* found = std::find(kFpsChoices.begin(), kFpsChoices.end(), framesPerSecond);
    return found == kFpsChoices.end() ? kShownWhenNotListed
                                      : static_cast<std::size_t>(found - kFpsChoices.begin());
}

}  // namespace chronoreel
