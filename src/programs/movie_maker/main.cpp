// The movie maker's entry point: the real clock, the process's current directory and the
// standard streams.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/error_report.h"
#include "os/display.h"
#include "programs/movie_maker/movie_maker_main.h"

int main(int argc, char** argv) {
    // A current directory that was deleted under us is an unexpected error like any other.
    std::filesystem::path currentDirectory =
        chronoreel::Trap("modMain", "Main", [] { return std::filesystem::current_path(); });
    const chronoreel::SystemClock clock;
    chronoreel::MovieMakerEnvironment environment{
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
        std::move(currentDirectory),
        clock,
        std::cout,
        std::cerr,
        {},
    };
    environment.windows.hasDisplay = chronoreel::EnvironmentHasDisplay();
    return chronoreel::MovieMakerMain(environment);
}
