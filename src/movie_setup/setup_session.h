#pragma once

#include "base/prompter.h"
#include "ini/ini.h"
#include "movie/movie_gen.h"
#include "movie_setup/program_state.h"
#include "movie_setup/setup_view.h"

namespace chronoreel {

// Everything the setup commands work on: the program state, the one MovieGen object, the
// application's INI object (bound in turn to setup files and the settings file), the prompter
// that asks the user, and the main window's view (a plain SetupView when there is none).
struct SetupSession {
    ProgramState& state;
    MovieGen& movieGen;
    INI& ini;
    Prompter& prompter;
    SetupView& view;
};

}  // namespace chronoreel
