#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace chronoreel {

class Clock;
class MovieGen;
class Prompter;
class RunView;
struct InteractiveStart;

// What the windows lend the movie maker. A build or a run without windows leaves every member
// empty.
struct MovieMakerWindows {
    bool hasDisplay = false;  // a display the windows can open on
    // The preview window of a visible unattended run; its Cancel asks the given MovieGen to
    // stop. Empty: none.
    std::function<std::unique_ptr<RunView>(MovieGen&)> makeRunView;
    Prompter* prompter = nullptr;  // nullptr: nobody is asked anything
    // Lets pending window events run; installed as the program's one event pump.
    std::function<void()> pumpEvents;
    // The interactive session: the splash, the main window over the given objects and its
    // events until the program ends; gives the exit code. Empty: this build has no windows.
    std::function<int(const InteractiveStart&)> runInteractive;
};

// Everything the movie maker takes from its surroundings.
struct MovieMakerEnvironment {
    std::vector<std::string> arguments;      // the command line without the program's own path
    std::filesystem::path currentDirectory;  // relative setup files and Chronoreel.INI
    const Clock& clock;
    std::ostream& out;  // --help, --version and the dry run's lines
    std::ostream& err;  // usage errors and notes
    MovieMakerWindows windows;
    bool errIsTerminal = false;  // err is a terminal: an unattended run shows its progress there
};

// The movie maker's entry point: reads the command line, then prints the usage or the version,
// makes a dry run, makes one movie unattended, or starts the interactive session. Returns the
// exit code; an unexpected error ends the process through the error report (70).
int MovieMakerMain(const MovieMakerEnvironment& environment);

// Takes the user's locale for everything but numbers, and remembers whether it writes numbers
// with a decimal comma. Number text in C library calls stays neutral ("." everywhere).
void SetUpLocale();

}  // namespace chronoreel
