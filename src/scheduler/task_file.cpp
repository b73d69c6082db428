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
        // The count says which sections to read; then the general keys and every section are
        // read in one pass over the file, with the same result as loading them one by one, and
        // the missing keys written in one replacement, so that a program killed meanwhile
        // leaves the file as it was or complete.
        storedTaskCount_ =
            scheduler_numbers::Str2LngNI(ini_.GetKey(kGeneral, "TaskCount", SetDefault::kNo, "0"));
        tasks_.clear();
        const std::int32_t count = std::clamp(storedTaskCount_, 0, kMaxLoadedTasks);
        tasks_.reserve(static_cast<std::size_t>(count));
        std::vector<IniEntry> requests = {
            {std::string(kGeneral), "TaskCount", "0"},
            {std::string(kGeneral), "ChronoreelPath", defaultChronoreelPath_}};
        for (std::int32_t position = 0; position < count; ++position) {
            auto task = CreateTask();
            task->SetIndex(position + 1);
            const auto taskRequests = task->FileRequests();
            requests.insert(requests.end(), taskRequests.begin(), taskRequests.end());
            tasks_.push_back(std::move(task));
        }
        const std::vector<std::string> values = ini_.GetKeys(requests, SetDefault::kYes);
        chronoreelPath_ = std::string(TrimBlanks(values[1]));
        auto next = values.begin() + 2;
        for (const auto& task : tasks_) {
            const auto end = next + static_cast<std::ptrdiff_t>(task->FileRequests().size());
            task->ApplyFileValues(std::vector<std::string>(next, end));
            next = end;
        }
    });
}

bool TaskFile::SaveAll() {
    return Trap("modFile", "SaveAll", [&] {
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
        if (!ini_.SetKeys(entries)) {
            return false;
        }
        for (Task* task : saved) {
            task->SetNeedsSaving(false);
            scheduleChanged_.Raise();
        }
        return true;
    });
}

}  // namespace chronoreel
