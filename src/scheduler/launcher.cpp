#include "scheduler/launcher.h"

#include <utility>

namespace chronoreel {
namespace {

struct Switch {
    std::string name;   // "/F=", "/A"
    std::string value;  // used when the switch takes one
    bool takesValue;
};

std::vector<Switch> RunSwitches(const Task& task) {
    std::vector<Switch> switches;
    switches.push_back({"/F=", task.SetupFile(), true});
    switches.push_back({"/A", {}, false});
    if (!task.Visible()) {
        switches.push_back({"/I", {}, false});
    }
    if (task.OverrideFileFilter()) {
        switches.push_back({"/IF=", task.FileFilter(), true});
    }
    if (task.OverrideInputPath()) {
        switches.push_back({"/IP=", task.InputPath(), true});
    }
    if (task.OverrideOutputAVIPath()) {
        switches.push_back({"/OP=", task.OutputAVIPath(), true});
    }
    if (task.OverridePostGenerationShell()) {
        switches.push_back({"/PGS=", task.PostGenerationShell(), true});
    }
    return switches;
}

}  // namespace

std::vector<std::string> RunArguments(const Task& task, const std::string& chronoreelPath) {
    std::vector<std::string> arguments = {chronoreelPath};
    for (const Switch& s : RunSwitches(task)) {
        arguments.push_back(s.name + s.value);
    }
    return arguments;
}

std::string RunCommandLineText(const Task& task, const std::string& chronoreelPath) {
    std::string line = chronoreelPath;
    for (const Switch& s : RunSwitches(task)) {
        line += " " + s.name;
        if (s.takesValue) {
            line += "\"" + s.value + "\"";
        }
    }
    return line;
}

std::vector<std::string> OpenSetupArguments(const Task& task, const std::string& chronoreelPath) {
    return {chronoreelPath, "/F=" + task.SetupFile()};
}

RunState StateForExit(const ChildExit& exit) {
    if (exit.kind == ChildExit::Kind::kSignalled) {
        return RunState::kError;
    }
    switch (exit.code) {
        case 0:
            return RunState::kFinished;
        case 3:
            return RunState::kSkipped;
        default:
            return RunState::kError;
    }
}

RunProcess ChildProcessLauncher::Launch(const Task& task, const std::string& chronoreelPath) {
    RunProcess process;
    process.commandLine = RunCommandLineText(task, chronoreelPath);
    ChildProcess child = ChildProcess::Start(RunArguments(task, chronoreelPath));
    process.processId = child.Pid();
    if (child.Status(statusWait_) == ProcessStatus::kFailed) {
        process.state = RunState::kError;
        process.startError = child.StartError();
        return process;
    }
    // A process that already ended stays "running" here; the next poll reports its end.
    process.state = RunState::kRunning;
    process.handle = nextHandle_++;
    children_.emplace(process.handle, std::move(child));
    return process;
}

RunState ChildProcessLauncher::PollProcess(RunProcess& process) {
    if (process.state != RunState::kNotStarted && process.state != RunState::kRunning) {
        return process.state;
    }
    const auto found = children_.find(process.handle);
    if (found == children_.end()) {
        process.state = RunState::kError;
        return process.state;
    }
    ChildProcess& child = found->second;
    // Once the end has been seen (possibly by the check right after the start) it is kept.
    const ProcessStatus status = child.Exit() ? ProcessStatus::kEnded : child.Status(statusWait_);
    if (status == ProcessStatus::kRunning) {
        return process.state;
    }
    if (status == ProcessStatus::kEnded && child.Exit()) {
        process.exit = child.Exit();
        process.state = StateForExit(*process.exit);
    } else {
        process.state = RunState::kError;
    }
    children_.erase(found);
    process.handle = 0;
    return process.state;
}

void ChildProcessLauncher::OpenSetup(const Task& task, const std::string& chronoreelPath) {
    ChildProcess child = ChildProcess::Start(OpenSetupArguments(task, chronoreelPath));
    child.Release();
}

}  // namespace chronoreel
