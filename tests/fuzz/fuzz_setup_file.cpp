// A setup file as a user may have edited it by hand, loaded the way the movie maker opens it
// (writing its missing keys, or not, as in a dry run). A file that loads is saved and loaded
// twice more: from then on the settings stay as they are, whatever the first file held.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ini/ini.h"
#include "movie/movie_gen.h"
#include "movie/settings_listing.h"
#include "movie_setup/program_state.h"
#include "movie_setup/setup_file.h"
#include "movie_setup/setup_view.h"

using namespace chronoreel;

namespace {

// Every question is answered with Cancel; a setup file that is named never needs one.
class CancellingPrompter : public Prompter {
  public:
    MessageAnswer Message(std::string_view, std::string_view, MessageButtons,
                          MessageIcon) override {
        return MessageAnswer::kCancel;
    }
    std::optional<std::string> Input(std::string_view, std::string_view,
                                     std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> FileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
};

// The settings after loading the file at path, with the session's objects made afresh.
std::vector<std::string> Load(const std::string& path, LoadMode mode, bool save) {
    ProgramState state;
    state.automation = true;
    state.currentSetupFile = path;
    MovieGen movieGen(state.setupChanged);
    INI ini;
    CancellingPrompter prompter;
    SetupView view;
    SetupSession session{state, movieGen, ini, prompter, view};
    LoadFile(session, mode);
    if (save) {
        FUZZ_CHECK(SaveFile(session));
    }
    return SettingsListing(movieGen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool once = (fuzz::ReportErrorsByThrowing(), true);
    (void)once;
    fuzz::FuzzInput input(data, size);
    const LoadMode mode =
        input.Byte() % 2 == 0 ? LoadMode::kWriteMissingKeys : LoadMode::kWriteNothing;
    const std::string path = fuzz::WriteScratchFile("setup.tls", input.Rest());
    try {
        Load(path, mode, true);
    } catch (const fuzz::ReportedError&) {
        return 0;  // a value the settings cannot hold, reported as the program reports it
    }
    const std::vector<std::string> savedOnce = Load(path, LoadMode::kWriteNothing, true);
    const std::vector<std::string> savedTwice = Load(path, LoadMode::kWriteNothing, false);
    FUZZ_CHECK(savedOnce == savedTwice);
    return 0;
}
