#include "scheduler/task_commands.h"

#include <optional>
#include <string>

#include "base/error_report.h"
#include "base/text.h"

namespace chronoreel {
namespace {

constexpr std::string_view kNamePrompt = "Provide a short description for this task:";
constexpr std::string_view kNameTitle = "Enter Task Name";
constexpr std::string_view kCancelCreation =
    "You did not enter a name.  Would you like to cancel this task creation?";
constexpr std::string_view kCancelRenaming =
    "You did not enter a name.  Would you like to cancel this renaming?";

// Asks until a name is given; nullopt when the user chose to give up.
std::optional<std::string> AskName(Prompter& prompter, const std::string& proposal,
                                   std::string_view cancelQuestion) {
    for (;;) {
        const std::string name =
            std::string(TrimBlanks(prompter.Input(kNamePrompt, kNameTitle, proposal).value_or("")));
        if (!name.empty()) {
            return name;
        }
        if (prompter.Message(cancelQuestion, kNameTitle, MessageButtons::kYesNo,
                             MessageIcon::kQuestion) == MessageAnswer::kYes) {
            return std::nullopt;
        }
    }
}

// True (after telling the user) when the list holds as many tasks as it may.
bool AtTaskLimit(const SchedulerState& state, Prompter& prompter) {
    if (state.Tasks().TaskCount() < TaskFile::kMaxTasks) {
        return false;
    }
    prompter.Message("This program is limited to 999 tasks.  Sorry.", "Task Limit Reached",
                     MessageButtons::kOk, MessageIcon::kExclamation);
    return true;
}

// A save that did not reach the file is told, so that nobody relies on a change that the next
// start would not find; the tasks still need saving and go with the next save.
void TellIfNotSaved(TaskFile& tasks, Prompter& prompter, bool saved) {
    const std::optional<std::string> error = tasks.Ini().TakeWriteError();
    if (saved) {
        return;
    }
    prompter.Message("The task file could not be saved:\n" + error.value_or(tasks.TaskFilePath()),
                     "Save Tasks", MessageButtons::kOk, MessageIcon::kExclamation);
}

bool ValidPosition(const SchedulerState& state, int position) {
    return position >= 0 && position < state.Tasks().TaskCount();
}

std::shared_ptr<Task> AppendNamedTask(TaskFile& tasks, const std::string& name) {
    auto task = tasks.CreateTask();
    task->SetName(name);
    task->SetIndex(tasks.TaskCount() + 1);
    tasks.Append(task);
    return task;
}

void CopySettings(const Task& source, Task& copy) {
    copy.SetFileFilter(source.FileFilter());
    copy.SetInputPath(source.InputPath());
    copy.SetInterval(source.Interval());
    copy.SetOutputAVIPath(source.OutputAVIPath());
    copy.SetOverrideFileFilter(source.OverrideFileFilter());
    copy.SetOverrideInputPath(source.OverrideInputPath());
    copy.SetOverrideOutputAVIPath(source.OverrideOutputAVIPath());
    copy.SetOverridePostGenerationShell(source.OverridePostGenerationShell());
    copy.SetPostGenerationShell(source.PostGenerationShell());
    const Schedule& from = source.GetSchedule();
    Schedule& to = copy.GetSchedule();
    to.SetScheduleMode(from.ScheduleMode());
    to.SetStartAbsoluteTime(from.StartAbsoluteTime());
    to.SetStartMode(from.StartMode());
    to.SetStartSunriseOffset(from.StartSunriseOffset());
    to.SetStartSunsetOffset(from.StartSunsetOffset());
    to.SetStopAbsoluteTime(from.StopAbsoluteTime());
    to.SetStopMode(from.StopMode());
    to.SetStopSunriseOffset(from.StopSunriseOffset());
    to.SetStopSunsetOffset(from.StopSunsetOffset());
    copy.SetSetupFile(source.SetupFile());
    copy.SetSetupTimes(source.SetupTimes());
    copy.SetVisible(source.Visible());
}

}  // namespace

TaskRefresh AddTask(SchedulerState& state, Prompter& prompter) {
    return Trap("modMain", "AddTask", [&] {
        if (AtTaskLimit(state, prompter)) {
            return TaskRefresh::kNone;
        }
        TaskFile& tasks = state.Tasks();
        const auto name =
            AskName(prompter, "Task #" + std::to_string(tasks.TaskCount() + 1), kCancelCreation);
        if (!name) {
            return TaskRefresh::kNone;
        }
        AppendNamedTask(tasks, *name);
        TellIfNotSaved(tasks, prompter, tasks.SaveAll());
        state.SetSelectedTask(tasks.TaskCount() - 1);
        return TaskRefresh::kUpdate;
    });
}

TaskRefresh RenameTask(SchedulerState& state, Prompter& prompter, int position) {
    return Trap("modMain", "RenameTask", [&] {
        if (!ValidPosition(state, position)) {
            return TaskRefresh::kNone;
        }
        const auto task = state.Tasks().At(position);
        const auto name = AskName(prompter, task->Name(), kCancelRenaming);
        if (!name) {
            return TaskRefresh::kNone;
        }
        task->SetName(*name);
        TellIfNotSaved(state.Tasks(), prompter, task->SaveFile(state.Tasks().Ini()));
        // The grid shows task names: let the next tick redraw it.
        state.ScheduleChanged().Raise();
        return TaskRefresh::kForced;
    });
}

TaskRefresh DeleteTask(SchedulerState& state, Prompter& prompter, int position) {
    return Trap("modMain", "DeleteTask", [&] {
        if (!ValidPosition(state, position)) {
            return TaskRefresh::kNone;
        }
        TaskFile& tasks = state.Tasks();
        const std::string question =
            "Are you sure you want to delete the task\n" + tasks.At(position)->Name() + "?";
        if (prompter.Message(question, "Delete Task?", MessageButtons::kYesNo,
                             MessageIcon::kQuestion) != MessageAnswer::kYes) {
            return TaskRefresh::kNone;
        }
        const std::int32_t oldCount = tasks.TaskCount();
        tasks.RemoveAt(position);
        for (int p = position; p < tasks.TaskCount(); ++p) {
            tasks.At(p)->SetIndex(p + 1);
            tasks.At(p)->SetNeedsSaving(true);
        }
        // The vacated last section gets the values of a new task, so no stale copy of a moved
        // task stays behind in it.
        auto blank = tasks.CreateTask();
        blank->SetIndex(oldCount);
        blank->SetNeedsSaving(true);
        tasks.Append(blank);
        const bool moved = tasks.SaveAll();
        tasks.RemoveAt(tasks.TaskCount() - 1);
        if (state.SelectedTask() > tasks.TaskCount() - 1) {
            state.SetSelectedTask(tasks.TaskCount() - 1);
        }
        const bool counted = tasks.SaveAll();
        TellIfNotSaved(tasks, prompter, moved && counted);
        return TaskRefresh::kForced;
    });
}

TaskRefresh CopyTask(SchedulerState& state, Prompter& prompter, int position) {
    return Trap("modMain", "CopyTask", [&] {
        if (!ValidPosition(state, position) || AtTaskLimit(state, prompter)) {
            return TaskRefresh::kNone;
        }
        TaskFile& tasks = state.Tasks();
        const auto source = tasks.At(position);
        const auto name = AskName(prompter, "Copy of " + source->Name(), kCancelCreation);
        if (!name) {
            return TaskRefresh::kNone;
        }
        const auto copy = AppendNamedTask(tasks, *name);
        CopySettings(*source, *copy);
        TellIfNotSaved(tasks, prompter, tasks.SaveAll());
        state.SetSelectedTask(tasks.TaskCount() - 1);
        return TaskRefresh::kUpdate;
    });
}

}  // namespace chronoreel
