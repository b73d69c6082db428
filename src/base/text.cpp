#include "base/text.h"

#include <algorithm>
#include <cmath>

namespace chronoreel {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kWhitespace = " \t\r\n\v\f";

std::string_view TrimAny(std::string_view text, std::string_view characters) {
    const auto first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(characters);
    return text.substr(first, last - first + 1);
}

}  // namespace

bool IsBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}

bool IsWhitespace(char c) {
    return kWhitespace.find(c) != std::string_view::npos;
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return ToLowerAscii(c); });
    return lower;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text) {
    return TrimAny(text, kBlanks);
}

std::string_view TrimWhitespace(std::string_view text) {
    return TrimAny(text, kWhitespace);
}

double RoundHalfEven(double value) {
    // The default floating-point rounding mode rounds halves to the even neighbour.
    return std::nearbyint(value);
}

}  // namespace chronoreel
