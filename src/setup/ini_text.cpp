#include "setup/ini_text.h"

#include <algorithm>

namespace chronoreel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

enum class LineKind { kOther, kSection, kKey };

// What one line is, with the section or key name it holds (blanks removed).
struct LineInfo {
    LineKind kind = LineKind::kOther;
    std::string_view name;
    std::string_view value;  // key lines: the text after "=", blanks removed
};

LineInfo ClassifyLine(std::string_view line) {
    const std::string_view text = TrimBlanks(line);
    if (text.empty() || text.front() == ';' || text.front() == '#') {
        return {};
    }
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close != std::string_view::npos) {
            return {LineKind::kSection, TrimBlanks(text.substr(1, close - 1)), {}};
        }
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return {LineKind::kKey, TrimBlanks(text.substr(0, equals)),
            TrimBlanks(text.substr(equals + 1))};
}

// Lines that belong to a section's content: anything but blank lines and comments.
bool IsContentLine(std::string_view line) {
    const std::string_view text = TrimBlanks(line);
    return !text.empty() && text.front() != ';' && text.front() != '#';
}

std::string KeyLine(std::string_view key, std::string_view storedValue) {
    std::string line(key);
    line += '=';
    line += storedValue;
    return line;
}

}  // namespace

IniText IniText::Parse(std::string_view content) {
    IniText text;
    if (content.starts_with(kByteOrderMark)) {
        text.byteOrderMark_ = kByteOrderMark;
        content.remove_prefix(kByteOrderMark.size());
    }
    while (!content.empty()) {
        const size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        text.lines_.emplace_back(line);
    }
    return text;
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    bool inSection = false;
    for (const std::string& line : lines_) {
        const LineInfo info = ClassifyLine(line);
        if (info.kind == LineKind::kSection) {
            if (inSection) {
                return std::nullopt;
            }
            inSection = SameName(info.name, section);
        } else if (inSection && info.kind == LineKind::kKey && SameName(info.name, key)) {
            std::string_view value = info.value;
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return std::string(value);
        }
    }
    return std::nullopt;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view storedValue) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    const auto header = std::find_if(lines_.begin(), lines_.end(), [&](const std::string& line) {
        const LineInfo info = ClassifyLine(line);
        return info.kind == LineKind::kSection && SameName(info.name, section);
    });
    if (header == lines_.end()) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(KeyLine(key, storedValue));
        return;
    }
    auto insertAfter = header;
    for (auto it = std::next(header); it != lines_.end(); ++it) {
        const LineInfo info = ClassifyLine(*it);
        if (info.kind == LineKind::kSection) {
            break;
        }
        if (info.kind == LineKind::kKey && SameName(info.name, key)) {
            *it = KeyLine(key, storedValue);
            return;
        }
        if (IsContentLine(*it)) {
            insertAfter = it;
        }
    }
    lines_.insert(std::next(insertAfter), KeyLine(key, storedValue));
}

std::string IniText::Render() const {
    size_t size = byteOrderMark_.size();
    for (const std::string& line : lines_) {
        size += line.size() + 1;
    }
    std::string content;
    content.reserve(size);
    content += byteOrderMark_;
    for (const std::string& line : lines_) {
        content += line;
        content += '\n';
    }
    return content;
}

bool IsWritableSectionName(std::string_view section) {
    return section.find(']') == std::string_view::npos && !HasLineBreak(section);
}

bool IsWritableKeyName(std::string_view key) {
    key = TrimBlanks(key);
    return !key.empty() && key.find('=') == std::string_view::npos && !HasLineBreak(key) &&
           key.front() != ';' && key.front() != '#' && key.front() != '[';
}

std::string StoredValue(std::string_view text) {
    std::string value(text);
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    const bool blankAtEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (blankAtEnd || quoted) {
        value = '"' + value + '"';
    }
    return value;
}

}  // namespace chronoreel
