#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "movie_setup/setup_view.h"

namespace chronoreel::testing {

// Answers questions from a script and records what was asked. Running out of answers fails
// the test through the recorded questions (a message then answers Cancel, a dialog cancels).
class ScriptedPrompter : public Prompter {
  public:
    struct Asked {
        std::string text;  // message text, or the dialog's title
        std::string title;
        MessageButtons buttons = MessageButtons::kOk;
        MessageIcon icon = MessageIcon::kNone;
    };

    std::deque<MessageAnswer> messageAnswers;
    std::deque<std::optional<std::string>> dialogAnswers;
    std::vector<Asked> messages;
    std::vector<FileDialogRequest> dialogs;

    MessageAnswer Message(std::string_view text, std::string_view title, MessageButtons buttons,
                          MessageIcon icon) override {
        messages.push_back({std::string(text), std::string(title), buttons, icon});
        if (messageAnswers.empty()) {
            return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kCancel;
        }
        const MessageAnswer answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }

    std::optional<std::string> Input(std::string_view, std::string_view,
                                     std::string_view) override {
        return std::nullopt;
    }

    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        if (dialogAnswers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer;
    }
};

// Records what the setup commands told the main window.
class RecordingView : public SetupView {
  public:
    std::vector<RecentFiles> recentLists;
    int enableSaveCalls = 0;
    int refreshCalls = 0;
    std::vector<std::string> titles;

    void RecentFilesChanged(const RecentFiles& files) override { recentLists.push_back(files); }
    void EnableSaveCommands() override { ++enableSaveCalls; }
    void RefreshSetupControls() override { ++refreshCalls; }
    void ShowTitle(std::string_view title) override { titles.emplace_back(title); }
};

}  // namespace chronoreel::testing
