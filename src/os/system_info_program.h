#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chronoreel {

// The first of a few known system-information programs that is an executable file in one of
// the folders of searchPath (a PATH value, folders separated by ":"), as its full path.
std::optional<std::string> FindSystemInfoProgram(std::string_view searchPath);

}  // namespace chronoreel
