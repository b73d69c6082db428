#include "movie_setup/setup_file.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "movie/settings_listing.h"
#include "support/scripted_prompter.h"
#include "support/setup_test_helpers.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::KeepsLinesInOrder;
using testing::KeyLine;
using testing::KeyLines;
using testing::LineIndex;
using testing::Lines;
using testing::ReadText;
using testing::WriteText;

const std::string kZeroLine(64, '0');

// The settings a setup file with no keys at all gives.
const std::vector<std::string> kFileDefaults = {
    "StillDirectory=images",
    "ImageFilter=*.jpg",
    "DeleteOldImages=False",
    "DeleteOldImagesHours=168",
    "MovieDirection=1",
    "TimeOption=0",
    "StartTimeOption=1",
    "StartTimeRelative=0",
    "StartTimeToday=0",
    "StartTimeYesterday=0",
    "StartTimeAbsolute=0",
    "StartTimeSunriseRelative=0",
    "StartTimeSunsetRelative=0",
    "StopTimeOption=0",
    "StopTimeRelative=0",
    "StopTimeToday=0",
    "StopTimeYesterday=0",
    "StopTimeAbsolute=0",
    "StopTimeSunriseRelative=0",
    "StopTimeSunsetRelative=0",
    "ImageIntervalOption=0",
    "ImagesPerHour=60",
    "DuplicateCount=2",
    "TimeStampOption=0",
    "OutputAVIPath=mymovie.avi",
    "MovieSizeOption=0",
    "MovieSizeWidth=320",
    "MovieSizeHeight=240",
    "MovieFPS=24",
    "PostGenerationShell=",
    "CompressType=0",
    "CompressFormat=1024",
    "CompressParms=1024",
    "CompressBytesPerSecond=0",
    "CompressFlags=0",
    "CompressInterleaveEvery=0",
    "CompressKeyFrameEvery=0",
    "CompressQuality=0",
    "CompressHandler=0",
    "FormatSize=1024",
    "ParmsSize=1024",
};

// The keys of a complete setup file, in the order they are written into a new file.
std::vector<std::string> ExpectedKeyOrder() {
    std::vector<std::string> keys;
    for (const char* key : {"DeleteOldImages",
                            "DeleteOldImagesHours",
                            "ImageFilter",
                            "ImageIntervalOption",
                            "ImagesPerHour",
                            "DuplicateCount",
                            "Direction",
                            "MovieFPS",
                            "MovieSizeHeight",
                            "MovieSizeOption",
                            "MovieSizeWidth",
                            "OutputAVIPath",
                            "PostGenerationShell",
                            "TimeOption",
                            "StartTimeAbsolute",
                            "StartTimeOption",
                            "StartTimeRelative",
                            "StartTimeToday",
                            "StartTimeSunriseRelative",
                            "StartTimeSunsetRelative",
                            "StartTimeYesterday",
                            "StillDirectory",
                            "StopTimeAbsolute",
                            "StopTimeOption",
                            "StopTimeRelative",
                            "StopTimeToday",
                            "StopTimeSunriseRelative",
                            "StopTimeSunsetRelative",
                            "StopTimeYesterday",
                            "TimeStampOption"}) {
        keys.push_back(testing::Lower(std::string("general/") + key));
    }
    for (const char* key : {"Type", "Format", "Parms", "BytesPerSecond", "Flags", "InterleaveEvery",
                            "KeyFrameEvery", "Quality", "Handler"}) {
        keys.push_back(testing::Lower(std::string("compress/") + key));
    }
    for (const char* prefix : {"formatdata", "parmsdata"}) {
        for (int i = 1; i <= 32; ++i) {
            char number[6];
            std::snprintf(number, sizeof number, "%05d", i);
            keys.push_back(std::string("compress/") + prefix + number);
        }
    }
    return keys;
}

std::vector<std::string> Names(const std::vector<KeyLine>& keys) {
    std::vector<std::string> names;
    for (const KeyLine& key : keys) {
        names.push_back(key.name);
    }
    return names;
}

