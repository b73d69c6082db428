#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ini/ini.h"
#include "scheduler/schedule.h"
#include "scheduler/schedule_changed.h"

namespace chronoreel {

// One job of the scheduler: make a movie from one setup file at chosen minutes of the day, with
// chosen overrides. Setters store only real changes and mark the task as needing saving.
class Task {
  public:
    static constexpr int kMinutesPerDay = 1440;
    static constexpr std::int32_t kMaxIndex = 999;

    // scheduleChanged is raised by every change of the minute mask; it may be null for a task
    // that no engine watches.
    explicit Task(ScheduleChangedFlag* scheduleChanged = nullptr);

    Schedule& GetSchedule() { return schedule_; }
    const Schedule& GetSchedule() const { return schedule_; }

    const std::string& Name() const { return name_; }
    const std::string& SetupFile() const { return setupFile_; }
    const std::string& SetupTimes() const { return setupTimes_; }
    const std::string& InputPath() const { return inputPath_; }
    const std::string& FileFilter() const { return fileFilter_; }
    const std::string& OutputAVIPath() const { return outputAVIPath_; }
    const std::string& PostGenerationShell() const { return postGenerationShell_; }
    std::int32_t Interval() const { return interval_; }
    std::int32_t Index() const { return index_; }
    bool OverrideInputPath() const { return overrideInputPath_; }
    bool OverrideFileFilter() const { return overrideFileFilter_; }
    bool OverrideOutputAVIPath() const { return overrideOutputAVIPath_; }
    bool OverridePostGenerationShell() const { return overridePostGenerationShell_; }
    bool Visible() const { return visible_; }
    // True when the task or its schedule changed since the last load or save.
    bool NeedsSaving() const { return needsSaving_ || schedule_.NeedsSaving(); }

    void SetName(const std::string& sValue);
    void SetSetupFile(const std::string& sValue);
    // Stored as given (no length check); raises the schedule-changed flag.
    void SetSetupTimes(const std::string& sValue);
    void SetInputPath(const std::string& sValue);
    void SetFileFilter(const std::string& sValue);
    void SetOutputAVIPath(const std::string& sValue);
    void SetPostGenerationShell(const std::string& sValue);
    void SetInterval(std::int32_t lValue);  // not range-checked
    void SetIndex(std::int32_t lValue);     // clamped into 1 to 999
    void SetOverrideInputPath(bool bValue);
    void SetOverrideFileFilter(bool bValue);
    void SetOverrideOutputAVIPath(bool bValue);
    void SetOverridePostGenerationShell(bool bValue);
    void SetVisible(bool bValue);
    // Sets the task's own flag and its schedule's flag.
    void SetNeedsSaving(bool bValue);

    // Whether the task starts at minute (0 to 1439) of the day; false outside that range.
    bool SetupTimesIndex(int minute) const;
    // Turns a minute on or off. A mask that is not exactly 1440 characters long is first
    // replaced by an empty one.
    void SetSetupTimesIndex(int minute, bool on);

    // The task's section in the task file: "Task" and the index with three digits.
    std::string SectionName() const;
    // Reads the task's section through its setters, writing every missing key with its default,
    // then marks the task saved. Does nothing while the task has no index.
    void LoadFile(INI& ini);
    // The two halves of LoadFile, so that many tasks load in one reading of the file: the keys
    // of the section in file order, each with its default; then the values read for them.
    std::vector<IniEntry> FileRequests() const;
    void ApplyFileValues(const std::vector<std::string>& values);
    // Writes every key of the task's section (when it has an index) and marks the task saved.
    // false when the file could not be written; the task then still needs saving.
    bool SaveFile(INI& ini);
    // The keys SaveFile writes, in file order; empty while the task has no index.
    std::vector<IniEntry> FileEntries() const;

  private:
    void RaiseScheduleChanged();

    Schedule schedule_;
    bool overrideInputPath_ = false;
    std::string inputPath_;
    bool overrideFileFilter_ = false;
    std::string fileFilter_ = "*.jpg";
    bool overrideOutputAVIPath_ = false;
    std::string outputAVIPath_;
    bool overridePostGenerationShell_ = false;
    std::string postGenerationShell_;
    std::string setupFile_;
    bool visible_ = false;
    std::string setupTimes_ = std::string(kMinutesPerDay, '0');
    std::int32_t interval_ = 1;
    std::string name_;
    std::int32_t index_ = 0;
    bool needsSaving_ = false;
    ScheduleChangedFlag* scheduleChanged_;
};

// The text between a leading and a trailing double quote, or the value as it stands when it is
// not enclosed in quotes (a lone quote character stays as it is).
std::string StripQuotes(const std::string& value);

}  // namespace chronoreel
