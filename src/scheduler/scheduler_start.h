#pragma once

#include <string>

namespace chronoreel {

// What a scheduler session, windowed or headless, starts from.
struct SchedulerStart {
    std::string taskFilePath;           // the task file, made absolute
    std::string defaultChronoreelPath;  // the movie maker when the task file names none
};

}  // namespace chronoreel
