#include "ini/ini_text.h"
#include "base/text.h"

#include <algorithm>
#include <unordered_map>

namespace chronoreel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

// The value of a key line as read: one pair of enclosing double quotes removed.
std::string_view ValueAsRead(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// A name as every spelling of it matches.
std::string Folded(std::string_view name) {
    return ToLowerAscii(TrimBlanks(name));
}

// The lines of the first section of one name: its last content line (the header when it has
// none) and the first line of each key in it.
struct SectionLines {
    size_t lastContent = 0;
    std::unordered_map<std::string, size_t> keys;  // folded key name -> line
};

std::unordered_map<std::string, SectionLines> IndexSections(const std::vector<std::string>& lines) {
    std::unordered_map<std::string, SectionLines> sections;
    SectionLines* current = nullptr;  // element references survive rehashing
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineInfo info = ClassifyLine(lines[i]);
        if (info.kind == LineKind::kSection) {
            auto [it, inserted] = sections.try_emplace(Folded(info.name), SectionLines{i, {}});
            current = inserted ? &it->second : nullptr;
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        if (info.kind == LineKind::kKey) {
            current->keys.try_emplace(Folded(info.name), i);
        }
        if (IsContentLine(lines[i])) {
            current->lastContent = i;
        }
    }
    return sections;
}

std::string_view ReadValue(std::string_view line) {
    return ValueAsRead(ClassifyLine(line).value);
}

}  // namespace

IniText IniText::Parse(std::string_view content) {
    IniText text;
    if (content.starts_with(kByteOrderMark)) {
        text.byteOrderMark_ = kByteOrderMark;
        content.remove_prefix(kByteOrderMark.size());
    }
    // LF, CRLF and CR alone each end a line.
    while (!content.empty()) {
        const size_t end = content.find_first_of("\r\n");
        text.lines_.emplace_back(content.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        const bool crlf = content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
        content.remove_prefix(end + (crlf ? 2 : 1));
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
            inSection = EqualsIgnoringCase(info.name, section);
        } else if (inSection && info.kind == LineKind::kKey && EqualsIgnoringCase(info.name, key)) {
            return std::string(ValueAsRead(info.value));
        }
    }
    return std::nullopt;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view storedValue) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    const auto header = std::find_if(lines_.begin(), lines_.end(), [&](const std::string& line) {
        const LineInfo info = ClassifyLine(line);
        return info.kind == LineKind::kSection && EqualsIgnoringCase(info.name, section);
    });
    if (header == lines_.end()) {
        std::string headerLine(1, '[');
        headerLine += section;
        headerLine += ']';
        lines_.push_back(std::move(headerLine));
        lines_.push_back(KeyLine(key, storedValue));
        return;
    }
    auto insertAfter = header;
    for (auto it = std::next(header); it != lines_.end(); ++it) {
        const LineInfo info = ClassifyLine(*it);
        if (info.kind == LineKind::kSection) {
            break;
        }
        if (info.kind == LineKind::kKey && EqualsIgnoringCase(info.name, key)) {
            *it = KeyLine(key, storedValue);
            return;
        }
        if (IsContentLine(*it)) {
            insertAfter = it;
        }
    }
    lines_.insert(std::next(insertAfter), KeyLine(key, storedValue));
}

std::vector<std::optional<std::string>> IniText::FindAll(const std::vector<IniEntry>& keys) const {
    const auto sections = IndexSections(lines_);
    std::vector<std::optional<std::string>> values;
    values.reserve(keys.size());
    for (const IniEntry& wanted : keys) {
        std::optional<std::string> value;
        const auto section = sections.find(Folded(wanted.section));
        if (section != sections.end()) {
            const auto line = section->second.keys.find(Folded(wanted.key));
            if (line != section->second.keys.end()) {
                value = std::string(ValueAsRead(ClassifyLine(lines_[line->second]).value));
            }
        }
        values.push_back(std::move(value));
    }
    return values;
}

void IniText::SetAll(const std::vector<IniEntry>& entries) {
    Apply(entries, false);
}

std::vector<std::string> IniText::SetMissing(const std::vector<IniEntry>& entries) {
    return Apply(entries, true);
}

// Works out every edit on an index of the lines, then builds the new lines in one pass: keys
// present are replaced in place, new keys of a section go after its last content line in the
// order they came, new sections go at the end.
std::vector<std::string> IniText::Apply(const std::vector<IniEntry>& entries, bool keepPresent) {
    auto sections = IndexSections(lines_);
    struct Added {
        std::vector<std::string> lines;
        std::unordered_map<std::string, size_t> keys;  // folded key name -> index in lines
    };
    std::unordered_map<size_t, Added> addedAfter;  // last content line -> keys added there
    std::vector<std::pair<std::string, Added>> newSections;
    std::unordered_map<std::string, size_t> newSectionIndex;  // folded name -> index

    std::vector<std::string> answers;
    answers.reserve(entries.size());
    // Stores the line unless the key keeps its value; notes what the key then reads as.
    auto write = [&](std::string& target, const std::string& line) {
        if (!keepPresent || ReadValue(target).empty()) {
            target = line;
        }
        answers.emplace_back(ReadValue(target));
    };
    for (const IniEntry& entry : entries) {
        const std::string_view key = TrimBlanks(entry.key);
        const std::string line = KeyLine(key, entry.text);
        Added* added = nullptr;
        const std::string sectionName = Folded(entry.section);
        const auto section = sections.find(sectionName);
        if (section != sections.end()) {
            const auto present = section->second.keys.find(Folded(key));
            if (present != section->second.keys.end()) {
                write(lines_[present->second], line);
                continue;
            }
            added = &addedAfter[section->second.lastContent];
        } else {
            auto [it, inserted] = newSectionIndex.try_emplace(sectionName, newSections.size());
            if (inserted) {
                newSections.emplace_back(std::string(TrimBlanks(entry.section)), Added{});
            }
            added = &newSections[it->second].second;
        }
        auto [it, inserted] = added->keys.try_emplace(Folded(key), added->lines.size());
        if (inserted) {
            added->lines.emplace_back();
        }
        write(added->lines[it->second], line);
    }

    std::vector<std::string> lines;
    lines.reserve(lines_.size() + entries.size() + 2 * newSections.size());
    for (size_t i = 0; i < lines_.size(); ++i) {
        lines.push_back(std::move(lines_[i]));
        const auto added = addedAfter.find(i);
        if (added != addedAfter.end()) {
            lines.insert(lines.end(), added->second.lines.begin(), added->second.lines.end());
        }
    }
    for (auto& [name, added] : newSections) {
        lines.push_back("[" + name + "]");
        lines.insert(lines.end(), added.lines.begin(), added.lines.end());
    }
    lines_ = std::move(lines);
    return answers;
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