std::string ValueOf(const std::vector<KeyLine>& keys, const std::string& name) {
    for (const KeyLine& key : keys) {
        if (key.name == name) {
            return key.value;
        }
    }
    return "<missing>";
}

bool Lists(const std::vector<std::string>& listing, const std::string& line) {
    return std::find(listing.begin(), listing.end(), line) != listing.end();
}

class SetupFileTest : public ::testing::Test {
  protected:
    std::string PathOf(const std::string& name) const { return (dir / name).string(); }

    void Load(const std::string& name, LoadMode mode = LoadMode::kWriteMissingKeys) {
        state.currentSetupFile = PathOf(name);
        LoadFile(session, mode);
    }

    testing::TempDir dir;
    ProgramState state;
    MovieGen gen{state.setupChanged};
    INI ini;
    testing::ScriptedPrompter prompter;
    testing::RecordingView view;
    SetupSession session{state, gen, ini, prompter, view};
};

TEST_F(SetupFileTest, LoadingAMissingFileCreatesACompleteDefaultSetup) {
    state.setupChanged.Set();
    Load("new.tls");

    EXPECT_EQ(SettingsListing(gen), kFileDefaults);
    const std::vector<KeyLine> keys = KeyLines(ReadText(dir / "new.tls"));
    EXPECT_EQ(Names(keys), ExpectedKeyOrder());
    EXPECT_EQ(ValueOf(keys, "general/stilldirectory"), "images");
    EXPECT_EQ(ValueOf(keys, "general/outputavipath"), "mymovie.avi");
    EXPECT_EQ(ValueOf(keys, "general/postgenerationshell"), "");
    EXPECT_EQ(ValueOf(keys, "compress/formatdata00032"), kZeroLine);
    EXPECT_EQ(ValueOf(keys, "compress/parmsdata00001"), kZeroLine);
    EXPECT_EQ(Lines(ReadText(dir / "new.tls")).front(), "[General]");

    EXPECT_EQ(gen.CompressFormatPointer(), gen.FormatPointer());
    EXPECT_EQ(gen.CompressParmsPointer(), gen.ParmsPointer());
    EXPECT_EQ(std::count(gen.FormatBuffer().begin(), gen.FormatBuffer().end(), 0), 1024);
    EXPECT_FALSE(state.setupChanged.IsSet());
    EXPECT_EQ(state.recentFiles[0], PathOf("new.tls"));
    EXPECT_EQ(view.enableSaveCalls, 1);
    EXPECT_EQ(view.refreshCalls, 1);
    ASSERT_EQ(view.recentLists.size(), 1u);
    EXPECT_EQ(view.recentLists[0], state.recentFiles);
    EXPECT_EQ(view.titles, std::vector<std::string>{"Chronoreel - " + PathOf("new.tls")});
}

// A file written by hand: other letter case, blanks, quotes, CRLF, comments, unknown and missing
// keys, values that are no numbers or out of range, and no Compress section.
const std::string kHandWritten =
    "; roof camera, edited by hand\r\n"
    "[general]\r\n"
    "stilldirectory = \"/cam/roof images/\"  \r\n"
    "IMAGEFILTER=*.JPG\r\n"
    "UnknownKey=keep me\r\n"
    "MovieFPS = 29.5\r\n"
    "DuplicateCount=7.5\r\n"
    "MovieSizeWidth=abc\r\n"
    "MovieSizeHeight=2000\r\n"
    "; a comment between keys\r\n"
    "Direction=-1\r\n"
    "DeleteOldImages=yes\r\n"
    "DeleteOldImagesHours=0.1\r\n"
    "ImageIntervalOption=3000000000\r\n"
    "StartTimeToday=1.5\r\n"
    "StopTimeSunsetRelative=-30\r\n"
    "PostGenerationShell=sh -c \"echo <outfile>\"\r\n"
    "\r\n"
    "[Other]\r\n"
    "Keep=this section too\r\n";

