#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"

namespace chronoreel {

// What the movie maker's command line asks for. Every member starts at the value it has when its
// switch is absent.
struct CommandLineValues {
    bool showWindows = true;                  // "/i" clears it
    std::int32_t instanceNumber = -1;         // "/n="
    DateTime startOverride = -1;              // "/s=", -1 for none
    DateTime stopOverride = -1;               // "/e=", -1 for none
    std::string setupFile;                    // "/f=": an existing file, or empty
    bool automation = false;                  // "/a"
    std::string inputPathOverride;            // "/ip="
    std::string fileFilterOverride;           // "/if="
    std::string outputPathOverride;           // "/op="
    std::string postGenerationShellOverride;  // "/pgs="

    bool help = false;     // "--help"
    bool version = false;  // "--version"
    bool dryRun = false;   // "--dry-run": print what a run would do and change nothing
    bool quiet = false;    // "--quiet": no progress line on a terminal
    // The last setup file named that does not exist (empty when none), so that the caller can
    // say why no setup was opened.
    std::string missingSetupFile;
};

// The values, or the reason the command line could not be read (the program then prints it and
// ends with exit code 64).
struct CommandLineResult {
    CommandLineValues values;
    std::string usageError;  // empty when the command line was read
    bool Ok() const { return usageError.empty(); }
};

// Reads the program's arguments (without the program's own path). Each argument is one token,
// as the shell split it. Reads no global state and never ends the program; the only outside
// thing it consults is whether a named setup file exists, relative paths taken from
// currentDirectory.
CommandLineResult ProcessCommandLine(const std::vector<std::string>& arguments,
                                     const std::filesystem::path& currentDirectory);

// The same for a command line given as one string: blanks separate the tokens and double quotes
// group blanks into one; a double quote without its closing partner is a usage error.
CommandLineResult ProcessCommandLineText(std::string_view commandLine,
                                         const std::filesystem::path& currentDirectory);

// The program's version, "1.0.14", and the line --version prints.
std::string_view ProgramVersion();
std::string VersionText();

// The text --help prints: every switch, its long name, and the exit codes.
std::string UsageText();

}  // namespace chronoreel
