#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/dib.h"
#include "imaging/scaler_context.h"

namespace chronoreel {

enum class ScaleFilter {
    kAreaAverage,  // each frame pixel is the mean of the image area it covers; a side that grows
                   // meanwhile is interpolated linearly
    kBicubic,      // smooth enlarging
};

// Area averaging as soon as one side shrinks, so that no image pixel is merely skipped (the
// scaler's bicubic kernel, widened for shrinking, still lets fine stripes through at a quarter of
// their contrast); bicubic when every side grows or keeps its size.
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
    SwsContextPtr context_;
    // Source width, source height, target width, target height the context was made for.
    std::array<std::int32_t, 4> contextSizes_{};
};

}  // namespace chronoreel
