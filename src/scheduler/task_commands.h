#pragma once

#include "base/prompter.h"
#include "scheduler/scheduler_state.h"

namespace chronoreel {

// What the window must do after a task command.
enum class TaskRefresh {
    kNone,    // nothing changed
    kUpdate,  // refill the task controls if the selection moved
    kForced,  // refill the task controls in any case
};

// The commands that change the task list. Each asks its questions through the prompter, saves
// the task file and moves the selection; a position outside the list does nothing.
TaskRefresh AddTask(SchedulerState& state, Prompter& prompter);
TaskRefresh RenameTask(SchedulerState& state, Prompter& prompter, int position);
TaskRefresh DeleteTask(SchedulerState& state, Prompter& prompter, int position);
TaskRefresh CopyTask(SchedulerState& state, Prompter& prompter, int position);

}  // namespace chronoreel
