#include "scheduler/task.h"

#include <cstdio>

#include "app/error_report.h"
#include "app/numbers.h"
#include "app/shared_routines.h"

namespace chronoreel {
namespace {

template <class T>
bool StoreIfChanged(T& field, const T& value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

std::string StripQuotes(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

Task::Task(ScheduleChangedFlag* scheduleChanged) : scheduleChanged_(scheduleChanged) {}

void Task::RaiseScheduleChanged() {
    if (scheduleChanged_ != nullptr) {
        scheduleChanged_->Raise();
    }
}

void Task::SetName(const std::string& sValue) {
    needsSaving_ |= StoreIfChanged(name_, sValue);
}
void Task::SetSetupFile(const std::string& sValue) {
    needsSaving_ |= StoreIfChanged(setupFile_, sValue);
}
void Task::SetSetupTimes(const std::string& sValue) {
    if (StoreIfChanged(setupTimes_, sValue)) {
        needsSaving_ = true;
        RaiseScheduleChanged();
    }
}
void Task::SetInputPath(const std::string& sValue) {
    needsSaving_ |= StoreIfChanged(inputPath_, sValue);
}
void Task::SetFileFilter(const std::string& sValue) {
    needsSaving_ |= StoreIfChanged(fileFilter_, sValue);
}
void Task::SetOutputAVIPath(const std::string& sValue) {
    needsSaving_ |= StoreIfChanged(outputAVIPath_, sValue);
}
void Task::SetPostGenerationShell(const std::string& sValue) {
    needsSaving_ |= StoreIfChanged(postGenerationShell_, sValue);
}
void Task::SetInterval(std::int32_t lValue) {
    needsSaving_ |= StoreIfChanged(interval_, lValue);
}
void Task::SetIndex(std::int32_t lValue) {
    if (StoreIfChanged(index_, lValue)) {
        Limit(index_, std::int32_t{1}, kMaxIndex);
        needsSaving_ = true;
    }
}
void Task::SetOverrideInputPath(bool bValue) {
    needsSaving_ |= StoreIfChanged(overrideInputPath_, bValue);
}
void Task::SetOverrideFileFilter(bool bValue) {
    needsSaving_ |= StoreIfChanged(overrideFileFilter_, bValue);
}
void Task::SetOverrideOutputAVIPath(bool bValue) {
    needsSaving_ |= StoreIfChanged(overrideOutputAVIPath_, bValue);
}
void Task::SetOverridePostGenerationShell(bool bValue) {
    needsSaving_ |= StoreIfChanged(overridePostGenerationShell_, bValue);
}
void Task::SetVisible(bool bValue) {
    needsSaving_ |= StoreIfChanged(visible_, bValue);
}

void Task::SetNeedsSaving(bool bValue) {
    needsSaving_ = bValue;
    schedule_.SetNeedsSaving(bValue);
}

bool Task::SetupTimesIndex(int minute) const {
    if (minute < 0 || minute >= kMinutesPerDay) {
        return false;
    }
    return static_cast<std::size_t>(minute) < setupTimes_.size() &&
           setupTimes_[static_cast<std::size_t>(minute)] == '1';
}

void Task::SetSetupTimesIndex(int minute, bool on) {
    if (minute < 0 || minute >= kMinutesPerDay) {
        return;
    }
    if (setupTimes_.size() != static_cast<std::size_t>(kMinutesPerDay)) {
        setupTimes_.assign(kMinutesPerDay, '0');
    }
    char& flag = setupTimes_[static_cast<std::size_t>(minute)];
    const char wanted = on ? '1' : '0';
    if (flag == wanted) {
        return;
    }
    flag = wanted;
    RaiseScheduleChanged();
    needsSaving_ = true;
}

std::string Task::SectionName() const {
    char name[16];
    std::snprintf(name, sizeof name, "Task%03d", static_cast<int>(index_));
    return name;
}

void Task::LoadFile(INI& ini) {
    Trap("Task", "LoadFile", [&] {
        if (index_ <= 0) {
            return;
        }
        const std::string section = SectionName();
        auto read = [&](std::string_view key, const std::string& defaultValue) {
            return ini.GetKey(section, key, SetDefault::kYes, defaultValue);
        };
        SetName(StripQuotes(read("Name", Quoted(name_))));
        SetSetupFile(StripQuotes(read("SetupFile", Quoted(setupFile_))));
        SetSetupTimes(read("SetupTimes", std::string(kMinutesPerDay, '0')));
        SetInterval(scheduler_numbers::Str2LngNI(read("Interval", "60")));
        SetOverrideInputPath(Str2Bool(read("OverrideInputPath", "False")));
        SetInputPath(StripQuotes(read("InputPath", Quoted(inputPath_))));
        SetOverrideFileFilter(Str2Bool(read("OverrideFileFilter", "False")));
        SetFileFilter(StripQuotes(read("FileFilter", Quoted(fileFilter_))));
        SetOverrideOutputAVIPath(Str2Bool(read("OverrideOutputPath", "False")));
        SetOutputAVIPath(StripQuotes(read("OutputPath", Quoted(outputAVIPath_))));
        SetOverridePostGenerationShell(Str2Bool(read("OverridePostGenerationShell", "False")));
        SetPostGenerationShell(
            StripQuotes(read("PostGenerationShell", Quoted(postGenerationShell_))));
        SetVisible(Str2Bool(read("Visible", "False")));
        schedule_.SetScheduleMode(scheduler_numbers::Str2Lng(read("ScheduleMode", "0")));
        schedule_.SetStartMode(scheduler_numbers::Str2Lng(read("StartMode", "0")));
        schedule_.SetStopMode(scheduler_numbers::Str2Lng(read("StopMode", "0")));
        schedule_.SetStartAbsoluteTime(Str2DblNI(read("StartAbsoluteTime", "0")));
        schedule_.SetStartSunriseOffset(Str2DblNI(read("StartSunriseOffset", "0")));
        schedule_.SetStartSunsetOffset(Str2DblNI(read("StartSunsetOffset", "0")));
        schedule_.SetStopAbsoluteTime(Str2DblNI(read("StopAbsoluteTime", "0")));
        schedule_.SetStopSunriseOffset(Str2DblNI(read("StopSunriseOffset", "0")));
        schedule_.SetStopSunsetOffset(Str2DblNI(read("StopSunsetOffset", "0")));
        SetNeedsSaving(false);
    });
}

std::vector<IniEntry> Task::FileEntries() const {
    if (index_ <= 0) {
        return {};
    }
    const std::string section = SectionName();
    auto entry = [&](std::string key, std::string text) {
        return IniEntry{section, std::move(key), std::move(text)};
    };
    return {
        entry("Name", Quoted(name_)),
        entry("SetupFile", setupFile_),
        entry("SetupTimes", setupTimes_),
        entry("Interval", CStrNI(interval_)),
        entry("OverrideInputPath", CStrNI(overrideInputPath_)),
        entry("InputPath", Quoted(inputPath_)),
        entry("OverrideFileFilter", CStrNI(overrideFileFilter_)),
        entry("FileFilter", Quoted(fileFilter_)),
        entry("OverrideOutputPath", CStrNI(overrideOutputAVIPath_)),
        entry("OutputPath", Quoted(outputAVIPath_)),
        entry("OverridePostGenerationShell", CStrNI(overridePostGenerationShell_)),
        entry("PostGenerationShell", Quoted(postGenerationShell_)),
        entry("Visible", CStrNI(visible_)),
        entry("ScheduleMode", CStrNI(schedule_.ScheduleMode())),
        entry("StartMode", CStrNI(schedule_.StartMode())),
        entry("StopMode", CStrNI(schedule_.StopMode())),
        entry("StartAbsoluteTime", CStrNI(schedule_.StartAbsoluteTime())),
        entry("StartSunriseOffset", CStrNI(schedule_.StartSunriseOffset())),
        entry("StartSunsetOffset", CStrNI(schedule_.StartSunsetOffset())),
        entry("StopAbsoluteTime", CStrNI(schedule_.StopAbsoluteTime())),
        entry("StopSunriseOffset", CStrNI(schedule_.StopSunriseOffset())),
        entry("StopSunsetOffset", CStrNI(schedule_.StopSunsetOffset())),
    };
}

void Task::SaveFile(INI& ini) {
    Trap("Task", "SaveFile", [&] {
        const std::vector<IniEntry> entries = FileEntries();
        if (!entries.empty()) {
            ini.SetKeys(entries);
        }
        SetNeedsSaving(false);
    });
}

}  // namespace chronoreel
