#include "movie/video_settings_of.h"

#include <algorithm>
#include <span>

#include "movie/movie_gen.h"

namespace chronoreel {

VideoSettings VideoSettingsOf(const MovieGen& gen) {
    VideoSettings settings;
    settings.framesPerSecond = gen.MovieFPS();
    settings.handler = gen.CompressHandler();
    settings.quality = gen.CompressQuality();
    settings.keyFrameEvery = gen.CompressKeyFrameEvery();
    settings.bytesPerSecond = gen.CompressBytesPerSecond();
    settings.flags = gen.CompressFlags();
    const auto& parms = gen.ParmsBuffer();
    const auto used =
        std::min<std::size_t>(parms.size(), static_cast<std::size_t>(std::max(0, gen.ParmsSize())));
    settings.extraOptions = ExtraOptionsFromParms(std::span(parms.data(), used));
    return settings;
}

}  // namespace chronoreel
