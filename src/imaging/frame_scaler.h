#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/dib.h"

struct SwsContext;

namespace chronoreel {

enum class ScaleFilter {
    kAreaAverage,  // every source pixel counts by the area it covers: shrinking without aliasing
    kBicubic,      // smooth enlarging
};

// Area averaging when no side grows; bicubic as soon as one side grows. On a side that shrinks
// while the other grows, the scaler widens the bicubic kernel by the shrink factor, so that side
// is still averaged rather than sampled.
ScaleFilter ChooseScaleFilter(std::int32_t sourceWidth, std::int32_t sourceHeight,
                              std::int32_t targetWidth, std::int32_t targetHeight);

// Stretches a whole surface onto a whole surface of another size, to fill it: the aspect ratio is
// not kept, nothing is cropped or letter-boxed. The scaler for one pair of sizes is made once and
// kept while the sizes stay the same, as they do for most frames of a run.
class FrameScaler {
  public:
    FrameScaler();
    ~FrameScaler();
    FrameScaler(FrameScaler&&) noexcept;
    FrameScaler& operator=(FrameScaler&&) noexcept;

    // false (and target untouched) when either surface has no pixels or no scaler can be made
    // for the two sizes; the caller then skips the frame.
    bool Stretch(const DIB& source, DIB& target);

  private:
    struct ContextDeleter {
        void operator()(SwsContext* context) const noexcept;
    };

    std::unique_ptr<SwsContext, ContextDeleter> context_;
    // Source width, source height, target width, target height the context was made for.
    std::array<std::int32_t, 4> contextSizes_{};
};

}  // namespace chronoreel
