#pragma once

#include "app/prompter.h"
#include "engine/movie_gen.h"
#include "setup/ini.h"
#include "setup/program_state.h"
#include "setup/setup_view.h"

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
