#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/date_time.h"
#include "base/prompter.h"
#include "scheduler/launcher.h"

namespace chronoreel::testing {

// A clock the test sets and moves.
class FakeClock final : public Clock {
  public:
    explicit FakeClock(DateTime now = 0.0) : now_(now) {}
    DateTime Now() const override { return now_; }
    void Set(DateTime now) { now_ = now; }
    void AdvanceSeconds(double seconds) { now_ += seconds / kSecondsPerDay; }

  private:
    DateTime now_;
};

// Stands in for the movie maker: remembers every start, keeps each process running until the
// test ends it, and counts how often each process is released.
class FakeLauncher final : public Launcher {
  public:
    struct Start {
        std::string taskName;
        std::string commandLine;
        std::uint64_t handle;
    };

    RunProcess Launch(const Task& task, const std::string& chronoreelPath) override {
        RunProcess process;
        process.commandLine = RunCommandLineText(task, chronoreelPath);
        if (failStarts) {
            process.state = RunState::kError;
            process.startError = "No such file or directory";
            starts.push_back({task.Name(), process.commandLine, 0});
            return process;
        }
        process.handle = nextHandle_++;
        process.processId = static_cast<pid_t>(1000 + process.handle);
        process.state = RunState::kRunning;
        endings_[process.handle] = RunState::kRunning;
        starts.push_back({task.Name(), process.commandLine, process.handle});
        return process;
    }

    RunState PollProcess(RunProcess& process) override {
        ++polls[process.handle];
        if (process.state != RunState::kRunning) {
            return process.state;
        }
        const RunState ending = endings_[process.handle];
        if (ending != RunState::kRunning) {
            process.state = ending;
            process.exit = ChildExit{ChildExit::Kind::kExited, exitCodes_[process.handle]};
            ++releases[process.handle];
        }
        return process.state;
    }

    void OpenSetup(const Task& task, const std::string& chronoreelPath) override {
        opened.push_back(RunCommandLineText(task, chronoreelPath));
    }

    // Lets a started process end at its next poll.
    void End(std::uint64_t handle, RunState state, int exitCode = 0) {
        endings_[handle] = state;
        exitCodes_[handle] = exitCode;
    }
    void EndAll(RunState state) {
        for (auto& [handle, ending] : endings_) {
            if (ending == RunState::kRunning) {
                ending = state;
            }
        }
    }
    std::vector<std::string> StartedNames() const {
        std::vector<std::string> names;
        for (const Start& start : starts) {
            names.push_back(start.taskName);
        }
        return names;
    }

    bool failStarts = false;
    std::vector<Start> starts;
    std::vector<std::string> opened;
    std::map<std::uint64_t, int> polls;
    std::map<std::uint64_t, int> releases;

  private:
    std::uint64_t nextHandle_ = 1;
    std::map<std::uint64_t, RunState> endings_;
    std::map<std::uint64_t, int> exitCodes_;
};

// Answers the questions from a script and records them.
class ScriptedPrompter final : public Prompter {
  public:
    struct Asked {
        std::string text;
        std::string title;
        std::string initialText;  // input boxes
    };

    MessageAnswer Message(std::string_view text, std::string_view title, MessageButtons,
                          MessageIcon) override {
        messages.push_back({std::string(text), std::string(title), {}});
        if (whileAsking) {
            whileAsking();
        }
        if (answers.empty()) {
            return MessageAnswer::kOk;
        }
        const MessageAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::optional<std::string> Input(std::string_view prompt, std::string_view title,
                                     std::string_view initialText) override {
        inputs.push_back({std::string(prompt), std::string(title), std::string(initialText)});
        if (whileAsking) {
            whileAsking();
        }
        if (typed.empty()) {
            return std::nullopt;
        }
        const std::optional<std::string> text = typed.front();
        typed.erase(typed.begin());
        return text;
    }
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        if (chosen.empty()) {
            return std::nullopt;
        }
        const std::optional<std::string> path = chosen.front();
        chosen.erase(chosen.begin());
        return path;
    }

    std::vector<MessageAnswer> answers;
    std::vector<std::optional<std::string>> typed;
    std::vector<std::optional<std::string>> chosen;  // file dialogs, nullopt cancels
    std::vector<Asked> messages;
    std::vector<Asked> inputs;
    std::vector<FileDialogRequest> dialogs;
    // Runs while each message or input box is up (a test looks at the window meanwhile).
    std::function<void()> whileAsking;
};

}  // namespace chronoreel::testing
