#pragma once

#include <string>
#include <string_view>

#include "movie_setup/recent_files.h"

namespace chronoreel {

// What the setup commands tell the main window. The window implements it; an unattended run
// uses this class itself, whose methods do nothing.
class SetupView {
  public:
    virtual ~SetupView() = default;
    // The recent files list changed: show entry i as recent item i, hide empty ones, and show
    // the separator when entry 0 is used.
    virtual void RecentFilesChanged(const RecentFiles&) {}
    // A setup was loaded: enable "&Save Setup" and "Save &As Setup".
    virtual void EnableSaveCommands() {}
    // Fill the controls from MovieGen.
    virtual void RefreshSetupControls() {}
    // The main window's title, "Chronoreel - " and the current setup file.
    virtual void ShowTitle(std::string_view) {}
};

// "Chronoreel - " followed by the setup file's path.
inline std::string MainWindowTitle(std::string_view setupFile) {
    return "Chronoreel - " + std::string(setupFile);
}

}  // namespace chronoreel
