#include "os/command_string.h"

namespace chronoreel {

std::vector<std::string> SplitCommandLine(std::string_view command) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;  // a quote opens an argument even when nothing follows it
    bool inQuotes = false;
    for (const char c : command) {
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == '"') {
            inQuotes = true;
            inArgument = true;
        } else if (c == ' ' || c == '\t') {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

}  // namespace chronoreel
