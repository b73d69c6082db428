#pragma once

#include <filesystem>
#include <string_view>

#include "ini/ini.h"
#include "movie_setup/program_state.h"
#include "movie_setup/setup_file.h"
#include "movie_setup/setup_session.h"

namespace chronoreel {

// The application settings file, in the process's current directory: the location and the
// recent files list.
inline constexpr std::string_view kSettingsFileName = "Chronoreel.INI";

inline constexpr std::string_view kSaveChangesText = "Would you like to save the current file?";
inline constexpr std::string_view kSaveChangesTitle = "Save Changes?";

// Start of the program: the setup counts as unchanged.
void FileInit(ProgramState& state);

// Reads the location ("General" / Longitude, Latitude; written with "0" when missing unless
// mode is kWriteNothing) and the recent files ("Last Files" / File1..File4; entries whose files
// no longer exist are dropped and the rest move up) from folder/Chronoreel.INI.
void LoadSetup(ProgramState& state, INI& ini, const std::filesystem::path& folder,
               LoadMode mode = LoadMode::kWriteMissingKeys);

// Writes the location and, unless this is an unattended run, the recent files list into
// folder/Chronoreel.INI.
void SaveSetup(const ProgramState& state, INI& ini, const std::filesystem::path& folder);

// Shows the recent files list in the File menu.
void UpdateLastFilesMenu(SetupSession& session);

// The "Save Changes?" question of the Open and New commands, asked only while the setup has
// unsaved changes. Yes saves, No forgets the changes. false when the command must end: the user
// answered Cancel, or the save did not happen.
bool AskSaveChanges(SetupSession& session);

// The File menu's "&Open Setup", "&New Setup" and "Save &As Setup" commands.
void OpenFile(SetupSession& session);
void NewFile(SetupSession& session);
void SaveAsFile(SetupSession& session);

}  // namespace chronoreel
