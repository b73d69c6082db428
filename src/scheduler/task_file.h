#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ini/ini.h"
#include "scheduler/schedule_changed.h"
#include "scheduler/task.h"

namespace chronoreel {

// The task list and the task file "ChronoreelScheduler.INI": the "General" section holds the
// number of tasks and the movie maker's path, one section per task holds the task.
class TaskFile {
  public:
    static constexpr std::int32_t kMaxTasks = 999;
    // A hand-edited "TaskCount" above 999 loads the tasks beyond the 999th from the section
    // Task999; a count this far beyond the limit can only be damage and is cut here so that it
    // cannot exhaust memory.
    static constexpr std::int32_t kMaxLoadedTasks = 9999;

    explicit TaskFile(ScheduleChangedFlag& scheduleChanged);

    // Fixes the task file and the movie maker's path used when the file names none.
    void SetPaths(std::string taskFilePath, std::string defaultChronoreelPath);
    const std::string& TaskFilePath() const { return ini_.File(); }
    INI& Ini() { return ini_; }

    std::int32_t TaskCount() const { return static_cast<std::int32_t>(tasks_.size()); }
    const std::vector<std::shared_ptr<Task>>& Tasks() const { return tasks_; }
    const std::shared_ptr<Task>& At(int position) const;

    const std::string& ChronoreelPath() const { return chronoreelPath_; }
    void SetChronoreelPath(std::string path) { chronoreelPath_ = std::move(path); }

    // A new task with the initial values, wired to the engine's schedule-changed flag.
    std::shared_ptr<Task> CreateTask() const;
    // Appends a task at the end of the list (its index is the caller's business).
    void Append(std::shared_ptr<Task> task);
    // Removes the task at a position, closing the gap.
    void RemoveAt(int position);
    // Drops every task (at shutdown).
    void Clear() { tasks_.clear(); }

    // Reads "TaskCount" and "ChronoreelPath", writing missing keys with their defaults. The
    // task list is not touched: LoadAll builds it.
    void LoadSetup();
    void SaveSetup();
    // LoadSetup, then builds the task list from the file.
    void LoadAll();
    // SaveSetup, then saves every task that needs saving (in one replacement of the file).
    // false when the file could not be written (Ini().TakeWriteError() says why): the tasks
    // then still need saving, and the next save writes them.
    bool SaveAll();

  private:
    ScheduleChangedFlag& scheduleChanged_;
    INI ini_{IniFlavour::kScheduler};
    std::string defaultChronoreelPath_;
    std::string chronoreelPath_;
    std::int32_t storedTaskCount_ = 0;  // as read by LoadSetup
    std::vector<std::shared_ptr<Task>> tasks_;
};

}  // namespace chronoreel
