#include "scheduler/task_file.h"

#include <algorithm>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/numbers.h"
#include "base/text.h"

namespace chronoreel {
namespace {

constexpr std::string_view kGeneral = "General";

}  // namespace

TaskFile::TaskFile(ScheduleChangedFlag& scheduleChanged) : scheduleChanged_(scheduleChanged) {}

void TaskFile::SetPaths(std::string taskFilePath, std::string defaultChronoreelPath) {
    ini_.SetFile(std::move(taskFilePath));
    defaultChronoreelPath_ = std::move(defaultChronoreelPath);
    chronoreelPath_ = defaultChronoreelPath_;
}

const std::shared_ptr<Task>& TaskFile::At(int position) const {
    if (position < 0 || position >= TaskCount()) {
        throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
    }
    return tasks_[static_cast<std::size_t>(position)];
}

std::shared_ptr<Task> TaskFile::CreateTask() const {
    return std::make_shared<Task>(&scheduleChanged_);
}

void TaskFile::Append(std::shared_ptr<Task> task) {
    tasks_.push_back(std::move(task));
}

void TaskFile::RemoveAt(int position) {
    At(position);  // range check
    tasks_.erase(tasks_.begin() + position);
}

void TaskFile::LoadSetup() {
    Trap("modFile", "LoadSetup", [&] {
        storedTaskCount_ =
            scheduler_numbers::Str2LngNI(ini_.GetKey(kGeneral, "TaskCount", SetDefault::kYes, "0"));
        chronoreelPath_ = std::string(TrimBlanks(
            ini_.GetKey(kGeneral, "ChronoreelPath", SetDefault::kYes, defaultChronoreelPath_)));
    });
}

void TaskFile::SaveSetup() {
    Trap("modFile", "SaveSetup", [&] {
        ini_.SetKeys({{std::string(kGeneral), "TaskCount", CStrNI(TaskCount())},
                      {std::string(kGeneral), "ChronoreelPath", chronoreelPath_}});
    });
}

void TaskFile::LoadAll() {
    Trap("modFile", "LoadAll", [&] {
        LoadSetup();
        tasks_.clear();
        const std::int32_t count = std::clamp(storedTaskCount_, 0, kMaxLoadedTasks);
        tasks_.reserve(static_cast<std::size_t>(count));
        // Every section is read in one pass over the file (missing keys written in one
        // replacement) with the same result as loading the tasks one by one.
        std::vector<IniEntry> requests;
        for (std::int32_t position = 0; position < count; ++position) {
            auto task = CreateTask();
            task->SetIndex(position + 1);
            const auto taskRequests = task->FileRequests();
            requests.insert(requests.end(), taskRequests.begin(), taskRequests.end());
            tasks_.push_back(std::move(task));
        }
        const std::vector<std::string> values = ini_.GetKeys(requests, SetDefault::kYes);
        auto next = values.begin();
        for (const auto& task : tasks_) {
            const auto end = next + static_cast<std::ptrdiff_t>(task->FileRequests().size());
            task->ApplyFileValues(std::vector<std::string>(next, end));
            next = end;
        }
    });
}

void TaskFile::SaveAll() {
    Trap("modFile", "SaveAll", [&] {
        std::vector<IniEntry> entries = {
            {std::string(kGeneral), "TaskCount", CStrNI(TaskCount())},
            {std::string(kGeneral), "ChronoreelPath", chronoreelPath_}};
        std::vector<Task*> saved;
        for (const auto& task : tasks_) {
            if (task->NeedsSaving()) {
                const auto taskEntries = task->FileEntries();
                entries.insert(entries.end(), taskEntries.begin(), taskEntries.end());
                saved.push_back(task.get());
            }
        }
        ini_.SetKeys(entries);
        for (Task* task : saved) {
            task->SetNeedsSaving(false);
            scheduleChanged_.Raise();
        }
    });
}

}  // namespace chronoreel
