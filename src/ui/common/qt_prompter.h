#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "base/prompter.h"

namespace chronoreel::ui {

// A dialog filter in the stored form "Description|pattern|Description|pattern" as Qt's name
// filters: "Time-Lapse Setup Files (*.tls)|*.tls" gives "Time-Lapse Setup Files (*.tls)"; a
// description without its pattern in brackets gets it appended.
QString QtNameFilters(std::string_view filter);

// The extension a name typed without one receives: that of the first pattern when it is a
// plain "*.ext", else none ("" for "*.*" or "*").
QString DefaultSuffix(std::string_view filter);

// Asks with Qt's own dialogs: message boxes, input boxes and file dialogs. Questions asked from
// another thread are asked in the GUI thread while the asking thread waits. Without a
// QApplication nobody can be asked: messages answer as if cancelled, dialogs are cancelled.
class QtPrompter final : public Prompter {
  public:
    MessageAnswer Message(std::string_view text, std::string_view title, MessageButtons buttons,
                          MessageIcon icon) override;
    std::optional<std::string> Input(std::string_view prompt, std::string_view title,
                                     std::string_view initialText) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
};

}  // namespace chronoreel::ui