TEST_F(SetupFileTest, HandWrittenFileGivesTheRightSettings) {
    WriteText(dir / "hand.tls", kHandWritten);
    Load("hand.tls");
    const std::vector<std::string> listing = SettingsListing(gen);
    for (const char* line : {
             "StillDirectory=/cam/roof images/",
             "ImageFilter=*.JPG",
             "MovieFPS=30",
             "DuplicateCount=8",
             "MovieSizeWidth=1",
             "MovieSizeHeight=1200",
             "MovieDirection=-1",
             "DeleteOldImages=True",
             "DeleteOldImagesHours=0.100000001490116",
             "ImageIntervalOption=0",
             "StartTimeToday=0.999988425925926",
             "StopTimeSunsetRelative=-24",
             "PostGenerationShell=sh -c \"echo <outfile>\"",
             "StartTimeOption=1",
             "CompressFormat=1024",
             "CompressHandler=0",
         }) {
        EXPECT_TRUE(Lists(listing, line)) << line;
    }
}

TEST_F(SetupFileTest, LoadWritesOnlyMissingKeysAndKeepsEveryPresentLine) {
    WriteText(dir / "hand.tls", kHandWritten);
    Load("hand.tls");
    const std::vector<std::string> before = Lines(kHandWritten);
    const std::vector<std::string> after = Lines(ReadText(dir / "hand.tls"));
    std::vector<std::string> presentLines;
    for (const std::string& line : before) {
        if (!line.empty()) {
            presentLines.push_back(line);
        }
    }
    EXPECT_TRUE(KeepsLinesInOrder(presentLines, after)) << ReadText(dir / "hand.tls");

    // Missing General keys go to the end of the existing [general] section, before [Other];
    // the new Compress section goes to the end of the file.
    const int lastPresent = LineIndex(after, "PostGenerationShell=sh -c \"echo <outfile>\"");
    const int added = LineIndex(after, "StopTimeYesterday=0");
    const int other = LineIndex(after, "[Other]");
    const int compress = LineIndex(after, "[Compress]");
    EXPECT_LT(lastPresent, added);
    EXPECT_LT(added, other);
    EXPECT_LT(other, compress);
    EXPECT_EQ(std::count(after.begin(), after.end(), "[General]"), 0) << "no second section";
    EXPECT_EQ(LineIndex(after, "MovieFPS=24"), -1) << "present value not rewritten";

    // A second load has nothing left to write.
    const std::string complete = ReadText(dir / "hand.tls");
    Load("hand.tls");
    EXPECT_EQ(ReadText(dir / "hand.tls"), complete);
}

TEST_F(SetupFileTest, LoadWithoutWritingChangesNothingOnDisk) {
    WriteText(dir / "hand.tls", kHandWritten);
    Load("hand.tls", LoadMode::kWriteNothing);
    EXPECT_EQ(ReadText(dir / "hand.tls"), kHandWritten);
    const std::vector<std::string> readOnly = SettingsListing(gen);

    ProgramState otherState;
    MovieGen other(otherState.setupChanged);
    SetupSession otherSession{otherState, other, ini, prompter, view};
    WriteText(dir / "copy.tls", kHandWritten);
    otherState.currentSetupFile = PathOf("copy.tls");
    LoadFile(otherSession);
    EXPECT_EQ(SettingsListing(other), readOnly);

    Load("absent.tls", LoadMode::kWriteNothing);
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.tls"));
    EXPECT_EQ(SettingsListing(gen), kFileDefaults);
}

struct ValueCase {
    const char* fileText;
    const char* expected;  // settings listing line
};

