#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ini/ini.h"

namespace chronoreel {

// The text of one INI file as lines, for lookups and edits that leave every other line as it
// was (comments, blank lines, lines before the first section, unknown keys).
//
// A line whose first non-blank character is "[" and that holds a "]" opens a section named by
// the text between them. A line holding "=" is a key line: the key is the text before the first
// "=", the value the text after it. Lines starting with ";" or "#" are comments. Names match in
// any ASCII letter case, blanks (spaces, tabs) around names and values do not count, and one
// pair of double quotes around a value is removed on reading. Only the first section of a name
// and the first key of a name in it are used.
class IniText {
  public:
    // Reads LF or CRLF text; a leading UTF-8 byte order mark is kept but not part of any line.
    static IniText Parse(std::string_view content);

    // The value as read, "" for a key present without a value, nothing when there is no key.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Stores storedValue (already in its stored form, see StoredValue) as the key's value:
    // in place of the key's line, else after the last line of its section, else in a new section
    // at the end.
    void Set(std::string_view section, std::string_view key, std::string_view storedValue);

    // Many keys at once, each in one pass over the lines instead of one pass per key (the
    // entries' text is not used): the answers Find gives for each.
    std::vector<std::optional<std::string>> FindAll(const std::vector<IniEntry>& keys) const;
    // Many values at once (text in stored form): the lines that Set gives for each in order.
    void SetAll(const std::vector<IniEntry>& entries);
    // Like SetAll, but an entry whose key already holds a non-empty value (also one set by an
    // earlier entry) is left out: the lines that writing each missing default in order gives.
    // Returns for each entry the value its key reads as right after its turn.
    std::vector<std::string> SetMissing(const std::vector<IniEntry>& entries);

    // Lines joined with LF, each ending in LF.
    std::string Render() const;

  private:
    std::vector<std::string> Apply(const std::vector<IniEntry>& entries, bool keepPresent);

    std::string byteOrderMark_;
    std::vector<std::string> lines_;
};

// Whether a name can be written and found again: a section name without "]" or line break; a
// key name not empty, without "=" or line break, and not starting like a comment or a section.
bool IsWritableSectionName(std::string_view section);
bool IsWritableKeyName(std::string_view key);

// The form of a value that reads back as the same text: line breaks become spaces (a value is
// one line; a break would start a line of its own, even a key or section), and a value that
// has blanks at either end or is itself enclosed in double quotes gets a pair of double quotes
// around it, which reading removes again.
std::string StoredValue(std::string_view text);

}  // namespace chronoreel
