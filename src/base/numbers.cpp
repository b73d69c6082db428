#include "base/numbers.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "base/app_error.h"
#include "base/date_time.h"
#include "base/error_report.h"
#include "base/text.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "modNumbers";
constexpr int kErrInvalidProcedureCall = 5;

bool decimalComma = false;

char LocaleSeparator() {
    return decimalComma ? ',' : '.';
}

// The number conversion in the user's locale: blanks around, an optional sign, digits with an
// optional fraction after the locale's separator, an optional exponent. No digit grouping, no
// hexadecimal, no "inf" or "nan": a text the system did not write itself and that is not a plain
// number is a failure (nullopt), as is a value outside the range of a double.
std::optional<double> ParseLocaleNumber(std::string_view text, char separator) {
    text = TrimWhitespace(text);
    std::size_t i = 0;
    const auto takeDigits = [&] {
        const std::size_t first = i;
        while (i < text.size() && IsAsciiDigit(text[i])) {
            ++i;
        }
        return text.substr(first, i - first);
    };
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    const std::string_view integerDigits = takeDigits();
    std::string_view fractionDigits;
    if (i < text.size() && text[i] == separator) {
        ++i;
        fractionDigits = takeDigits();
    }
    if (integerDigits.empty() && fractionDigits.empty()) {
        return std::nullopt;
    }
    std::string exponent;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            exponent.push_back(text[i++]);
        }
        const std::string_view exponentDigits = takeDigits();
        if (exponentDigits.empty()) {
            return std::nullopt;
        }
        exponent += exponentDigits;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    // The plainest form for from_chars: "-0.5e3", never "+", ".5" or "5.".
    std::string normalised = negative ? "-" : "";
    normalised += integerDigits.empty() ? std::string_view("0") : integerDigits;
    if (!fractionDigits.empty()) {
        normalised += '.';
        normalised += fractionDigits;
    }
    if (!exponent.empty()) {
        normalised += 'e';
        normalised += exponent;
    }
    double value = 0.0;
    const char* const end = normalised.data() + normalised.size();
    const auto [ptr, ec] = std::from_chars(normalised.data(), end, value);
    if (ec != std::errc{} || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Step 1 of every locale-neutral reader: on a comma locale the first "." becomes ",", so text
// written with "." reads the same everywhere.
std::optional<double> ParseNeutralNumber(std::string_view text) {
    if (!decimalComma) {
        return ParseLocaleNumber(text, '.');
    }
    std::string copy(text);
    if (const auto dot = copy.find('.'); dot != std::string::npos) {
        copy[dot] = ',';
    }
    return ParseLocaleNumber(copy, ',');
}

std::optional<std::int32_t> ToInt32(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t NeutralInt32(std::string_view text) {
    const auto value = ParseNeutralNumber(text);
    if (!value) {
        return 0;
    }
    return ToInt32(*value).value_or(0);
}

// A finite double as decimal digits: value = 0.d1d2d3... x 10^(exponent + 1), at most
// 15 significant digits (correctly rounded), trailing zeros removed. Zero gives "0", exponent 0.
struct DecimalDigits {
    bool negative = false;
    std::string digits;
    int exponent = 0;  // power of ten of the first digit
};

DecimalDigits ToDecimalDigits(double value) {
    DecimalDigits result;
    if (value == 0.0) {
        // Appended rather than assigned: g++ 12 at -O3 warns falsely about assigning a literal.
        result.digits.push_back('0');
        return result;
    }
    std::array<char, 40> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                         std::fabs(value), std::chars_format::scientific, 14);
    if (ec != std::errc{}) {
        throw AppError(kErrOverflow, "Overflow");
    }
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    const auto e = text.find('e');
    for (const char c : text.substr(0, e)) {
        if (IsAsciiDigit(c)) {
            result.digits.push_back(c);
        }
    }
    const std::string_view exponentText = text.substr(e + 1);
    int exponent = 0;
    std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                    exponentText.data() + exponentText.size(), exponent);
    result.exponent = exponent;
    while (result.digits.size() > 1 && result.digits.back() == '0') {
        result.digits.pop_back();
    }
    result.negative = value < 0.0;
    return result;
}