TEST_F(SetupFileTest, ValuesConvertAsTheirKeysSay) {
    const std::vector<ValueCase> cases = {
        {"[General]\nMovieFPS=29.5\n", "MovieFPS=30"},
        {"[General]\nMovieFPS=28.5\n", "MovieFPS=28"},
        {"[General]\nMovieFPS=1000\n", "MovieFPS=60"},
        {"[General]\nMovieFPS=abc\n", "MovieFPS=1"},
        {"[General]\nMovieSizeHeight=479.5\n", "MovieSizeHeight=480"},
        {"[General]\nDuplicateCount=2.5\n", "DuplicateCount=2"},
        {"[General]\nDuplicateCount=3.5\n", "DuplicateCount=4"},
        {"[General]\nMovieSizeWidth=abc\n", "MovieSizeWidth=1"},
        {"[General]\nMovieSizeWidth=2000\n", "MovieSizeWidth=1600"},
        {"[General]\nImageIntervalOption=1.5\n", "ImageIntervalOption=1"},
        {"[General]\nDirection=2\n", "MovieDirection=1"},
        {"[General]\nDirection=-1\n", "MovieDirection=-1"},
        {"[General]\nDeleteOldImages=maybe\n", "DeleteOldImages=False"},
        {"[General]\nDeleteOldImages=True\n", "DeleteOldImages=True"},
        {"[General]\nImagesPerHour=0\n", "ImagesPerHour=1"},
        {"[General]\nImagesPerHour=0.5e2\n", "ImagesPerHour=50"},
        {"[General]\nStartTimeOption=\n", "StartTimeOption=1"},
        {"[General]\nStartTimeOption=0\n", "StartTimeOption=0"},
        {"[General]\nStartTimeAbsolute=38718.75\n", "StartTimeAbsolute=38718.75"},
        {"[General]\nStopTimeRelative=-2.25\n", "StopTimeRelative=-2.25"},
        {"[General]\nImageFilter=\"*.jpeg\"\n", "ImageFilter=*.jpeg"},
        {"[General]\nOutputAVIPath = /srv/www/Roof.avi \n", "OutputAVIPath=/srv/www/Roof.avi"},
        {"[Compress]\nHandler=541215044\n", "CompressHandler=541215044"},
        {"[Compress]\nType=1935960438\n", "CompressType=1935960438"},
        {"[Compress]\nQuality=-1\n", "CompressQuality=-1"},
        {"[Compress]\nQuality=abc\n", "CompressQuality=0"},
        {"[Compress]\nFlags=3000000000\n", "CompressFlags=0"},
        {"[Compress]\nFormat=40\n", "FormatSize=40"},
        {"[compress]\nparms=0\n", "ParmsSize=0"},
    };
    for (const ValueCase& c : cases) {
        WriteText(dir / "case.tls", c.fileText);
        Load("case.tls");
        EXPECT_TRUE(Lists(SettingsListing(gen), c.expected))
            << c.fileText << " should give " << c.expected;
    }
}

TEST_F(SetupFileTest, BlocksAreWrittenAsHexLinesAndReadBack) {
    gen.SetCompressFormat(40);
    gen.SetCompressParms(0);
    gen.SetFormatSize(40);
    for (std::int32_t i = 0; i < 40; ++i) {
        gen.SetFormatBytes(i, static_cast<std::uint8_t>(i * 7));
    }
    gen.SetFormatBytes(0, 10);
    gen.SetFormatBytes(1, 255);
    state.currentSetupFile = PathOf("blocks.tls");
    ASSERT_TRUE(SaveFile(session));

    const std::vector<KeyLine> keys = KeyLines(ReadText(dir / "blocks.tls"));
    const std::string line1 = ValueOf(keys, "compress/formatdata00001");
    const std::string line2 = ValueOf(keys, "compress/formatdata00002");
    ASSERT_EQ(line1.size(), 64u);
    EXPECT_EQ(line1.substr(0, 8), "0AFF0E15");                    // 10, 255, 14, 21
    EXPECT_EQ(line2, "E0E7EEF5FC030A11" + std::string(48, '0'));  // bytes 32..39 (times 7)
    EXPECT_EQ(ValueOf(keys, "compress/formatdata00003"), "<missing>");
    EXPECT_EQ(ValueOf(keys, "compress/parmsdata00001"), kZeroLine);
    EXPECT_EQ(ValueOf(keys, "compress/parmsdata00002"), "<missing>");

    ProgramState otherState;
    MovieGen other(otherState.setupChanged);
    SetupSession otherSession{otherState, other, ini, prompter, view};
    otherState.currentSetupFile = PathOf("blocks.tls");
    LoadFile(otherSession);
    for (std::int32_t i = 0; i < 40; ++i) {
        EXPECT_EQ(other.FormatBytes(i), gen.FormatBytes(i)) << i;
    }
}

