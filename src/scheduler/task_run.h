#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/date_time.h"
#include "os/child_process.h"
#include "scheduler/task.h"

namespace chronoreel {

// Status of a run as the grid shows it.
enum class RunStatus : std::int32_t {
    kIdle = 0,      // in the to-do list
    kRunning = 1,   // started, its movie maker not yet seen to end
    kFinished = 2,  // the movie maker exited with 0
    kError = 3,     // it could not be started or watched, exited with another code or a signal
    kWaiting = 4,   // queued, starts at the next tick
    kSkipped = 5,   // the movie maker exited with 3: nothing to do
};

// "Idle", "Running", "Finished", "Error", "Waiting", "Skipped", or "Unknown" for other codes.
std::string_view StatusText(RunStatus status);

// Where a run's movie maker process stands. The values of the ended states are the statuses
// they give the run.
enum class RunState : std::int32_t {
    kNotStarted = 0,
    kRunning = 1,
    kFinished = 2,
    kError = 3,
    kSkipped = 5,
};

// The result of starting a run's movie maker, kept in the run while it is followed.
struct RunProcess {
    std::uint64_t handle = 0;  // the launcher's reference to the process; 0 for none
    pid_t processId = 0;
    RunState state = RunState::kNotStarted;
    std::optional<ChildExit> exit;  // how the process ended, once seen
    std::string startError;         // why it could not be started
    std::string commandLine;        // the command line in its display form
};

// One entry of the engine's run lists.
struct TaskRun {
    std::shared_ptr<Task> task;  // keeps the task alive while the run is listed
    RunStatus status = RunStatus::kIdle;
    RunProcess process;
    DateTime started = 0.0;    // 0 when not recorded
    DateTime completed = 0.0;  // 0 while not ended
    DateTime scheduled = 0.0;  // start of the minute the run was due; 0 for a run started by hand
    bool inUse = false;
};

}  // namespace chronoreel
