#pragma once

#include <filesystem>

#include "movie_setup/setup_session.h"

namespace chronoreel {

// The movie maker's orderly end. Outside an unattended run a setup with unsaved changes is
// offered for saving ("Save Changes?"): Yes saves (a save that does not happen still ends the
// program), No forgets the changes, Cancel keeps the program running. Then the location and,
// outside an unattended run, the recent files go to folder/Chronoreel.INI. false when the user
// cancelled: nothing was saved.
bool Shutdown(SetupSession& session, const std::filesystem::path& folder);

}  // namespace chronoreel
