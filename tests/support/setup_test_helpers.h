#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace chronoreel::testing {

// The lines of a file's text without line ends (LF or CRLF); no trailing empty line.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

inline std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

inline std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A key line of an INI file as "section/key" (names lower-cased) with its value.
struct KeyLine {
    std::string name;
    std::string value;
    bool operator==(const KeyLine&) const = default;
};

// The key lines of a file in file order, skipping comments and blank lines.
inline std::vector<KeyLine> KeyLines(const std::string& text) {
    std::vector<KeyLine> keys;
    std::string section;
    for (const std::string& raw : Lines(text)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = Lower(line.substr(1, line.size() - 2));
            continue;
        }
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            keys.push_back({section + "/" + Lower(Trim(line.substr(0, equals))),
                            Trim(line.substr(equals + 1))});
        }
    }
    return keys;
}

// Index of the first line equal to `line`, or -1.
inline int LineIndex(const std::vector<std::string>& lines, const std::string& line) {
    const auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
}

// True when every line of `part` occurs in `whole` in the same order.
inline bool KeepsLinesInOrder(const std::vector<std::string>& part,
                              const std::vector<std::string>& whole) {
    auto at = whole.begin();
    for (const std::string& line : part) {
        at = std::find(at, whole.end(), line);
        if (at == whole.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

}  // namespace chronoreel::testing