TEST_F(SetupFileTest, HexLinesReadInAnyCaseAndOnlyAsFarAsTheBlockReaches) {
    WriteText(dir / "hex.tls",
              "[Compress]\nFormat=2\nParms=0\n"
              "FormatData00001=ff0A\n"            // only the block's 4 digits are needed
              "FormatData00002=not hex at all\n"  // beyond the block: never read
              "ParmsData00001=zz\n");             // a block of 0 bytes takes no byte
    Load("hex.tls");
    EXPECT_EQ(gen.FormatBytes(0), 255);
    EXPECT_EQ(gen.FormatBytes(1), 10);
    const std::vector<KeyLine> keys = KeyLines(ReadText(dir / "hex.tls"));
    EXPECT_EQ(ValueOf(keys, "compress/formatdata00002"), "not hex at all");
    EXPECT_EQ(ValueOf(keys, "compress/parmsdata00001"), "zz");
}

TEST_F(SetupFileTest, SaveKeepsUnknownKeysAndUpdatesPresentOnesInPlace) {
    WriteText(dir / "old.tls",
              "[General]\nUnknownKey=x\nMovieFPS=10\n[Other]\nA=1\n[Compress]\n"
              "Format=64\nFormatData00001=" +
                  std::string(64, '1') + "\nFormatData00002=" + std::string(64, '2') + "\n");
    Load("old.tls");
    gen.SetMovieFPS(30);
    gen.SetCompressFormat(32);
    ASSERT_TRUE(SaveFile(session));
    EXPECT_FALSE(state.setupChanged.IsSet());

    const std::vector<std::string> lines = Lines(ReadText(dir / "old.tls"));
    EXPECT_EQ(lines[1], "UnknownKey=x");
    EXPECT_EQ(lines[2], "MovieFPS=30");
    EXPECT_NE(LineIndex(lines, "A=1"), -1);
    const std::vector<KeyLine> keys = KeyLines(ReadText(dir / "old.tls"));
    EXPECT_EQ(ValueOf(keys, "compress/format"), "32");
    EXPECT_EQ(ValueOf(keys, "compress/formatdata00001"), std::string(64, '1'));
    // A line beyond the smaller block stays in the file.
    EXPECT_EQ(ValueOf(keys, "compress/formatdata00002"), std::string(64, '2'));
}

TEST_F(SetupFileTest, EverySettingSurvivesASaveAndALoad) {
    gen.SetStillDirectory("/cam/roof");
    gen.SetImageFilter("roof*.jpg");
    gen.SetDeleteOldImages(true);
    gen.SetDeleteOldImagesHours(0.1);
    gen.SetMovieDirection(-1);
    gen.SetTimeOption(1);
    gen.SetStartTimeOption(4);
    gen.SetStartTimeRelative(1.5);
    gen.SetStartTimeToday(0.25);
    gen.SetStartTimeYesterday(0.3);
    gen.SetStartTimeAbsolute(38718.75);
    gen.SetStartTimeSunriseRelative(-0.5);
    gen.SetStartTimeSunsetRelative(0.75);
    gen.SetStopTimeOption(5);
    gen.SetStopTimeRelative(2.5);
    gen.SetStopTimeToday(0.6);
    gen.SetStopTimeYesterday(0.7);
    gen.SetStopTimeAbsolute(38719.125);
    gen.SetStopTimeSunriseRelative(1.25);
    gen.SetStopTimeSunsetRelative(-1.75);
    gen.SetImageIntervalOption(1);
    gen.SetImagesPerHour(12.5);
    gen.SetDuplicateCount(9);
    gen.SetTimeStampOption(1);
    gen.SetOutputAVIPath("/srv/www/roof.avi");
    gen.SetMovieSizeOption(1);
    gen.SetMovieSizeWidth(640);
    gen.SetMovieSizeHeight(481);
    gen.SetMovieFPS(15);
    gen.SetPostGenerationShell("upload <outfile>");
    gen.SetCompressType(1935960438);
    gen.SetCompressFormat(3);
    gen.SetCompressParms(33);
    gen.SetCompressBytesPerSecond(250000);
    gen.SetCompressFlags(6);
    gen.SetCompressInterleaveEvery(1);
    gen.SetCompressKeyFrameEvery(25);
    gen.SetCompressQuality(7500);
    gen.SetCompressHandler(1196444237);
    gen.SetParmsSize(33);
    gen.SetParmsBytes(32, 0x5A);
    state.currentSetupFile = PathOf("all.tls");
    ASSERT_TRUE(SaveFile(session));

    ProgramState otherState;
    MovieGen other(otherState.setupChanged);
    SetupSession otherSession{otherState, other, ini, prompter, view};
    otherState.currentSetupFile = PathOf("all.tls");
    LoadFile(otherSession);
    EXPECT_EQ(SettingsListing(other), SettingsListing(gen));
    EXPECT_EQ(other.ParmsBytes(32), 0x5A);
}

