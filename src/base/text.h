#pragma once

#include <string>
#include <string_view>

namespace chronoreel {

// Text helpers shared by every layer. Letter case and digits are ASCII only: names, switches and
// keys compare the same whatever the user's locale.

// A blank separates the words of command lines, INI lines and task texts: a space or a tab.
bool IsBlank(char c);
// White space of number and date texts: blanks, line ends, vertical tab and form feed.
bool IsWhitespace(char c);
bool IsAsciiDigit(char c);

char ToUpperAscii(char c);
char ToLowerAscii(char c);
std::string ToLowerAscii(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// Without the blanks (spaces and tabs) at both ends.
std::string_view TrimBlanks(std::string_view text);
// Without the white space at both ends.
std::string_view TrimWhitespace(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (7.5 -> 8, 6.5 -> 6).
double RoundHalfEven(double value);

}  // namespace chronoreel
