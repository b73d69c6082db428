#pragma once

#include "video/video_settings.h"

namespace chronoreel {

class MovieGen;

// How the settings of gen encode a movie: the frame rate, the stored compression choice and
// the extra encoder options held in the parameter bytes.
VideoSettings VideoSettingsOf(const MovieGen& gen);

}  // namespace chronoreel
