// Date-time text as the command line's /s= and /e= switches and the setup and task files hold
// it, and date-time values as the files store them (any eight bytes, also infinities and NaN)
// turned back into calendar time and text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/date_time.h"
#include "fuzz_support.h"

using namespace chronoreel;

namespace {

constexpr DateTimePattern kPatterns[] = {DateTimePattern::kTimeAmPm, DateTimePattern::kDateTimeAmPm,
                                         DateTimePattern::kTime24, DateTimePattern::kShortTimeAmPm,
                                         DateTimePattern::kIsoDateTime};

void CheckValue(DateTime value) {
    for (const DateTimePattern pattern : kPatterns) {
        FUZZ_CHECK(!FormatDateTime(value, pattern).empty());
    }
    const CivilTime civil = ToCivil(value);
    FUZZ_CHECK(civil.month >= 1 && civil.month <= 12 && civil.day >= 1 && civil.day <= 31);
    FUZZ_CHECK(civil.hour >= 0 && civil.hour < 24 && civil.minute >= 0 && civil.minute < 60);
    FUZZ_CHECK(civil.second >= 0 && civil.second < 60);
    FUZZ_CHECK(civil.subsecond >= 0.0 && civil.subsecond < 1.0);
    (void)WholeSeconds(value);
    (void)ToSystemTime(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto parsed = ParseDateTime(text)) {
        FUZZ_CHECK(std::isfinite(*parsed));
        CheckValue(*parsed);
        // Whole seconds are all a text can give, so the logs' form reads back as the same value.
        const auto again = ParseDateTime(FormatDateTime(*parsed, DateTimePattern::kIsoDateTime));
        FUZZ_CHECK(again && *again == *parsed);
    }
    if (size >= sizeof(double)) {
        double stored = 0;
        std::memcpy(&stored, data, sizeof stored);
        CheckValue(stored);
    }
    return 0;
}
