#pragma once

#include "movie_setup/setup_session.h"

namespace chronoreel {

enum class LoadMode {
    kWriteMissingKeys,  // missing or empty keys are written into the file with their defaults
    kWriteNothing,      // the dry run: missing keys take their defaults, the file is not touched
};

// Loads the current setup file into MovieGen: every key of "General" and "Compress" with its
// default when missing, then the format and parameter blocks from their hex lines. Present
// values are never rewritten and unknown keys stay where they are. Afterwards the setup counts
// as unchanged and the file is at the front of the recent files list; outside an unattended run
// the view is refreshed. A hex line that cannot hold its bytes, or a DuplicateCount, MovieFPS
// or MovieSizeHeight outside the 32-bit range, goes to the error report ("modFile",
// "LoadFile").
void LoadFile(SetupSession& session, LoadMode mode = LoadMode::kWriteMissingKeys);

// Writes MovieGen into the current setup file, asking for a path first when there is none.
// Keys already in the file keep their place, new keys go to the end of their section, unknown
// keys stay. false when the user cancelled the question or chose no file.
bool SaveFile(SetupSession& session);

}  // namespace chronoreel
