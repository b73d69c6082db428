#include "ini/ini.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;
namespace fs = std::filesystem;

class IniTest : public ::testing::Test {
  protected:
    std::string File(const std::string& name = "settings.ini") const { return dir_ / name; }

    INI Bound(IniFlavour flavour = IniFlavour::kMovieMaker) const {
        INI ini(flavour);
        ini.SetFile(File());
        return ini;
    }

    std::set<std::string> FolderNames() const {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir_.Path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempDir dir_;
};

TEST_F(IniTest, ReadsValuesByTheProfileRules) {
    struct Case {
        const char* content;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"[General]\nFPS=25\n", "General", "FPS", "25"},
        {"[GENERAL]\nfps=25\n", "general", "Fps", "25"},
        {"  [ General ]  \n \t FPS \t=\t 25 \t\n", "General", "FPS", "25"},
        {"[General]\r\nFPS=25\r\nSize=640\r\n", "General", "Size", "640"},
        {"[General]\rFPS=25\rSize=640\r", "General", "Size", "640"},
        {"[Other]\rSize=1\r\n[General]\n\rSize=640", "General", "Size", "640"},
        {"[General]\nOut=\"abc\"\n", "General", "Out", "abc"},
        {"[General]\nOut= \" a b \" \n", "General", "Out", " a b "},
        {"[General]\nOut=\"\"abc\"\"\n", "General", "Out", "\"abc\""},
        {"[General]\nOut=\"abc\n", "General", "Out", "\"abc"},
        {"[General]\nOut=abc\"\n", "General", "Out", "abc\""},
        {"[General]\nCmd=a=b c\n", "General", "Cmd", "a=b c"},
        {"[General]\nDir=/home/zoë/Bilder/日本\n", "General", "Dir", "/home/zoë/Bilder/日本"},
        {"\xEF\xBB\xBF[General]\nFPS=25\n", "General", "FPS", "25"},
        {"[General]\nFPS=25", "General", "FPS", "25"},
        // First section and first key of a name win.
        {"[A]\nk=1\nk=2\n[a]\nk=3\n", "A", "k", "1"},
        {"[A]\nx=1\n[a]\nk=3\n", "A", "k", ""},
        // Nothing outside the asked section, before the first section, or in comments.
        {"k=0\n[A]\nx=1\n", "A", "k", ""},
        {"[B]\nk=1\n[A]\n", "A", "k", ""},
        {"[A]\n;k=1\n#k=2\n k\n", "A", "k", ""},
        {"[A]\n; k=1\nk=2\n", "A", "k", "2"},
        {"[A]\nk=\n", "A", "k", ""},
        {"[A]\nk=\"\"\n", "A", "k", ""},
        {"[A\nk=1\n", "A", "k", ""},
    };
    for (const Case& c : cases) {
        WriteText(File(), c.content);
        EXPECT_EQ(Bound().GetKey(c.section, c.key, SetDefault::kNo, "dflt"), c.expected)
            << c.content;
        EXPECT_EQ(ReadText(File()), c.content) << "reading changed the file";
    }
}

