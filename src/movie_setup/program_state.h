#pragma once

#include <string>

#include "movie/setup_changed_flag.h"
#include "movie_setup/recent_files.h"

namespace chronoreel {

// The movie maker's program-wide setup state: which setup file is open, whether it has unsaved
// changes, whether this is an unattended run, the recent files and the user's location.
struct ProgramState {
    std::string currentSetupFile;  // empty when no setup file is open
    SetupChangedFlag setupChanged;
    bool automation = false;  // an unattended command-line run: no windows, no questions
    RecentFiles recentFiles;
    double latitude = 0;   // decimal degrees, north positive
    double longitude = 0;  // decimal degrees, east positive
};

}  // namespace chronoreel
