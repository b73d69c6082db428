// The shared date-time value and its conversions.
//
// Encoding: a day number counted from 1899-12-30 (day 0) plus the time of day as a fraction.
// From day 0 on, the value simply grows with time. Before it, the value keeps the classic
// encoding that stored files use: the whole part is the day and the fraction, taken as an
// absolute value, is still the time of day, so -1.25 is 1899-12-29 06:00 (not 18:00) and
// -1.75 is 1899-12-29 18:00. Values between -1 and 0 therefore name day 0 like their positive
// counterparts. The calendar is the proleptic Gregorian one.
#include "base/date_time.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "base/app_error.h"
#include "base/text.h"

namespace chronoreel {
namespace {

using Int64 = std::int64_t;

constexpr Int64 kSecondsPerDayInt = 86'400;
constexpr Int64 kMillisecondsPerDay = 86'400'000;
// Day number of 1970-01-01, the start of the system clock.
constexpr Int64 kUnixEpochDay = 25'569;
// The range a date-time value can name: 0100-01-01 00:00 to 9999-12-31 23:59:59.
constexpr Int64 kFirstDay = -657'434;
constexpr Int64 kLastDay = 2'958'465;
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

Int64 FloorDiv(Int64 a, Int64 b) {
    Int64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

// Days from 1970-01-01 to the given date (any month, day 1..31).
Int64 DaysFromCivil(Int64 year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const Int64 era = FloorDiv(year, 400);
    const Int64 yearOfEra = year - era * 400;
    const int shiftedMonth = month > 2 ? month - 3 : month + 9;
    const Int64 dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const Int64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

struct Date {
    int year;
    int month;
    int day;
};

Date CivilFromDays(Int64 daysSince1970) {
    const Int64 z = daysSince1970 + 719'468;
    const Int64 era = FloorDiv(z, 146'097);
    const Int64 dayOfEra = z - era * 146'097;
    const Int64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const Int64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const Int64 shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const Int64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int>(year), month, day};
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The value of a day number and a time-of-day fraction in [0, 1].
DateTime Encode(Int64 day, double fraction) {
    if (fraction >= 1.0) {  // a fraction that rounded up to a whole day
        ++day;
        fraction = 0.0;
    }
    const auto whole = static_cast<double>(day);
    return day >= 0 ? whole + fraction : whole - fraction;
}

// Day number and time-of-day fraction of a value, the fraction in [0, 1).
struct Decoded {
    Int64 day;
    double fraction;
};

// Out-of-range values are held at the ends of the range, and a value that is no number
// reads as day 0, so no caller can overflow the calendar arithmetic.
Decoded Decode(DateTime value) {
    if (!std::isfinite(value)) {
        return {0, 0.0};
    }
    const double whole = std::trunc(value);
    if (whole < static_cast<double>(kFirstDay)) {
        return {kFirstDay, 0.0};
    }
    if (whole > static_cast<double>(kLastDay)) {
        return {kLastDay, std::nextafter(1.0, 0.0)};
    }
    return {static_cast<Int64>(whole), std::fabs(value - whole)};
}

// Day number and time of day in whole units (milliseconds or seconds), rounded to the nearest
// unit; a time that rounds up to midnight moves to the next day (never beyond the last one).
struct Rounded {
    Int64 day;
    Int64 unitsOfDay;
};

Rounded RoundToUnit(DateTime value, Int64 unitsPerDay) {
    Decoded decoded = Decode(value);
    Int64 units = std::llround(decoded.fraction * static_cast<double>(unitsPerDay));
    if (units >= unitsPerDay) {
        if (decoded.day < kLastDay) {
            ++decoded.day;
            units = 0;
        } else {
            units = unitsPerDay - 1;
        }
    }
    return {decoded.day, units};
}

DateTime FromDayAndSeconds(Int64 day, double secondsOfDay) {
    if (!std::isfinite(secondsOfDay)) {
        secondsOfDay = 0.0;  // keeps the day; the conversion below needs a finite number
    }
    const double extraDays = std::floor(secondsOfDay / kSecondsPerDay);
    day += static_cast<Int64>(extraDays);
    secondsOfDay -= extraDays * kSecondsPerDay;
    return Encode(day, secondsOfDay / kSecondsPerDay);
}

Int64 DayNumber(Int64 year, int month, int day) {
    // Months outside 1..12 carry into the year, days outside the month into the next or previous
    // months, the way a date is built from parts that an addition pushed out of range.
    const Int64 monthIndex = year * 12 + (month - 1);
    const Int64 normalisedYear = FloorDiv(monthIndex, 12);
    const int normalisedMonth = static_cast<int>(monthIndex - normalisedYear * 12) + 1;
    return DaysFromCivil(normalisedYear, normalisedMonth, 1) + (day - 1) + kUnixEpochDay;
}

// ---- Local time ------------------------------------------------------------------------------

Int64 UtcOffsetSecondsAt(std::time_t instant) {
    std::tm local{};
    if (localtime_r(&instant, &local) == nullptr) {
        throw AppError(kErrInternal, "The local time of an instant is unknown");
    }
    return local.tm_gmtoff;
}

// The instant (seconds since 1970 UTC) at which local clocks show wallSeconds (seconds since
// 1970-01-01 00:00 of the local calendar). Around a change of offset the answer is chosen:
// - a local time shown twice (clocks set back) is its first occurrence, the earlier instant;
// - a local time never shown (clocks set forward) is read with the offset in force before the
//   change, so 02:30 in a gap from 02:00 to 03:00 gives the instant clocks then show as 03:30.
// The offsets are sampled a day either side, so any single change near the time is seen.
Int64 InstantOfLocalWallTime(Int64 wallSeconds) {
    const Int64 offsetBefore = UtcOffsetSecondsAt(wallSeconds - kSecondsPerDayInt);
    const Int64 offsetAfter = UtcOffsetSecondsAt(wallSeconds + kSecondsPerDayInt);
    const Int64 withOffsetBefore = wallSeconds - offsetBefore;
    const Int64 withOffsetAfter = wallSeconds - offsetAfter;
    const bool beforeFits = UtcOffsetSecondsAt(withOffsetBefore) == offsetBefore;
    const bool afterFits = UtcOffsetSecondsAt(withOffsetAfter) == offsetAfter;
    if (beforeFits && afterFits) {
        return std::min(withOffsetBefore, withOffsetAfter);
    }
    if (afterFits) {
        return withOffsetAfter;
    }
    return withOffsetBefore;
}

// ---- Text ------------------------------------------------------------------------------------

class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }
    void Rewind(std::size_t position) { pos_ = position; }

    // A number of minDigits to maxDigits digits, not followed by another digit.
    std::optional<int> Number(std::size_t minDigits, std::size_t maxDigits) {
        std::size_t count = 0;
        int value = 0;
        while (pos_ + count < text_.size() && IsAsciiDigit(text_[pos_ + count])) {
            if (count == maxDigits) {
                return std::nullopt;
            }
            value = value * 10 + (text_[pos_ + count] - '0');
            ++count;
        }
        if (count < minDigits) {
            return std::nullopt;
        }
        pos_ += count;
        return value;
    }

    bool Take(char c) {
        if (!AtEnd() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // Takes the word, given in capitals, in any letter case.
    bool TakeWord(std::string_view upperWord) {
        if (text_.size() - pos_ < upperWord.size()) {
            return false;
        }
        for (std::size_t i = 0; i < upperWord.size(); ++i) {
            if (ToUpperAscii(text_[pos_ + i]) != upperWord[i]) {
                return false;
            }
        }
        pos_ += upperWord.size();
        return true;
    }

    std::size_t SkipBlanks() {
        const std::size_t start = pos_;
        while (!AtEnd() && IsWhitespace(text_[pos_])) {
            ++pos_;
        }
        return pos_ - start;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::optional<Int64> ValidDay(std::optional<int> year, std::optional<int> month,
                              std::optional<int> day) {
    if (!year || !month || !day || *year < kFirstYear || *year > kLastYear || *month < 1 ||
        *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month)) {
        return std::nullopt;
    }
    return DayNumber(*year, *month, *day);
}

// "YYYY-MM-DD" (month and day of one or two digits).
std::optional<Int64> ParseIsoDate(Cursor& cursor) {
    const auto year = cursor.Number(4, 4);
    if (!year || !cursor.Take('-')) {
        return std::nullopt;
    }
    const auto month = cursor.Number(1, 2);
    if (!month || !cursor.Take('-')) {
        return std::nullopt;
    }
    return ValidDay(year, month, cursor.Number(1, 2));
}

// "MM/DD/YYYY" (month and day of one or two digits).
std::optional<Int64> ParseUsDate(Cursor& cursor) {
    const auto month = cursor.Number(1, 2);
    if (!month || !cursor.Take('/')) {
        return std::nullopt;
    }
    const auto day = cursor.Number(1, 2);
    if (!day || !cursor.Take('/')) {
        return std::nullopt;
    }
    return ValidDay(cursor.Number(4, 4), month, day);
}

// "hh:mm[:ss][ AM|PM]" up to the end of the text; the seconds of the day. With AM or PM the
// hour is 0 to 12 (12 AM is midnight, 12 PM noon), without it 0 to 23.
std::optional<int> ParseTimeToEnd(Cursor& cursor) {
    const auto hour = cursor.Number(1, 2);
    if (!hour || !cursor.Take(':')) {
        return std::nullopt;
    }
    const auto minute = cursor.Number(1, 2);
    if (!minute) {
        return std::nullopt;
    }
    std::optional<int> second = 0;
    if (cursor.Take(':')) {
        second = cursor.Number(1, 2);
        if (!second) {
            return std::nullopt;
        }
    }
    cursor.SkipBlanks();
    int hour24 = *hour;
    const bool morning = cursor.TakeWord("AM");
    const bool afternoon = !morning && cursor.TakeWord("PM");
    if (morning || afternoon) {
        if (*hour > 12) {
            return std::nullopt;
        }
        hour24 = *hour % 12 + (afternoon ? 12 : 0);
    } else if (*hour > 23) {
        return std::nullopt;
    }
    if (!cursor.AtEnd() || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return hour24 * 3600 + *minute * 60 + *second;
}

struct Fields {
    Date date;
    int hour;
    int minute;
    int second;
};

Fields RoundToSecond(DateTime value) {
    const Rounded rounded = RoundToUnit(value, kSecondsPerDayInt);
    const auto seconds = static_cast<int>(rounded.unitsOfDay);
    return {CivilFromDays(rounded.day - kUnixEpochDay), seconds / 3600, seconds / 60 % 60,
            seconds % 60};
}

int Hour12(int hour24) {
    return hour24 % 12 == 0 ? 12 : hour24 % 12;
}

const char* Meridiem(int hour24) {
    return hour24 < 12 ? "AM" : "PM";
}

}  // namespace

DateTime ToDateTime(const CivilTime& civil) {
    const double secondsOfDay =
        civil.hour * 3600.0 + civil.minute * 60.0 + civil.second + civil.subsecond;
    return FromDayAndSeconds(DayNumber(civil.year, civil.month, civil.day), secondsOfDay);
}

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, double second) {
    const double secondsOfDay = hour * 3600.0 + minute * 60.0 + second;
    return FromDayAndSeconds(DayNumber(year, month, day), secondsOfDay);
}

CivilTime ToCivil(DateTime value) {
    const Rounded rounded = RoundToUnit(value, kMillisecondsPerDay);
    const Date date = CivilFromDays(rounded.day - kUnixEpochDay);
    const Int64 ms = rounded.unitsOfDay;
    CivilTime civil;
    civil.year = date.year;
    civil.month = date.month;
    civil.day = date.day;
    civil.hour = static_cast<int>(ms / 3'600'000);
    civil.minute = static_cast<int>(ms / 60'000 % 60);
    civil.second = static_cast<int>(ms / 1000 % 60);
    civil.subsecond = static_cast<double>(ms % 1000) / 1000.0;
    return civil;
}

double DatePart(DateTime value) {
    return std::trunc(value);
}

double TimePart(DateTime value) {
    return std::fabs(value - std::trunc(value));
}

DateTime FromSystemTime(std::chrono::system_clock::time_point instant) {
    using namespace std::chrono;
    const auto sinceEpoch = instant.time_since_epoch();
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const double subsecond = duration<double>(sinceEpoch - wholeSeconds).count();
    const auto utcSeconds = static_cast<std::time_t>(wholeSeconds.count());
    const Int64 wallSeconds = utcSeconds + UtcOffsetSecondsAt(utcSeconds);
    const Int64 wallDay = FloorDiv(wallSeconds, kSecondsPerDayInt);
    const Int64 secondsOfDay = wallSeconds - wallDay * kSecondsPerDayInt;
    return Encode(wallDay + kUnixEpochDay,
                  (static_cast<double>(secondsOfDay) + subsecond) / kSecondsPerDay);
}

std::chrono::system_clock::time_point ToSystemTime(DateTime local) {
    using namespace std::chrono;
    const Rounded rounded = RoundToUnit(local, kMillisecondsPerDay);
    const Int64 wallSeconds =
        (rounded.day - kUnixEpochDay) * kSecondsPerDayInt + rounded.unitsOfDay / 1000;
    // The system clock counts nanoseconds in 64 bits, about the years 1678 to 2261: the instants
    // of the calendar beyond are held at its ends rather than overflow it.
    constexpr Int64 kLimitSeconds =
        duration_cast<seconds>(system_clock::duration::max()).count() - 1;
    const Int64 utcSeconds =
        std::clamp(InstantOfLocalWallTime(wallSeconds), -kLimitSeconds, kLimitSeconds);
    return system_clock::time_point{seconds{utcSeconds} + milliseconds{rounded.unitsOfDay % 1000}};
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
    // Blanks around the text are allowed; the parsers below expect it to end after the last field.
    const std::string_view withoutBlanks = TrimWhitespace(text);
    if (withoutBlanks.empty()) {
        return std::nullopt;
    }
    Cursor trimmed(withoutBlanks);

    std::optional<Int64> day = ParseIsoDate(trimmed);
    const bool isoDate = day.has_value();
    if (!day) {
        trimmed.Rewind(0);
        day = ParseUsDate(trimmed);
    }
    if (!day) {
        trimmed.Rewind(0);
        const auto seconds = ParseTimeToEnd(trimmed);
        if (!seconds) {
            return std::nullopt;
        }
        return *seconds / kSecondsPerDay;
    }
    if (trimmed.AtEnd()) {
        return Encode(*day, 0.0);
    }
    const bool separated = (isoDate && trimmed.Take('T')) || trimmed.SkipBlanks() > 0;
    if (!separated) {
        return std::nullopt;
    }
    const auto seconds = ParseTimeToEnd(trimmed);
    if (!seconds) {
        return std::nullopt;
    }
    return Encode(*day, *seconds / kSecondsPerDay);
}

std::string FormatDateTime(DateTime value, DateTimePattern pattern) {
    const Fields f = RoundToSecond(value);
    char buffer[48];
    switch (pattern) {
        case DateTimePattern::kTimeAmPm:
            std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d %s", Hour12(f.hour), f.minute,
                          f.second, Meridiem(f.hour));
            break;
        case DateTimePattern::kDateTimeAmPm:
            std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d %s", f.date.month,
                          f.date.day, f.date.year, Hour12(f.hour), f.minute, f.second,
                          Meridiem(f.hour));
            break;
        case DateTimePattern::kTime24:
            std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", f.hour, f.minute, f.second);
            break;
        case DateTimePattern::kShortTimeAmPm:
            std::snprintf(buffer, sizeof buffer, "%d:%02d %s", Hour12(f.hour), f.minute,
                          Meridiem(f.hour));
            break;
        case DateTimePattern::kIsoDateTime:
            std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", f.date.year,
                          f.date.month, f.date.day, f.hour, f.minute, f.second);
            break;
    }
    return buffer;
}

DateTime WholeSeconds(DateTime value) {
    CivilTime civil = ToCivil(value);
    civil.subsecond = 0.0;
    return ToDateTime(civil);
}

}  // namespace chronoreel