TEST_F(SetupFileTest, SaveWithoutAFileAsksForOne) {
    struct Case {
        std::optional<std::string> answer;
        bool saved;
        bool noFileMessage;
    };
    const std::vector<Case> cases = {
        {std::nullopt, false, false},
        {"", false, true},
        {PathOf("roof"), true, false},
    };
    for (const Case& c : cases) {
        state.currentSetupFile.clear();
        prompter.messages.clear();
        prompter.dialogs.clear();
        prompter.dialogAnswers = {c.answer};
        state.setupChanged.Set();
        EXPECT_EQ(SaveFile(session), c.saved);
        ASSERT_EQ(prompter.dialogs.size(), 1u);
        const FileDialogRequest& request = prompter.dialogs[0];
        EXPECT_EQ(request.style, FileDialogStyle::kOpen);
        EXPECT_EQ(request.title, "Save Setup File");
        EXPECT_EQ(request.filter, "Time-Lapse Setup Files (*.tls)|*.tls");
        EXPECT_EQ(request.fileName, "");
        EXPECT_EQ(request.startFolder, std::filesystem::current_path().string());
        EXPECT_EQ(prompter.messages.size(), c.noFileMessage ? 1u : 0u);
        if (c.noFileMessage) {
            EXPECT_EQ(prompter.messages[0].text, "No file was selected.  Aborting process.");
            EXPECT_EQ(prompter.messages[0].title, "No file selected");
            EXPECT_EQ(prompter.messages[0].buttons, MessageButtons::kOk);
        }
        EXPECT_EQ(state.setupChanged.IsSet(), !c.saved);
        if (!c.saved) {
            EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
        }
    }
    EXPECT_EQ(state.currentSetupFile, PathOf("roof.tls"));
    EXPECT_TRUE(std::filesystem::exists(dir / "roof.tls"));
    EXPECT_EQ(state.recentFiles[0], PathOf("roof.tls"));
    EXPECT_EQ(view.titles.back(), "Chronoreel - " + PathOf("roof.tls"));
}

// How often a file is opened while work runs, as inotify sees it.
int CountOpens(const std::filesystem::path& file, const std::function<void()>& work) {
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(watcher, 0);
    // Closes are watched too: identical events in a row would be merged into one.
    EXPECT_GE(inotify_add_watch(watcher, file.c_str(), IN_OPEN | IN_CLOSE), 0);
    work();
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = read(watcher, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            opens += (event->mask & IN_OPEN) != 0 ? 1 : 0;
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watcher);
    return opens;
}

