#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/prompter.h"

namespace chronoreel {

inline constexpr std::string_view kSetupFileFilter = "Time-Lapse Setup Files (*.tls)|*.tls";
inline constexpr std::string_view kSetupFileExtension = ".tls";

// Asks for a setup file with the file dialog (the filter above, an empty name, the current
// directory as starting folder). The process's current directory is the same afterwards, so
// the settings file is still found. nullopt when the user cancelled; an empty text when no file
// was chosen; a name chosen without extension receives ".tls".
std::optional<std::string> AskSetupFilePath(Prompter& prompter, FileDialogStyle style,
                                            std::string_view title);

// "No file was selected.  Aborting process." under "No file selected", with an OK button.
void ShowNoFileSelected(Prompter& prompter);

}  // namespace chronoreel
