#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chronoreel {

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageIcon { kNone, kInformation, kQuestion, kExclamation, kCritical };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

enum class FileDialogStyle {
    kOpen,    // an existing or a new file
    kSave,    // a file to write
    kFolder,  // an existing folder: the answer is the folder's path; the filter is not used
};

struct FileDialogRequest {
    FileDialogStyle style = FileDialogStyle::kOpen;
    std::string title;
    std::string filter;       // "Time-Lapse Setup Files (*.tls)|*.tls"
    std::string fileName;     // initial name, usually empty
    std::string startFolder;  // usually the current directory
};

// Every question the core asks a person goes through this interface: the windows implement it
// with real dialogs, tests with scripted answers.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual MessageAnswer Message(std::string_view text, std::string_view title,
                                  MessageButtons buttons, MessageIcon icon) = 0;
    // nullopt when the user cancelled.
    virtual std::optional<std::string> Input(std::string_view prompt, std::string_view title,
                                             std::string_view initialText) = 0;
    // nullopt when the user cancelled; an empty text when no file was chosen.
    virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;
};

}  // namespace chronoreel