TEST_F(SetupFileTest, LoadingReadsTheFileOnceForTheKeysAndOnceForTheBlocks) {
    // 64 KiB blocks hold 4096 hex lines: read once per key, the file would be read thousands
    // of times, each time whole.
    std::string text = "[General]\nMovieFPS=12\n[Compress]\nFormat=65536\nParms=65536\n";
    for (const char* prefix : {"FormatData", "ParmsData"}) {
        for (int line = 1; line <= 2048; ++line) {
            char key[32];
            std::snprintf(key, sizeof key, "%s%05d=", prefix, line);
            text += key + std::string(64, line % 2 == 0 ? 'A' : '0') + "\n";
        }
    }
    WriteText(dir / "large.tls", text);
    const int opens =
        CountOpens(dir / "large.tls", [&] { Load("large.tls", LoadMode::kWriteNothing); });
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(gen.MovieFPS(), 12);
    EXPECT_EQ(gen.CompressFormat(), 65536);
    EXPECT_EQ(gen.FormatBytes(0), 0x00);
    EXPECT_EQ(gen.FormatBytes(32), 0xAA);
    EXPECT_EQ(gen.ParmsBytes(65535), 0xAA);
}

TEST_F(SetupFileTest, ASaveThatCannotBeWrittenIsToldAndTheSetupStaysUnsaved) {
    WriteText(dir / "roof.tls", "[General]\nMovieFPS=10\n");
    std::filesystem::permissions(dir / "roof.tls", std::filesystem::perms::owner_read);
    Load("roof.tls");
    gen.SetMovieFPS(12);
    prompter.messages.clear();
    EXPECT_FALSE(SaveFile(session));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "The setup file could not be saved:\nthe file \"" +
                                             PathOf("roof.tls") + "\" is read-only");
    EXPECT_EQ(prompter.messages[0].title, "Save Setup File");
    EXPECT_TRUE(state.setupChanged.IsSet());
    EXPECT_EQ(ReadText(dir / "roof.tls"), "[General]\nMovieFPS=10\n");
}

TEST_F(SetupFileTest, AnUnattendedLoadLeavesTheWindowAloneButMovesTheFileToTheFront) {
    state.automation = true;
    state.recentFiles = {"a.tls", "b.tls", "", ""};
    Load("auto.tls");
    EXPECT_EQ(state.recentFiles, (RecentFiles{PathOf("auto.tls"), "a.tls", "b.tls", ""}));
    EXPECT_EQ(view.enableSaveCalls, 0);
    EXPECT_EQ(view.refreshCalls, 0);
    EXPECT_TRUE(view.recentLists.empty());
    EXPECT_TRUE(view.titles.empty());
}

struct BadFileCase {
    const char* name;
    std::string text;
};

using SetupFileDeathTest = SetupFileTest;

TEST_F(SetupFileDeathTest, DamagedValuesEndTheLoadWithTheReport) {
    const std::vector<BadFileCase> cases = {
        {"non-hex digit", "[Compress]\nFormat=2\nFormatData00001=0G00\n"},
        {"hex line too short", "[Compress]\nFormat=2\nFormatData00001=000\n"},
        {"parameter line too short", "[Compress]\nParms=33\nParmsData00002=0\n"},
        {"DuplicateCount beyond 32 bits", "[General]\nDuplicateCount=3000000000\n"},
        {"MovieFPS beyond 32 bits", "[General]\nMovieFPS=-2147483649\n"},
        {"MovieSizeHeight beyond 32 bits", "[General]\nMovieSizeHeight=1e20\n"},
    };
    for (const BadFileCase& c : cases) {
        WriteText(dir / "bad.tls", c.text);
        EXPECT_EXIT(Load("bad.tls"), ::testing::ExitedWithCode(70),
                    "Module: modFile\nProcedure: LoadFile\n")
            << c.name;
    }
    // The defaults read before the error stay written, as key-by-key writing would leave them.
    WriteText(dir / "bad.tls", cases[0].text);
    EXPECT_EXIT(Load("bad.tls"), ::testing::ExitedWithCode(70), "LoadFile");
    const std::vector<KeyLine> keys = KeyLines(ReadText(dir / "bad.tls"));
    EXPECT_EQ(ValueOf(keys, "general/timestampoption"), "0");
    EXPECT_EQ(ValueOf(keys, "compress/handler"), "0");
    EXPECT_EQ(ValueOf(keys, "compress/formatdata00001"), "0G00");
}

}  // namespace
}  // namespace chronoreel