// Integer and fraction digits of the plain (non-exponent) form.
struct PlainDecimal {
    std::string integer;
    std::string fraction;
};

PlainDecimal ToPlain(const DecimalDigits& d) {
    PlainDecimal plain;
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent >= 0) {
        const int integerDigits = d.exponent + 1;
        if (n <= integerDigits) {
            plain.integer =
                d.digits + std::string(static_cast<std::size_t>(integerDigits - n), '0');
        } else {
            plain.integer = d.digits.substr(0, static_cast<std::size_t>(integerDigits));
            plain.fraction = d.digits.substr(static_cast<std::size_t>(integerDigits));
        }
    } else {
        plain.integer.push_back('0');
        plain.fraction = std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    }
    return plain;
}

std::string FormatDouble(double value) {
    if (!std::isfinite(value)) {
        // No conversion of this module produces such a value; writing it would store text that
        // reads back as 0.
        throw AppError(kErrOverflow, "Overflow");
    }
    const DecimalDigits d = ToDecimalDigits(value);
    if (d.digits == "0") {
        return "0";  // also for -0
    }
    std::string text = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    // The plain form shows at most 15 digits (the "0" before the point of a value below one not
    // counted); a magnitude it cannot show takes the exponent form, as in 1E+15 or 3.5E-17.
    const bool plainFits = d.exponent < 15 && (d.exponent >= 0 || -d.exponent - 1 + n <= 15);
    if (plainFits) {
        const PlainDecimal plain = ToPlain(d);
        text += plain.integer;
        if (!plain.fraction.empty()) {
            text += '.';
            text += plain.fraction;
        }
        return text;
    }
    text += d.digits.front();
    if (n > 1) {
        text += '.';
        text += d.digits.substr(1);
    }
    text += d.exponent < 0 ? "E-" : "E+";
    const int magnitude = std::abs(d.exponent);
    if (magnitude < 10) {
        text += '0';
    }
    text += std::to_string(magnitude);
    return text;
}

// Adds one unit in the last place of a string of decimal digits; returns the carry out.
bool IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it == '9') {
            *it = '0';
        } else {
            ++*it;
            return false;
        }
    }
    return true;
}

// Formats with a pattern of "0" digits and at most one ".": as many integer digits as the
// pattern has before the point (more when the value needs them) and exactly as many decimals
// as it has after it. Rounding is half away from zero on the value's 15-digit decimal form, so
// that 1.00005 shows as 1.0001 the way it was typed.
std::string FormatWithPattern(double value, std::string_view pattern) {
    const auto point = pattern.find('.');
    const std::string_view integerPattern = pattern.substr(0, point);
    const std::string_view fractionPattern =
        point == std::string_view::npos ? std::string_view{} : pattern.substr(point + 1);
    for (const std::string_view part : {integerPattern, fractionPattern}) {
        if (part.find_first_not_of('0') != std::string_view::npos) {
            throw AppError(kErrInvalidProcedureCall, "Invalid procedure call or argument");
        }
    }
    if (!std::isfinite(value)) {
        throw AppError(kErrOverflow, "Overflow");
    }
    const DecimalDigits d = ToDecimalDigits(value);
    PlainDecimal plain = ToPlain(d);
    const std::size_t decimals = fractionPattern.size();
    const bool roundUp = plain.fraction.size() > decimals && plain.fraction[decimals] >= '5';
    plain.fraction.resize(decimals, '0');
    if (roundUp && IncrementDigits(plain.fraction) && IncrementDigits(plain.integer)) {
        plain.integer.insert(plain.integer.begin(), '1');
    }
    // Leading zeros come only from the pattern.
    const auto firstNonZero = plain.integer.find_first_not_of('0');
    plain.integer =
        firstNonZero == std::string::npos ? std::string{} : plain.integer.substr(firstNonZero);
    if (plain.integer.size() < integerPattern.size()) {
        plain.integer.insert(0, integerPattern.size() - plain.integer.size(), '0');
    }
    const bool shownAsZero = plain.integer.find_first_not_of('0') == std::string::npos &&
                             plain.fraction.find_first_not_of('0') == std::string::npos;
    std::string text = (d.negative && !shownAsZero) ? "-" : "";
    text += plain.integer;
    if (point != std::string_view::npos) {
        text += LocaleSeparator();
        text += plain.fraction;
    }
    return text;
}

}  // namespace

