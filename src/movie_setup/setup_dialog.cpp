#include "movie_setup/setup_dialog.h"

#include <filesystem>
#include <system_error>

namespace chronoreel {
namespace {

// Puts the process back into the folder it was in when the object was made.
class CurrentDirectoryKeeper {
  public:
    CurrentDirectoryKeeper() : folder_(std::filesystem::current_path()) {}
    ~CurrentDirectoryKeeper() {
        std::error_code ignored;
        if (std::filesystem::current_path(ignored) != folder_) {
            std::filesystem::current_path(folder_, ignored);
        }
    }
    CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
    CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;
    const std::filesystem::path& Folder() const { return folder_; }

  private:
    std::filesystem::path folder_;
};

}  // namespace

std::optional<std::string> AskSetupFilePath(Prompter& prompter, FileDialogStyle style,
                                            std::string_view title) {
    std::optional<std::string> chosen;
    {
        const CurrentDirectoryKeeper keeper;
        FileDialogRequest request;
        request.style = style;
        request.title = title;
        request.filter = kSetupFileFilter;
        request.startFolder = keeper.Folder().string();
        chosen = prompter.FileDialog(request);
    }
    if (chosen && !chosen->empty()) {
        const std::filesystem::path path(*chosen);
        if (path.has_filename() && !path.has_extension()) {
            *chosen += kSetupFileExtension;
        }
    }
    return chosen;
}

void ShowNoFileSelected(Prompter& prompter) {
    prompter.Message("No file was selected.  Aborting process.", "No file selected",
                     MessageButtons::kOk, MessageIcon::kNone);
}

}  // namespace chronoreel
