#pragma once

#include <cstdint>
#include <string>

namespace chronoreel {

// A task's daily window: the whole day, or from a start to a stop, each an absolute time of day
// or an offset in minutes from sunrise or sunset. It is stored and described but never moves or
// restricts a start: the minute mask alone decides when a task runs.
class Schedule {
  public:
    // Limits applied by every setter.
    static constexpr std::int32_t kScheduleModeMax = 1;     // 0 whole day, 1 start to stop
    static constexpr std::int32_t kEdgeModeMax = 2;         // 0 absolute, 1 sunrise, 2 sunset
    static constexpr double kAbsoluteTimeMax = 0.99988427;  // 23:59:50
    static constexpr double kOffsetMinutesLimit = 1440.0;

    std::int32_t ScheduleMode() const { return scheduleMode_; }
    std::int32_t StartMode() const { return startMode_; }
    std::int32_t StopMode() const { return stopMode_; }
    double StartAbsoluteTime() const { return startAbsoluteTime_; }
    double StopAbsoluteTime() const { return stopAbsoluteTime_; }
    double StartSunriseOffset() const { return startSunriseOffset_; }
    double StopSunriseOffset() const { return stopSunriseOffset_; }
    double StartSunsetOffset() const { return startSunsetOffset_; }
    double StopSunsetOffset() const { return stopSunsetOffset_; }
    bool NeedsSaving() const { return needsSaving_; }

    // A setter stores a value that differs from the held one, clamps it into its limits and
    // marks the record changed (even when the clamped value equals the old one).
    void SetScheduleMode(std::int32_t lValue);
    void SetStartMode(std::int32_t lValue);
    void SetStopMode(std::int32_t lValue);
    void SetStartAbsoluteTime(double dValue);
    void SetStopAbsoluteTime(double dValue);
    void SetStartSunriseOffset(double dValue);
    void SetStopSunriseOffset(double dValue);
    void SetStartSunsetOffset(double dValue);
    void SetStopSunsetOffset(double dValue);
    // Stored as given.
    void SetNeedsSaving(bool bValue) { needsSaving_ = bValue; }

    // All modes, times and offsets back to 0; the changed flag is left as it is.
    void Reset();

    // One line for the window: "24-hours", "07:00:00 to 19:30:00",
    // "sunrise+30 min to sunset-15 min", "06:00:00 to sunrise+20 minutes".
    std::string Description() const;

  private:
    std::int32_t scheduleMode_ = 0;
    std::int32_t startMode_ = 0;
    std::int32_t stopMode_ = 0;
    double startAbsoluteTime_ = 0.0;
    double stopAbsoluteTime_ = 0.0;
    double startSunriseOffset_ = 0.0;
    double stopSunriseOffset_ = 0.0;
    double startSunsetOffset_ = 0.0;
    double stopSunsetOffset_ = 0.0;
    bool needsSaving_ = false;
};

}  // namespace chronoreel
