#pragma once

#include <string>
#include <string_view>

namespace chronoreel {

// Texts of the main window's boxes.

// A number as the user's locale writes it: up to 15 significant digits, no digit grouping, no
// trailing zeros, the locale's decimal separator (24 for 24.0, 1.5 or 1,5).
std::string LocaleNumberText(double value);

// Text with leading and trailing blanks removed, as paths, filters and commands are stored.
std::string TrimBlanks(std::string_view text);

}  // namespace chronoreel
