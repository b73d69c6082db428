#include "scheduler/schedule.h"

#include <algorithm>

#include "base/date_time.h"
#include "base/error_report.h"
#include "base/numbers.h"
#include "base/shared_routines.h"

namespace chronoreel {
namespace {

template <class T>
void SetClamped(T& field, T value, T low, T high, bool& needsSaving) {
    if (value == field) {
        return;
    }
    field = value;
    Limit(field, low, high);
    needsSaving = true;
}

// The number as the user's locale writes it: 30, -15, 7.5 (7,5 with a decimal comma).
std::string LocaleNumber(double value) {
    std::string text = CStrNI(value);
    if (DecimalComma()) {
        std::replace(text.begin(), text.end(), '.', ',');
    }
    return text;
}

// "+30 min", "-15 min", or nothing for an offset of exactly 0.
std::string OffsetPiece(double offsetMinutes, std::string_view unit) {
    if (offsetMinutes > 0) {
        std::string piece(1, '+');
        piece += LocaleNumber(offsetMinutes);
        piece += unit;
        return piece;
    }
    if (offsetMinutes < 0) {
        return LocaleNumber(offsetMinutes) + std::string(unit);
    }
    return {};
}

std::string EdgeText(std::int32_t mode, double absoluteTime, double sunriseOffset,
                     std::string_view sunriseUnit, double sunsetOffset) {
    switch (mode) {
        case 1:
            return "sunrise" + OffsetPiece(sunriseOffset, sunriseUnit);
        case 2:
            return "sunset" + OffsetPiece(sunsetOffset, " min");
        default:
            return FormatDateTime(absoluteTime, DateTimePattern::kTime24);
    }
}

}  // namespace

void Schedule::SetScheduleMode(std::int32_t lValue) {
    SetClamped(scheduleMode_, lValue, 0, kScheduleModeMax, needsSaving_);
}
void Schedule::SetStartMode(std::int32_t lValue) {
    SetClamped(startMode_, lValue, 0, kEdgeModeMax, needsSaving_);
}
void Schedule::SetStopMode(std::int32_t lValue) {
    SetClamped(stopMode_, lValue, 0, kEdgeModeMax, needsSaving_);
}
void Schedule::SetStartAbsoluteTime(double dValue) {
    SetClamped(startAbsoluteTime_, dValue, 0.0, kAbsoluteTimeMax, needsSaving_);
}
void Schedule::SetStopAbsoluteTime(double dValue) {
    SetClamped(stopAbsoluteTime_, dValue, 0.0, kAbsoluteTimeMax, needsSaving_);
}
void Schedule::SetStartSunriseOffset(double dValue) {
    SetClamped(startSunriseOffset_, dValue, -kOffsetMinutesLimit, kOffsetMinutesLimit,
               needsSaving_);
}
void Schedule::SetStopSunriseOffset(double dValue) {
    SetClamped(stopSunriseOffset_, dValue, -kOffsetMinutesLimit, kOffsetMinutesLimit, needsSaving_);
}
void Schedule::SetStartSunsetOffset(double dValue) {
    SetClamped(startSunsetOffset_, dValue, -kOffsetMinutesLimit, kOffsetMinutesLimit, needsSaving_);
}
void Schedule::SetStopSunsetOffset(double dValue) {
    SetClamped(stopSunsetOffset_, dValue, -kOffsetMinutesLimit, kOffsetMinutesLimit, needsSaving_);
}

void Schedule::Reset() {
    scheduleMode_ = 0;
    startMode_ = 0;
    stopMode_ = 0;
    startAbsoluteTime_ = 0.0;
    stopAbsoluteTime_ = 0.0;
    startSunriseOffset_ = 0.0;
    stopSunriseOffset_ = 0.0;
    startSunsetOffset_ = 0.0;
    stopSunsetOffset_ = 0.0;
}

std::string Schedule::Description() const {
    return Trap("Schedule", "Description", [&] {
        if (scheduleMode_ == 0) {
            return std::string("24-hours");
        }
        // Only the stop side's sunrise case uses the long unit.
        return EdgeText(startMode_, startAbsoluteTime_, startSunriseOffset_, " min",
                        startSunsetOffset_) +
               " to " +
               EdgeText(stopMode_, stopAbsoluteTime_, stopSunriseOffset_, " minutes",
                        stopSunsetOffset_);
    });
}

}  // namespace chronoreel
