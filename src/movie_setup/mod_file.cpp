#include "movie_setup/mod_file.h"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/error_report.h"
#include "base/numbers.h"
#include "movie_setup/setup_dialog.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "modFile";
constexpr std::string_view kGeneral = "General";
constexpr std::string_view kLastFiles = "Last Files";

std::string SettingsFile(const std::filesystem::path& folder) {
    return (folder / kSettingsFileName).string();
}

std::string RecentFileKey(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

// Longitude and latitude, "0" when missing; written into the file (in one replacement) when
// mode says so.
std::vector<std::string> ReadLocationKeys(INI& ini, LoadMode mode) {
    std::vector<std::string> values = ini.GetKeys(
        {{std::string(kGeneral), "Longitude", "0"}, {std::string(kGeneral), "Latitude", "0"}},
        mode == LoadMode::kWriteMissingKeys ? SetDefault::kYes : SetDefault::kNo);
    for (std::string& value : values) {
        if (value.empty()) {
            value.push_back('0');  // appended: g++ 12 at -O3 warns falsely about an assignment
        }
    }
    return values;
}

bool IsExistingFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

// The file dialog of a command; empty optional when the command ends here.
std::optional<std::string> ChooseSetupFile(Prompter& prompter, FileDialogStyle style,
                                           std::string_view title) {
    std::optional<std::string> chosen = AskSetupFilePath(prompter, style, title);
    if (chosen && chosen->empty()) {
        ShowNoFileSelected(prompter);
        chosen.reset();
    }
    return chosen;
}

}  // namespace

void FileInit(ProgramState& state) {
    Trap(kModule, "FileInit", [&] { state.setupChanged.Clear(); });
}

void LoadSetup(ProgramState& state, INI& ini, const std::filesystem::path& folder, LoadMode mode) {
    Trap(kModule, "LoadSetup", [&] {
        ini.SetFile(SettingsFile(folder));
        const std::vector<std::string> location = ReadLocationKeys(ini, mode);
        state.longitude = Str2DblNI(location[0]);
        state.latitude = Str2DblNI(location[1]);
        RecentFiles files;
        std::size_t used = 0;
        for (std::size_t i = 0; i < kRecentFileCount; ++i) {
            std::string path = ini.GetKey(kLastFiles, RecentFileKey(i), SetDefault::kNo, "");
            if (!path.empty() && IsExistingFile(path)) {
                files[used++] = std::move(path);
            }
        }
        state.recentFiles = std::move(files);
    });
}

void SaveSetup(const ProgramState& state, INI& ini, const std::filesystem::path& folder) {
    Trap(kModule, "SaveSetup", [&] {
        ini.SetFile(SettingsFile(folder));
        std::vector<IniEntry> entries = {
            {std::string(kGeneral), "Longitude", CStrNI(state.longitude)},
            {std::string(kGeneral), "Latitude", CStrNI(state.latitude)},
        };
        // An unattended run leaves the user's recent files as they were.
        if (!state.automation) {
            for (std::size_t i = 0; i < kRecentFileCount; ++i) {
                entries.push_back(
                    {std::string(kLastFiles), RecentFileKey(i), state.recentFiles[i]});
            }
        }
        ini.SetKeys(entries);
    });
}

void UpdateLastFilesMenu(SetupSession& session) {
    Trap(kModule, "UpdateLastFilesMenu",
         [&] { session.view.RecentFilesChanged(session.state.recentFiles); });
}

bool AskSaveChanges(SetupSession& session) {
    if (!session.state.setupChanged.IsSet()) {
        return true;
    }
    switch (session.prompter.Message(kSaveChangesText, kSaveChangesTitle,
                                     MessageButtons::kYesNoCancel, MessageIcon::kNone)) {
        case MessageAnswer::kYes:
            return SaveFile(session);
        case MessageAnswer::kNo:
            session.state.setupChanged.Clear();
            return true;
        default:
            return false;
    }
}

void OpenFile(SetupSession& session) {
    Trap(kModule, "OpenFile", [&] {
        if (!AskSaveChanges(session)) {
            return;
        }
        const std::optional<std::string> chosen =
            ChooseSetupFile(session.prompter, FileDialogStyle::kOpen, "Open/Create Setup File");
        if (!chosen) {
            return;
        }
        session.state.currentSetupFile = *chosen;
        LoadFile(session);
    });
}

void NewFile(SetupSession& session) {
    Trap(kModule, "NewFile", [&] {
        if (!AskSaveChanges(session)) {
            return;
        }
        const std::optional<std::string> chosen =
            ChooseSetupFile(session.prompter, FileDialogStyle::kOpen, "New File");
        if (!chosen) {
            return;
        }
        if (Exists(*chosen)) {
            session.prompter.Message(
                "File already exists.  Select 'Open Setup' to open an existing file.",
                "File Exists", MessageButtons::kOk, MessageIcon::kNone);
            return;
        }
        session.state.currentSetupFile = *chosen;
        LoadFile(session);
    });
}

void SaveAsFile(SetupSession& session) {
    Trap(kModule, "SaveAsFile", [&] {
        const std::optional<std::string> chosen =
            ChooseSetupFile(session.prompter, FileDialogStyle::kSave, "Save File");
        if (!chosen) {
            return;
        }
        if (Exists(*chosen) &&
            session.prompter.Message(
                "File already exists.  Would you like to overwrite the existing file?",
                "File Exists", MessageButtons::kYesNoCancel,
                MessageIcon::kNone) != MessageAnswer::kYes) {
            return;
        }
        session.state.currentSetupFile = *chosen;
        SaveFile(session);
    });
}

}  // namespace chronoreel
