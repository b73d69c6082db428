#pragma once

#include <string>

#include "movie_setup/setup_session.h"

namespace chronoreel {

// Opens the setup that an interactive start shows: the setup file named on the command line,
// else the newest recent file, else MovieGen's defaults (the window is filled from them). Then
// the recent files menu is rebuilt.
void OpenStartSetup(SetupSession& session, const std::string& commandLineSetupFile);

}  // namespace chronoreel
