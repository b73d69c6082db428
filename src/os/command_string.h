#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chronoreel {

// Splits a command string into arguments with the command line's quote rules: blanks (spaces
// and tabs) separate arguments, a double quote starts a stretch that runs to the next one (or
// to the end when it is not closed) and the quotes are removed. A quoted stretch may stand
// anywhere in an argument ("a b"c gives `a bc`) and "" alone gives an empty argument. A
// backslash is an ordinary character.
std::vector<std::string> SplitCommandLine(std::string_view command);

}  // namespace chronoreel
