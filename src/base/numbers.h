#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace chronoreel {

// Text written to files always uses "." as decimal separator; text typed by the user may use
// the locale's own. The decimal-comma flag says whether the user's locale writes "," and is
// fixed at start-up, before the first conversion.
void SetDecimalComma(bool localeUsesComma);
bool DecimalComma();
// True when the process's LC_NUMERIC locale (as set from the environment) uses ",".
bool LocaleUsesDecimalComma();

// Locale-neutral readers. Failures are silent and give 0 (false for Str2Bool).
double CDblNI(std::string_view text);
std::int32_t CLngNI(std::string_view text);  // fractions round half to even
double Str2DblNI(std::string_view text);
std::int32_t Str2LngNI(std::string_view text);  // movie maker: out of range gives 0
double Str2Dbl(std::string_view text);
std::int32_t Str2Lng(std::string_view text);
bool Str2Bool(std::string_view text);

// Locale-neutral writers.
std::string CStrNI(std::int32_t value);
std::string CStrNI(double value);  // up to 15 significant digits, no trailing zeros
std::string CStrNI(bool value);    // "True" / "False"
// Text is no value to write; without this a string literal would pick the Boolean overload.
std::string CStrNI(const char*) = delete;

// Formats for display with the only pattern used, "00.0000", in the user's locale.
std::string FormatI(double value, std::string_view pattern);

// Fractional part, always in [0, 1).
double FP(double x);

// The scheduler's set differs in two functions.
namespace scheduler_numbers {
// Values above 2000000000 give 2000000000; below the 32-bit range give 0.
std::int32_t Str2LngNI(std::string_view text);
std::int32_t Str2Lng(std::string_view text);
// Every "." becomes ":" (12.30 reads as 12:30), then the date-time text conversion; 0 on failure.
double CDateNI(std::string_view text);
}  // namespace scheduler_numbers

}  // namespace chronoreel
