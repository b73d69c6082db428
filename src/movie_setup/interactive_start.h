#pragma once

#include <filesystem>
#include <string>

#include "movie_setup/movie_maker_objects.h"

namespace chronoreel {

class Clock;

// What the windows get to run an interactive session of the movie maker: fresh program
// objects (nothing loaded yet) and what the command line said.
struct InteractiveStart {
    MovieMakerObjects& objects;
    std::string setupFile;         // an existing setup file named on the command line, or empty
    std::string missingSetupFile;  // a setup file named on the command line that was not found
    std::filesystem::path currentDirectory;  // relative setup files and Chronoreel.INI
    const Clock& clock;
};

}  // namespace chronoreel
