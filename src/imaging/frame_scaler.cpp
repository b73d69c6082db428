#include "imaging/frame_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstring>

namespace chronoreel {
namespace {

// Full-resolution chroma on input and output: the scaler works in YUV inside, and without these
// flags it would halve the colour resolution of an RGB picture and shift solid colours.
constexpr int kChromaFlags = SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;

int SwsFlags(ScaleFilter filter) {
    return (filter == ScaleFilter::kAreaAverage ? SWS_AREA : SWS_BICUBIC) | kChromaFlags;
}

}  // namespace

ScaleFilter ChooseScaleFilter(std::int32_t sourceWidth, std::int32_t sourceHeight,
                              std::int32_t targetWidth, std::int32_t targetHeight) {
    const bool shrinks = targetWidth < sourceWidth || targetHeight < sourceHeight;
    return shrinks ? ScaleFilter::kAreaAverage : ScaleFilter::kBicubic;
}

FrameScaler::FrameScaler() = default;
FrameScaler::~FrameScaler() = default;
FrameScaler::FrameScaler(FrameScaler&&) noexcept = default;
FrameScaler& FrameScaler::operator=(FrameScaler&&) noexcept = default;

bool FrameScaler::Stretch(const DIB& source, DIB& target) {
    if (!source.HasSurface() || !target.HasSurface()) {
        return false;
    }
    if (source.Width() == target.Width() && source.Height() == target.Height()) {
        std::memcpy(target.DIBPtr(), source.DIBPtr(), source.SizeBytes());
        return true;
    }
    const std::array<std::int32_t, 4> sizes{source.Width(), source.Height(), target.Width(),
                                            target.Height()};
    if (!context_ || sizes != contextSizes_) {
        context_.reset();
        const ScaleFilter filter = ChooseScaleFilter(sizes[0], sizes[1], sizes[2], sizes[3]);
        context_.reset(sws_getContext(sizes[0], sizes[1], AV_PIX_FMT_BGR24, sizes[2], sizes[3],
                                      AV_PIX_FMT_BGR24, SwsFlags(filter), nullptr, nullptr,
                                      nullptr));
        if (!context_) {
            return false;
        }
        contextSizes_ = sizes;
    }
    // Both surfaces hold the bottom row first; scaling them as if they were top-down gives the
    // same picture, upside down in both, so no flip is needed.
    const std::uint8_t* const sourcePlanes[4] = {source.DIBPtr(), nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {source.StrideBytes(), 0, 0, 0};
    std::uint8_t* const targetPlanes[4] = {target.DIBPtr(), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {target.StrideBytes(), 0, 0, 0};
    return sws_scale(context_.get(), sourcePlanes, sourceStrides, 0, source.Height(), targetPlanes,
                     targetStrides) == target.Height();
}

}  // namespace chronoreel
