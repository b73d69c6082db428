#include "ui/common/browse_dialogs.h"

#include <filesystem>
#include <utility>

#include "base/prompter.h"
#include "base/text.h"

namespace chronoreel::ui {

std::optional<std::string> BrowseStillDirectory(Prompter& prompter, const std::string& current) {
    try {
        FileDialogRequest request;
        request.style = FileDialogStyle::kFolder;
        request.title = "Still Image Directory Selection";
        request.filter = "|*.";
        request.fileName = "*.*";
        request.startFolder = current;
        const std::optional<std::string> folder = prompter.FileDialog(request);
        if (!folder || folder->empty() || TrimBlanks(*folder) == TrimBlanks(current)) {
            return std::nullopt;
        }
        return folder;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> BrowseFile(Prompter& prompter, std::string title, std::string filter,
                                      const std::string& current) {
    try {
        FileDialogRequest request;
        request.style = FileDialogStyle::kOpen;
        request.title = std::move(title);
        request.filter = std::move(filter);
        request.fileName = current;
        std::optional<std::string> chosen = prompter.FileDialog(request);
        if (!chosen || chosen->empty()) {
            return std::nullopt;
        }
        return chosen;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> BrowseOutputAviPath(Prompter& prompter, const std::string& current) {
    std::optional<std::string> chosen =
        BrowseFile(prompter, "Output AVI File Selection", "AVI (*.avi)|*.avi", current);
    if (chosen) {
        const std::filesystem::path path(*chosen);
        if (path.has_filename() && !path.has_extension()) {
            *chosen += ".avi";
        }
    }
    return chosen;
}

}  // namespace chronoreel::ui
