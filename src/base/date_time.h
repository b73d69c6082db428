#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace chronoreel {

// The shared date-time value: days since 1899-12-30 00:00 local time; the fraction is the time
// of day (0.5 = 12:00). A time of day alone has day part 0.
using DateTime = double;

inline constexpr double kSecondsPerDay = 86400.0;

// Local calendar time, as the date-time value encodes it.
struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    double subsecond = 0.0;  // [0, 1)
};

// Pure calendar arithmetic, no time zone involved.
DateTime ToDateTime(const CivilTime& civil);
DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                      double second = 0.0);
CivilTime ToCivil(DateTime value);  // rounds to the nearest millisecond first
// The value without its fraction of a second (after the same millisecond rounding).
DateTime WholeSeconds(DateTime value);
// Whole-day part and time-of-day part as the value encodes them (for negative values the time
// of day is the absolute fraction, as stored files expect).
double DatePart(DateTime value);
double TimePart(DateTime value);

// Between an instant and local calendar time, daylight saving included.
DateTime FromSystemTime(std::chrono::system_clock::time_point instant);
std::chrono::system_clock::time_point ToSystemTime(DateTime local);

// The date-time text conversion. Accepts "YYYY-MM-DD HH:MM[:SS]", "YYYY-MM-DDTHH:MM[:SS]",
// "YYYY-MM-DD", "MM/DD/YYYY[ hh:mm[:ss][ AM|PM]]" and a time alone "hh:mm[:ss][ AM|PM]"
// (day part 0). Every field is validated; anything else gives nullopt.
std::optional<DateTime> ParseDateTime(std::string_view text);

enum class DateTimePattern {
    kTimeAmPm,       // "06:05:09 PM"               (HH:MM:SS AM/PM)
    kDateTimeAmPm,   // "01/31/2006 06:05:09 PM"    (MM/DD/YYYY HH:MM:SS AM/PM)
    kTime24,         // "18:05:09"                  (HH:MM:SS)
    kShortTimeAmPm,  // "6:05 PM"                   (H:MM AM/PM)
    kIsoDateTime,    // "2006-01-31 18:05:09"       (logs)
};
std::string FormatDateTime(DateTime value, DateTimePattern pattern);

}  // namespace chronoreel