TEST_F(IniTest, WritesInPlaceOrAppendsAndKeepsEveryOtherLine) {
    struct Case {
        const char* before;
        const char* section;
        const char* key;
        const char* text;
        const char* after;
    };
    const Case cases[] = {
        {"", "General", "FPS", "25", "[General]\nFPS=25\n"},
        {"; header\nloose=1\n\n[General]\n# fps below\n  fps = 10 \nSize=640\nUnknown=x\n",
         "GENERAL", "FPS", "25",
         "; header\nloose=1\n\n[General]\n# fps below\nFPS=25\nSize=640\nUnknown=x\n"},
        {"[General]\nFPS=25\n\n; about Compress\n[Compress]\nQ=1\n", "general", "Size", "640",
         "[General]\nFPS=25\nSize=640\n\n; about Compress\n[Compress]\nQ=1\n"},
        {"[General]\n\n[Compress]\n", "General", "FPS", "25", "[General]\nFPS=25\n\n[Compress]\n"},
        {"[General]\nFPS=25", "Compress", "Q", "1", "[General]\nFPS=25\n[Compress]\nQ=1\n"},
        {"[General]\r\nFPS=25\r\nSize=640\r\n", "General", "FPS", "30",
         "[General]\nFPS=30\nSize=640\n"},
        {"[General]\rFPS=25\r\rSize=640\r", "General", "FPS", "30",
         "[General]\nFPS=30\n\nSize=640\n"},
        {"[A]\nk=1\n[a]\nk=2\n", "a", "K", "9", "[A]\nK=9\n[a]\nk=2\n"},
        {"k=0\n[A]\nx=1\n", "A", "k", "5", "k=0\n[A]\nx=1\nk=5\n"},
        {"\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "2", "\xEF\xBB\xBF[A]\nk=2\n"},
    };
    for (const Case& c : cases) {
        fs::remove(File());
        if (*c.before != '\0') {
            WriteText(File(), c.before);
        }
        Bound().SetKey(c.section, c.key, c.text);
        EXPECT_EQ(ReadText(File()), c.after) << c.before;
    }
}

TEST_F(IniTest, ValuesReadBackAsWritten) {
    const std::string values[] = {
        "25",
        "",
        "/home/zoë/Bilder/日本 — 夜",
        " leading and trailing blanks\t",
        "\"/usr/bin/my tool\" \"<outpath>\"",
        "\"",
        "say \"hi\" and &amp;",
        std::string(3000, 'x') + "end",
    };
    for (const IniFlavour flavour : {IniFlavour::kMovieMaker, IniFlavour::kScheduler}) {
        for (const std::string& value : values) {
            INI ini = Bound(flavour);
            ini.SetKey("General", "Value", value);
            ini.SetKey("General", "Next", "after");
            EXPECT_EQ(ini.GetKey("General", "Value", SetDefault::kNo, ""), value);
            EXPECT_EQ(ini.GetKey("General", "Next", SetDefault::kNo, ""), "after");
        }
    }
}

TEST_F(IniTest, LineBreaksInAValueCannotAddKeysOrSections) {
    INI ini = Bound();
    ini.SetKey("General", "Cmd", "run\n[Evil]\nFPS=1\r\nx");
    EXPECT_EQ(ini.GetKey("General", "Cmd", SetDefault::kNo, ""), "run [Evil] FPS=1  x");
    EXPECT_EQ(ini.GetKey("Evil", "FPS", SetDefault::kNo, ""), "");
    EXPECT_EQ(ReadText(File()), "[General]\nCmd=run [Evil] FPS=1  x\n");
}

TEST_F(IniTest, NamesThatCannotBeReadBackAreNotWritten) {
    WriteText(File(), "[A]\nk=1\n");
    INI ini = Bound();
    ini.SetKey("A", "k=2", "x");
    ini.SetKey("A", "k\nj", "x");
    ini.SetKey("A", ";k", "x");
    ini.SetKey("A", "", "x");
    ini.SetKey("A]", "k", "x");
    ini.SetKey("A\n[B", "k", "x");
    EXPECT_EQ(ini.GetKey("A", "k=2", SetDefault::kYes, "d"), "d");
    EXPECT_EQ(ReadText(File()), "[A]\nk=1\n");
}

TEST_F(IniTest, SchedulerKeepsDoubleQuotesAsCode) {
    INI ini = Bound(IniFlavour::kScheduler);
    ini.SetKey("Task001", "Post", "a \"b\" c");
    EXPECT_EQ(ReadText(File()), "[Task001]\nPost=a &34b&34 c\n");
    EXPECT_EQ(ini.GetKey("Task001", "Post", SetDefault::kNo, ""), "a \"b\" c");

    WriteText(File(), "[Task001]\nPost=x&34y&&344\n");
    EXPECT_EQ(ini.GetKey("Task001", "Post", SetDefault::kNo, ""), "x\"y&\"4");
    // The movie maker takes the same text as it stands.
    EXPECT_EQ(Bound().GetKey("Task001", "Post", SetDefault::kNo, ""), "x&34y&&344");
}

TEST_F(IniTest, MissingOrEmptyKeyGivesTheDefaultOnlyWhenAsked) {
    struct Case {
        const char* before;  // nullptr: no file
        SetDefault setDefault;
        const char* expected;
        const char* after;  // nullptr: no file
    };
    const Case cases[] = {
        {nullptr, SetDefault::kNo, "", nullptr},
        {nullptr, SetDefault::kYes, "25", "[General]\nFPS=25\n"},
        {"[General]\nSize=640\n", SetDefault::kNo, "", "[General]\nSize=640\n"},
        {"[General]\nSize=640\n", SetDefault::kYes, "25", "[General]\nSize=640\nFPS=25\n"},
        {"[General]\nFPS=\nSize=640\n", SetDefault::kNo, "", "[General]\nFPS=\nSize=640\n"},
        {"[General]\nFPS=\nSize=640\n", SetDefault::kYes, "25", "[General]\nFPS=25\nSize=640\n"},
        {"[General]\nFPS=30\n", SetDefault::kYes, "30", "[General]\nFPS=30\n"},
    };
    for (const Case& c : cases) {
        fs::remove(File());
        if (c.before != nullptr) {
            WriteText(File(), c.before);
        }
        EXPECT_EQ(Bound().GetKey("General", "FPS", c.setDefault, "25"), c.expected);
        EXPECT_EQ(fs::exists(File()), c.after != nullptr);
        if (c.after != nullptr) {
            EXPECT_EQ(ReadText(File()), c.after);
        }
    }
}

TEST_F(IniTest, SchedulerDefaultReadsLikeItsStoredForm) {
    INI ini = Bound(IniFlavour::kScheduler);
    EXPECT_EQ(ini.GetKey("S", "k", SetDefault::kYes, "a\"b&34c"), "a\"b\"c");
    EXPECT_EQ(ini.GetKey("S", "k", SetDefault::kNo, ""), "a\"b\"c");
}

TEST_F(IniTest, FailedWritesChangeNothingAndSayWhy) {
    const std::string inMissingFolder = dir_ / "no-such-folder/settings.ini";
    INI missing;
    missing.SetFile(inMissingFolder);
    EXPECT_FALSE(missing.SetKey("General", "FPS", "25"));
    EXPECT_EQ(missing.GetKey("General", "FPS", SetDefault::kYes, "30"), "30");
    EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
    // The first failure is kept until it is taken.
    EXPECT_EQ(missing.TakeWriteError(), "cannot create a file in \"" +
                                            (dir_ / "no-such-folder").string() +
                                            "\": No such file or directory");
    EXPECT_EQ(missing.TakeWriteError(), std::nullopt);

    WriteText(File(), "[General]\nFPS=25\n");
    fs::permissions(File(), fs::perms::owner_read | fs::perms::group_read);
    INI readOnly = Bound();
    EXPECT_FALSE(readOnly.SetKey("General", "FPS", "30"));
    EXPECT_FALSE(readOnly.SetKeys({{"General", "Size", "640"}}));
    EXPECT_EQ(readOnly.GetKey("General", "Size", SetDefault::kYes, "320"), "320");
    EXPECT_EQ(ReadText(File()), "[General]\nFPS=25\n");
    EXPECT_EQ(readOnly.TakeWriteError(), "the file \"" + File() + "\" is read-only");
    // Reading and writing nothing new fail nothing.
    EXPECT_EQ(readOnly.GetKey("General", "FPS", SetDefault::kYes, "30"), "25");
    EXPECT_TRUE(readOnly.SetKeys({{"General", "FPS", "25"}}));
    EXPECT_EQ(readOnly.TakeWriteError(), std::nullopt);

    INI unbound;
    EXPECT_FALSE(unbound.SetKey("General", "FPS", "25"));
    EXPECT_EQ(unbound.GetKey("General", "FPS", SetDefault::kNo, "30"), "");
    EXPECT_EQ(unbound.GetKey("General", "FPS", SetDefault::kYes, "30"), "30");
    unbound.SetFile("");
    unbound.SetKey("General", "FPS", "25");
    EXPECT_EQ(unbound.TakeWriteError(), "no file named");

    EXPECT_EQ(FolderNames(), std::set<std::string>{"settings.ini"});
}

TEST_F(IniTest, ReplacementKeepsPermissionsAndSymbolicLinks) {
    WriteText(File("real.ini"), "[General]\nFPS=25\n");
    fs::permissions(File("real.ini"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.ini", File());
    Bound().SetKey("General", "FPS", "30");

    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(ReadText(File("real.ini")), "[General]\nFPS=30\n");
    EXPECT_EQ(fs::status(File("real.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FolderNames(), (std::set<std::string>{"real.ini", "settings.ini"}));
}

TEST_F(IniTest, ManyKeysInOneWriteEndAsIfWrittenOneByOne) {
    const std::string start = "; kept\n[General]\nFPS=10\n\n[Compress]\nQ=1\n";
    const std::vector<IniEntry> entries = {
        {"General", "FPS", "25"},         {"general", "Size", "640"}, {"Compress", "Q", " 2 "},
        {"Location", "Latitude", "52.5"}, {"General", "fps", "30"},   {"Location", "Lon", "13.4"},
    };
    WriteText(File("one-by-one.ini"), start);
    INI single;
    single.SetFile(File("one-by-one.ini"));
    for (const IniEntry& entry : entries) {
        single.SetKey(entry.section, entry.key, entry.text);
    }
    WriteText(File(), start);
    Bound().SetKeys(entries);
    EXPECT_EQ(ReadText(File()), ReadText(File("one-by-one.ini")));
}

// Two processes write 200 different keys each into one file at the same moment; a writer that
// read the file before the other's replacement and wrote after it would lose keys.
TEST_F(IniTest, ConcurrentWritersLoseNoKey) {
    constexpr int kKeysPerWriter = 200;
    // Appended: g++ 12 at -O3 warns falsely about the concatenation of two strings.
    const auto keyName = [](char writer, int n) {
        std::string name(1, writer);
        name += std::to_string(n);
        return name;
    };
    int startPipe[2];
    ASSERT_EQ(pipe(startPipe), 0);
    std::vector<pid_t> children;
    for (const char writer : {'a', 'b'}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(startPipe[1]);
            char go;
            const bool started = read(startPipe[0], &go, 1) == 0;
            INI ini = Bound();
            for (int n = 0; n < kKeysPerWriter; ++n) {
                ini.SetKey("Tasks", keyName(writer, n), "value " + keyName(writer, n));
            }
            _exit(started ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(startPipe[0]);
    close(startPipe[1]);  // both writers start now
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    INI ini = Bound();
    std::vector<std::string> lost;
    for (const char writer : {'a', 'b'}) {
        for (int n = 0; n < kKeysPerWriter; ++n) {
            if (ini.GetKey("Tasks", keyName(writer, n), SetDefault::kNo, "") !=
                "value " + keyName(writer, n)) {
                lost.push_back(keyName(writer, n));
            }
        }
    }
    EXPECT_EQ(lost, std::vector<std::string>{});
    const std::string content = ReadText(File());
    EXPECT_EQ(content.find("[Tasks]\n"), 0u);
    EXPECT_EQ(content.find("[Tasks]", 1), std::string::npos);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 2 * kKeysPerWriter + 1);
    EXPECT_EQ(FolderNames(), std::set<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace chronoreel
