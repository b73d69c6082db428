#include "scheduler/task.h"

#include <cstdio>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/numbers.h"
#include "base/shared_routines.h"
#include "base/text.h"

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

std::vector<IniEntry> Task::FileRequests() const {
    if (index_ <= 0) {
        return {};
    }
    const std::string section = SectionName();
    auto request = [&](std::string key, std::string defaultValue) {
        return IniEntry{section, std::move(key), std::move(defaultValue)};
    };
    return {
        request("Name", Quoted(name_)),
        request("SetupFile", Quoted(setupFile_)),
        request("SetupTimes", std::string(kMinutesPerDay, '0')),
        request("Interval", "60"),
        request("OverrideInputPath", "False"),
        request("InputPath", Quoted(inputPath_)),
        request("OverrideFileFilter", "False"),
        request("FileFilter", Quoted(fileFilter_)),
        request("OverrideOutputPath", "False"),
        request("OutputPath", Quoted(outputAVIPath_)),
        request("OverridePostGenerationShell", "False"),
        request("PostGenerationShell", Quoted(postGenerationShell_)),
        request("Visible", "False"),
        request("ScheduleMode", "0"),
        request("StartMode", "0"),
        request("StopMode", "0"),
        request("StartAbsoluteTime", "0"),
        request("StartSunriseOffset", "0"),
        request("StartSunsetOffset", "0"),
        request("StopAbsoluteTime", "0"),
        request("StopSunriseOffset", "0"),
        request("StopSunsetOffset", "0"),
    };
}

void Task::ApplyFileValues(const std::vector<std::string>& values) {
    Trap("Task", "LoadFile", [&] {
        if (index_ <= 0) {
            return;
        }
        if (values.size() != FileRequests().size()) {
            throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
        }
        auto value = values.begin();
        SetName(StripQuotes(*value++));
        SetSetupFile(StripQuotes(*value++));
        SetSetupTimes(*value++);
        SetInterval(scheduler_numbers::Str2LngNI(*value++));
        SetOverrideInputPath(Str2Bool(*value++));
        SetInputPath(StripQuotes(*value++));
        SetOverrideFileFilter(Str2Bool(*value++));
        SetFileFilter(StripQuotes(*value++));
        SetOverrideOutputAVIPath(Str2Bool(*value++));
        SetOutputAVIPath(StripQuotes(*value++));
        SetOverridePostGenerationShell(Str2Bool(*value++));
        SetPostGenerationShell(StripQuotes(*value++));
        SetVisible(Str2Bool(*value++));
        schedule_.SetScheduleMode(scheduler_numbers::Str2Lng(*value++));
        schedule_.SetStartMode(scheduler_numbers::Str2Lng(*value++));
        schedule_.SetStopMode(scheduler_numbers::Str2Lng(*value++));
        schedule_.SetStartAbsoluteTime(Str2DblNI(*value++));
        schedule_.SetStartSunriseOffset(Str2DblNI(*value++));
        schedule_.SetStartSunsetOffset(Str2DblNI(*value++));
        schedule_.SetStopAbsoluteTime(Str2DblNI(*value++));
        schedule_.SetStopSunriseOffset(Str2DblNI(*value++));
        schedule_.SetStopSunsetOffset(Str2DblNI(*value++));
        SetNeedsSaving(false);
    });
}

void Task::LoadFile(INI& ini) {
    Trap("Task", "LoadFile", [&] {
        if (index_ > 0) {
            ApplyFileValues(ini.GetKeys(FileRequests(), SetDefault::kYes));
        }
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

bool Task::SaveFile(INI& ini) {
    return Trap("Task", "SaveFile", [&] {
        const std::vector<IniEntry> entries = FileEntries();
        if (!entries.empty() && !ini.SetKeys(entries)) {
            return false;
        }
        SetNeedsSaving(false);
        return true;
    });
}

}  // namespace chronoreel
