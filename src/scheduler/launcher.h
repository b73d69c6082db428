#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "os/child_process.h"
#include "scheduler/task.h"
#include "scheduler/task_run.h"

namespace chronoreel {

// The movie maker's arguments for an unattended run of a task, each switch its own argument so
// that no value can change another switch: the path, /F=setup, /A, /I unless the preview is
// shown, then /IF=, /IP=, /OP= and /PGS= for the overrides that are on.
std::vector<std::string> RunArguments(const Task& task, const std::string& chronoreelPath);
// The same run as one command line for logs and the grid: the path as it stands, then every
// switch after a blank with its value between double quotes (values are not escaped).
std::string RunCommandLineText(const Task& task, const std::string& chronoreelPath);
// The arguments that open a task's setup file in the movie maker's window: the path and /F=.
std::vector<std::string> OpenSetupArguments(const Task& task, const std::string& chronoreelPath);

// Starts and follows the movie maker processes of the runs. The engine talks only to this
// interface so that tests can stand in for the processes.
class Launcher {
  public:
    virtual ~Launcher() = default;
    // Starts an unattended run of the task, hidden. The result is running, or in error when the
    // movie maker could not be started (nothing is left open then).
    virtual RunProcess Launch(const Task& task, const std::string& chronoreelPath) = 0;
    // Looks at a run's process once and returns its state. A process that ended is released
    // here, exactly once: exit code 0 gives kFinished, 3 kSkipped, any other code or a signal
    // kError. A process already in an ended state is returned unchanged.
    virtual RunState PollProcess(RunProcess& process) = 0;
    // Opens the task's setup file in the movie maker's window; keeps nothing, reports nothing.
    virtual void OpenSetup(const Task& task, const std::string& chronoreelPath) = 0;
};

// The launcher of the programs: real child processes.
class ChildProcessLauncher final : public Launcher {
  public:
    // statusWait: how long a look at a process may wait for its end. About a millisecond keeps
    // a loop from spinning; a window's timer tick takes none, so that it never waits.
    explicit ChildProcessLauncher(
        std::chrono::milliseconds statusWait = std::chrono::milliseconds(1))
        : statusWait_(statusWait) {}

    RunProcess Launch(const Task& task, const std::string& chronoreelPath) override;
    RunState PollProcess(RunProcess& process) override;
    void OpenSetup(const Task& task, const std::string& chronoreelPath) override;

    // Processes started and not yet seen to end. Destroying the launcher leaves them running.
    std::size_t Followed() const { return children_.size(); }

  private:
    std::chrono::milliseconds statusWait_;
    std::uint64_t nextHandle_ = 1;
    std::map<std::uint64_t, ChildProcess> children_;
};

// How an ended process maps onto a run's state.
RunState StateForExit(const ChildExit& exit);

}  // namespace chronoreel
