#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ini/ini.h"
#include "ini/ini_text.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

// Files that exercise the lookup rules: letter case, duplicate sections and keys, empty and
// quoted values, comments and blank lines at a section's end, keys before the first section.
const char* const kStarts[] = {
    "",
    "; head\nlone=1\n[General]\nA=1\n\n; tail\n[Other]\nb=\n[general]\nC=3\n",
    "[G]\nA=\"\"\nB= \" x \" \nA=2\n[H]\n\n",
    "\xEF\xBB\xBF[g]\r\na=1\r\n[]\r\nq=0\r\n",
};

const std::vector<IniEntry> kEntries = {
    {"General", "A", "10"}, {"general", "c", "30"}, {"Other", "B", "20"}, {"New", "x", "1"},
    {"G", "a", "5"},        {"G", "B", ""},         {"h", "k", "v"},      {"New", "Y", " 2 "},
    {"general", "D", "4"},  {"new", "X", "3"},      {"g", "Q", "\"q\""},  {"", "q", "7"},
    {"G", "q", "8"},        {"General", "d", "44"}, {"Third", "z", ""},   {"third", "Z", "9"},
};

TEST(IniBatchTest, ManyKeysReadAndWriteAsOneByOne) {
    TempDir dir;
    const std::string single = dir / "single.ini";
    const std::string batch = dir / "batch.ini";
    for (const char* start : kStarts) {
        for (const SetDefault setDefault : {SetDefault::kNo, SetDefault::kYes}) {
            SCOPED_TRACE(std::string(start) + (setDefault == SetDefault::kYes ? " kYes" : " kNo"));
            for (const auto& file : {single, batch}) {
                std::filesystem::remove(file);
                if (*start != '\0') {
                    WriteText(file, start);
                }
            }
            INI one(IniFlavour::kScheduler);
            one.SetFile(single);
            std::vector<std::string> expected;
            for (const IniEntry& entry : kEntries) {
                expected.push_back(one.GetKey(entry.section, entry.key, setDefault, entry.text));
            }
            INI many(IniFlavour::kScheduler);
            many.SetFile(batch);
            EXPECT_EQ(many.GetKeys(kEntries, setDefault), expected);
            EXPECT_EQ(ReadText(batch), ReadText(single));
            EXPECT_EQ(std::filesystem::exists(batch), std::filesystem::exists(single));
        }
    }
}

TEST(IniBatchTest, SetAllAndFindAllMatchSetAndFind) {
    for (const char* start : kStarts) {
        SCOPED_TRACE(start);
        IniText oneByOne = IniText::Parse(start);
        std::vector<std::optional<std::string>> found;
        for (const IniEntry& entry : kEntries) {
            found.push_back(oneByOne.Find(entry.section, entry.key));
        }
        EXPECT_EQ(IniText::Parse(start).FindAll(kEntries), found);

        for (const IniEntry& entry : kEntries) {
            oneByOne.Set(entry.section, entry.key, entry.text);
        }
        IniText all = IniText::Parse(start);
        all.SetAll(kEntries);
        EXPECT_EQ(all.Render(), oneByOne.Render());
    }
}

}  // namespace
}  // namespace chronoreel
