// INI text as a hand-edited setup or task file may hold it, and the keys a program looks up and
// writes in it. Input: a choice byte, then a section name, a key name and a value each ended by
// a NUL byte, then the file's text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ini/ini.h"
#include "ini/ini_text.h"

using namespace chronoreel;
using chronoreel::fuzz::FuzzInput;

namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from)) {
        result.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    return result.append(text);
}

// What a value reads back as after it was written: one line, and in the scheduler's files every
// "&34" read as a double quote.
std::string ReadBack(std::string value, IniFlavour flavour) {
    for (char& c : value) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return flavour == IniFlavour::kScheduler ? ReplaceAll(value, "&34", "\"") : value;
}

void CheckText(std::string_view file, const std::string& section, const std::string& key,
               const std::string& value, const std::string& otherKey) {
    const IniText text = IniText::Parse(file);
    // The text as written reads as itself again.
    const std::string rendered = text.Render();
    FUZZ_CHECK(IniText::Parse(rendered).Render() == rendered);

    // One lookup and many lookups agree.
    const std::optional<std::string> found = text.Find(section, key);
    const auto all = text.FindAll({{section, key, {}}, {section, otherKey, {}}});
    FUZZ_CHECK(all.size() == 2 && all[0] == found && all[1] == text.Find(section, otherKey));

    if (!IsWritableSectionName(section) || !IsWritableKeyName(key) ||
        !IsWritableKeyName(otherKey)) {
        return;
    }
    // A value written reads back, and writing many keys at once ends as writing them in turn.
    const std::string stored = StoredValue(value);
    IniText one = IniText::Parse(file);
    one.Set(section, key, stored);
    FUZZ_CHECK(one.Find(section, key) == ReadBack(value, IniFlavour::kMovieMaker));
    one.Set(section, otherKey, "2");
    IniText many = IniText::Parse(file);
    many.SetAll({{section, key, stored}, {section, otherKey, "2"}});
    FUZZ_CHECK(many.Render() == one.Render());
    // Writing only the missing keys keeps every value present.
    IniText missing = IniText::Parse(file);
    const std::vector<std::string> kept = missing.SetMissing({{section, key, stored}});
    const std::string before = found.value_or("");
    FUZZ_CHECK(kept.size() == 1);
    FUZZ_CHECK(kept[0] == (before.empty() ? ReadBack(value, IniFlavour::kMovieMaker) : before));
}

// The same through the file: the value a program writes is the one it reads.
void CheckFile(std::string_view file, IniFlavour flavour, const std::string& section,
               const std::string& key, const std::string& value) {
    INI ini(flavour);
    ini.SetFile(fuzz::WriteScratchFile("file.ini", file));
    ini.SetKey(section, key, value);
    if (IsWritableSectionName(section) && IsWritableKeyName(key)) {
        FUZZ_CHECK(ini.GetKey(section, key, SetDefault::kNo, "") == ReadBack(value, flavour));
    }
    const std::string again = ini.GetKey(section, key, SetDefault::kYes, "default");
    if (IsWritableSectionName(section) && IsWritableKeyName(key)) {
        FUZZ_CHECK(again ==
                   (value.empty() ? ReadBack("default", flavour) : ReadBack(value, flavour)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t choice = input.Byte();
    const std::string section(input.Text());
    const std::string key(input.Text());
    const std::string value(input.Text());
    const std::string_view file = input.Rest();
    CheckText(file, section, key, value, key + "x");
    if (choice % 4 == 0) {
        CheckFile(file, choice % 8 == 0 ? IniFlavour::kMovieMaker : IniFlavour::kScheduler, section,
                  key, value);
    }
    return 0;
}
