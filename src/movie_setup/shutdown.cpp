#include "movie_setup/shutdown.h"

#include "base/error_report.h"
#include "movie_setup/mod_file.h"
#include "movie_setup/setup_file.h"

namespace chronoreel {

bool Shutdown(SetupSession& session, const std::filesystem::path& folder) {
    const bool goOn = Trap("modMain", "Shutdown", [&] {
        ProgramState& state = session.state;
        if (!state.setupChanged.IsSet() || state.automation) {
            return true;
        }
        switch (session.prompter.Message(kSaveChangesText, kSaveChangesTitle,
                                         MessageButtons::kYesNoCancel, MessageIcon::kNone)) {
            case MessageAnswer::kYes:
                SaveFile(session);
                return true;
            case MessageAnswer::kNo:
                state.setupChanged.Clear();
                return true;
            default:
                return false;
        }
    });
    if (goOn) {
        SaveSetup(session.state, session.ini, folder);
    }
    return goOn;
}

}  // namespace chronoreel
