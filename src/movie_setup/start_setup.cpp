#include "movie_setup/start_setup.h"

#include "base/error_report.h"
#include "movie_setup/mod_file.h"
#include "movie_setup/setup_file.h"

namespace chronoreel {

void OpenStartSetup(SetupSession& session, const std::string& commandLineSetupFile) {
    Trap("modMain", "Main", [&] {
        ProgramState& state = session.state;
        const std::string& file =
            commandLineSetupFile.empty() ? state.recentFiles[0] : commandLineSetupFile;
        if (file.empty()) {
            session.view.RefreshSetupControls();
        } else {
            state.currentSetupFile = file;
            LoadFile(session);
        }
        UpdateLastFilesMenu(session);
    });
}

}  // namespace chronoreel