void SetDecimalComma(bool localeUsesComma) {
    decimalComma = localeUsesComma;
}

bool DecimalComma() {
    return decimalComma;
}

bool LocaleUsesDecimalComma() {
    const std::lconv* const conventions = std::localeconv();
    return conventions != nullptr && conventions->decimal_point != nullptr &&
           std::string_view(conventions->decimal_point) == ",";
}

double CDblNI(std::string_view text) {
    return Trap(kModule, "CDblNI", [&] { return ParseNeutralNumber(text).value_or(0.0); });
}

std::int32_t CLngNI(std::string_view text) {
    return Trap(kModule, "CLngNI", [&] { return NeutralInt32(text); });
}

double Str2DblNI(std::string_view text) {
    return Trap(kModule, "Str2DblNI", [&] { return ParseNeutralNumber(text).value_or(0.0); });
}

std::int32_t Str2LngNI(std::string_view text) {
    return Trap(kModule, "Str2LngNI", [&] { return NeutralInt32(text); });
}

double Str2Dbl(std::string_view text) {
    return Trap(kModule, "Str2Dbl", [&] { return ParseNeutralNumber(text).value_or(0.0); });
}

std::int32_t Str2Lng(std::string_view text) {
    return Trap(kModule, "Str2Lng", [&] { return NeutralInt32(text); });
}

bool Str2Bool(std::string_view text) {
    return Trap(kModule, "Str2Bool", [&] {
        const std::string_view trimmed = TrimWhitespace(text);
        if (EqualsIgnoringCase(trimmed, "True")) {
            return true;
        }
        if (EqualsIgnoringCase(trimmed, "False")) {
            return false;
        }
        // A number is read the locale-neutral way, so "0.0" is false on every locale.
        if (const auto number = ParseNeutralNumber(trimmed)) {
            return *number != 0.0;
        }
        return EqualsIgnoringCase(trimmed, "YES") || trimmed == "1";
    });
}

std::string CStrNI(std::int32_t value) {
    return Trap(kModule, "CStrNI", [&] { return std::to_string(value); });
}

std::string CStrNI(double value) {
    // The text is built with "." directly, so no separator needs swapping back.
    return Trap(kModule, "CStrNI", [&] { return FormatDouble(value); });
}

std::string CStrNI(bool value) {
    return Trap(kModule, "CStrNI", [&] { return std::string(value ? "True" : "False"); });
}

std::string FormatI(double value, std::string_view pattern) {
    return Trap(kModule, "FormatI", [&] {
        std::string neutralPattern(pattern);
        if (const auto comma = neutralPattern.find(','); comma != std::string::npos) {
            neutralPattern[comma] = '.';
        }
        return FormatWithPattern(value, neutralPattern);
    });
}

double FP(double x) {
    return Trap(kModule, "FP", [&] {
        const double fraction = x - std::floor(x);
        // A tiny negative x gives 1 - tiny, which rounds to 1.0; modulo one that is 0.
        return fraction >= 1.0 ? 0.0 : fraction;
    });
}

namespace scheduler_numbers {

namespace {

constexpr double kLargestStoredInteger = 2000000000.0;

std::int32_t CappedInt32(std::string_view text) {
    if (ParseNeutralNumber(text).value_or(0.0) > kLargestStoredInteger) {
        return static_cast<std::int32_t>(kLargestStoredInteger);
    }
    return NeutralInt32(text);
}

}  // namespace

std::int32_t Str2LngNI(std::string_view text) {
    return Trap(kModule, "Str2LngNI", [&] { return CappedInt32(text); });
}

std::int32_t Str2Lng(std::string_view text) {
    return Trap(kModule, "Str2Lng", [&] { return CappedInt32(text); });
}

double CDateNI(std::string_view text) {
    return Trap(kModule, "CDateNI", [&] {
        std::string withColons(text);
        for (char& c : withColons) {
            if (c == '.') {
                c = ':';
            }
        }
        return ParseDateTime(withColons).value_or(0.0);
    });
}

}  // namespace scheduler_numbers

}  // namespace chronoreel
