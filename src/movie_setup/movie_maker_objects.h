#pragma once

#include "ini/ini.h"
#include "movie/movie_gen.h"
#include "movie_setup/program_state.h"

namespace chronoreel {

// The movie maker's program-wide objects of one start: its state, the one MovieGen and the
// application's INI object. Released in reverse order at the end.
struct MovieMakerObjects {
    ProgramState state;
    MovieGen movieGen{state.setupChanged};
    INI ini;
};

}  // namespace chronoreel
