// The movie maker as a program: its command line, dry runs and unattended runs, each run in a
// fresh folder as its current directory and without a display.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "programs/program_run.h"
#include "support/setup_test_helpers.h"
#include "support/temp_dir.h"

namespace chronoreel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Every file below folder with its bytes and its modification time.
struct FileState {
    std::string bytes;
    fs::file_time_type modified;
    bool operator==(const FileState&) const = default;
};
std::map<std::string, FileState> Snapshot(const fs::path& folder) {
    std::map<std::string, FileState> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = {ReadText(entry.path()),
                                                                  entry.last_write_time()};
        }
    }
    return files;
}

// The "Name=value" lines of a dry run (frame lines left out), by name.
std::map<std::string, std::string> Listing(const std::string& out) {
    std::map<std::string, std::string> values;
    for (const std::string& line : Lines(out)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && line.substr(0, equals) != "frame") {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

void ExpectListingHolds(const std::string& out,
                        const std::map<std::string, std::string>& expected) {
    const std::map<std::string, std::string> listed = Listing(out);
    for (const auto& [name, value] : expected) {
        const auto found = listed.find(name);
        ASSERT_NE(found, listed.end()) << name << " missing from\n" << out;
        EXPECT_EQ(found->second, value) << name;
    }
}

std::string WithCrLf(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

// A hand-written setup: CRLF line ends, comments, names in other letter cases, blanks around
// "=", quoted values, unknown keys, values out of range or not numbers, missing keys and no
// "Compress" section. Its images come from the empty folder "empty".
const std::string kOddSetup = WithCrLf(
    "; Roof camera, written by hand\n"
    "\n"
    "[general]\n"
    "  stilldirectory = \"empty\" \n"
    "IMAGEFILTER=*.JPG\n"
    "MovieFPS = 29.5\n"
    "DuplicateCount = abc\n"
    "ImagesPerHour = 99999\n"
    "MovieSizeWidth = -5\n"
    "Direction = 7\n"
    "StartTimeOption=9\n"
    "timeoption = \"1\"\n"
    "CameraName = Roof; kept as it is\n"
    "DeleteOldImages = yes\n"
    "DeleteOldImagesHours = 0.1\n"
    "; the stop settings are left out\n");

// What the odd setup means, missing keys at their defaults.
const std::map<std::string, std::string> kOddSetupSettings = {
    {"StillDirectory", "empty"},
    {"ImageFilter", "*.JPG"},
    {"MovieFPS", "30"},
    {"DuplicateCount", "1"},
    {"ImagesPerHour", "36000"},
    {"MovieSizeWidth", "1"},
    {"MovieDirection", "1"},
    {"StartTimeOption", "6"},
    {"TimeOption", "1"},
    {"DeleteOldImages", "True"},
    {"DeleteOldImagesHours", "0.100000001490116"},
    {"StopTimeOption", "0"},
    {"StopTimeAbsolute", "0"},
    {"OutputAVIPath", "mymovie.avi"},
    {"MovieSizeHeight", "240"},
    {"PostGenerationShell", ""},
    {"ImageIntervalOption", "0"},
    {"TimeStampOption", "0"},
    {"CompressHandler", "0"},
    {"CompressQuality", "0"},
    {"CompressFormat", "1024"},
    {"FormatSize", "1024"},
};

class MovieMakerProgramTest : public ::testing::Test {
  protected:
    MovieMakerProgramTest() { fs::create_directory(folder_ / "empty"); }

    ProgramRun Run(const std::vector<std::string>& arguments) {
        return RunChronoreel(folder_.Path(), arguments);
    }

    TempDir folder_;
};

TEST_F(MovieMakerProgramTest, HelpListsEverySwitchAndTheExitCodes) {
    const ProgramRun run = Run({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* text :
         {"/f=", "/a", "/i", "/n=", "/s=", "/e=", "/ip=", "/if=", "/op=", "/pgs=", "--dry-run",
          "--help", "--version", "\n  0 ", "\n  3 ", "\n  4 ", "\n  5 ", "\n  64 ", "\n  70 "}) {
        EXPECT_THAT(run.out, HasSubstr(text));
    }
    EXPECT_THAT(run.err, IsEmpty());
    EXPECT_THAT(Snapshot(folder_.Path()), IsEmpty());
}

TEST_F(MovieMakerProgramTest, VersionIsPrintedAlone) {
    const ProgramRun run = Run({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "chronoreel 1.0.14\n");
    EXPECT_THAT(Snapshot(folder_.Path()), IsEmpty());
}

TEST_F(MovieMakerProgramTest, UnreadableCommandLinesEndWith64AndWriteNothing) {
    WriteText(folder_ / "day.tls", kOddSetup);
    const auto before = Snapshot(folder_.Path());
    const std::vector<std::vector<std::string>> commandLines = {
        {"--bogus"},
        {"/f=day.tls", "/a", "--auto=yes"},
        {"--version=2"},
        {"--dry-run"},
        {"/f=missing.tls", "--dry-run"},
        {"/f=day.tls", "/a", "--instance=99999999999"},
    };
    for (const auto& commandLine : commandLines) {
        SCOPED_TRACE(commandLine.front());
        const ProgramRun run = Run(commandLine);
        EXPECT_EQ(run.exitCode, 64);
        EXPECT_THAT(run.err, ::testing::StartsWith("chronoreel: "));
        EXPECT_THAT(run.out, IsEmpty());
        EXPECT_EQ(Snapshot(folder_.Path()), before);
    }
}

TEST_F(MovieMakerProgramTest, StartsWithoutAnUnattendedRunNeedADisplayAndEndWith64WithoutOne) {
    WriteText(folder_ / "day.tls", kOddSetup);
    const auto before = Snapshot(folder_.Path());
    const struct {
        std::vector<std::string> commandLine;
        const char* alsoSays;
    } cases[] = {
        {{}, ""},
        {{"/a"}, ""},
        {{"/f=day.tls"}, ""},
        {{"/f=missing.tls", "/a", "/i"}, "setup file not found: missing.tls"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Run(c.commandLine);
        EXPECT_EQ(run.exitCode, 64);
        EXPECT_THAT(run.err, HasSubstr("chronoreel: no display found for the windows; make a "
                                       "movie without them with /f=SETUP /a /i\n"));
        EXPECT_THAT(run.err, HasSubstr(c.alsoSays));
        EXPECT_EQ(Snapshot(folder_.Path()), before);
    }
}

TEST_F(MovieMakerProgramTest, DryRunListsTheEffectiveSettingsOfOddlyWrittenSetups) {
    const struct {
        const char* name;
        std::string text;
        std::map<std::string, std::string> settings;
    } cases[] = {
        {"odd", kOddSetup, kOddSetupSettings},
        {"compress section in lower case, values quoted with blanks inside",
         "[GENERAL]\n"
         "MovieFPS = \" 12.5 \"\n"
         "OutputAVIPath=\"/srv/www/Roof Cam.avi\"\n"
         "PostGenerationShell = sh -c \"cp <outpath> /www\"\n"
         "MovieSizeHeight=not a number\n"
         "[compress]\n"
         "handler = 1196444237\n"
         "QUALITY=7500\n"
         "Format = 0\n"
         "Parms=0\n",
         {{"MovieFPS", "12"},
          {"OutputAVIPath", "/srv/www/Roof Cam.avi"},
          {"PostGenerationShell", "sh -c \"cp <outpath> /www\""},
          {"MovieSizeHeight", "1"},
          {"CompressHandler", "1196444237"},
          {"CompressQuality", "7500"},
          {"CompressFormat", "0"},
          {"FormatSize", "0"},
          {"StillDirectory", "images"},
          {"StartTimeOption", "1"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(folder_ / "setup.tls", c.text);
        const ProgramRun run = Run({"/f=setup.tls", "--dry-run"});
        EXPECT_EQ(run.exitCode, 3) << run.err;
        ExpectListingHolds(run.out, c.settings);
    }
}

TEST_F(MovieMakerProgramTest, DryRunWritesNothing) {
    WriteText(folder_ / "odd.tls", kOddSetup);
    const struct {
        const char* name;
        const char* settingsFile;  // nullptr: none
        std::vector<std::string> commandLine;
    } cases[] = {
        {"no settings file", nullptr, {"/f=odd.tls", "--dry-run"}},
        {"settings file without a location",
         "[Last Files]\nFile1=/gone.tls\n",
         {"--dry-run", "odd.tls"}},
        {"with the unattended switches",
         "[general]\nLongitude = 7.5\n",
         {"/f=odd.tls", "/a", "/i", "/n=3", "/s=2006-01-31 06:00", "--dry-run"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder_ / "Chronoreel.INI");
        if (c.settingsFile != nullptr) {
            WriteText(folder_ / "Chronoreel.INI", c.settingsFile);
        }
        const auto before = Snapshot(folder_.Path());
        const ProgramRun run = Run(c.commandLine);
        EXPECT_EQ(run.exitCode, 3) << run.err;
        EXPECT_THAT(run.err, IsEmpty());
        ExpectListingHolds(run.out, {{"MovieFPS", "30"}});
        EXPECT_EQ(Snapshot(folder_.Path()), before);
    }
}

TEST_F(MovieMakerProgramTest, DryRunShowsTheCommandLineOverrides) {
    WriteText(folder_ / "day.tls",
              "[General]\nTimeOption=0\nStartTimeOption=4\nStartTimeAbsolute=123\n"
              "StopTimeOption=5\nStopTimeAbsolute=456\nStillDirectory=empty\n");
    const struct {
        std::vector<std::string> switches;
        std::map<std::string, std::string> settings;
    } cases[] = {
        {{},
         {{"TimeOption", "0"},
          {"StartTimeOption", "4"},
          {"StartTimeAbsolute", "123"},
          {"StopTimeOption", "5"},
          {"StopTimeAbsolute", "456"}}},
        {{"/s=2006-01-31 06:00"},
         {{"TimeOption", "1"},
          {"StartTimeOption", "3"},
          {"StartTimeAbsolute", "38748.25"},
          {"StopTimeOption", "3"},
          {"StopTimeAbsolute", "100000"}}},
        {{"/E=01/31/2006 6:00 PM"},
         {{"TimeOption", "1"},
          {"StartTimeOption", "3"},
          {"StartTimeAbsolute", "0"},
          {"StopTimeOption", "3"},
          {"StopTimeAbsolute", "38748.75"}}},
        {{"--start=2006-01-31T06:00", "--end=2006-01-31 18:00"},
         {{"TimeOption", "1"},
          {"StartTimeAbsolute", "38748.25"},
          {"StopTimeAbsolute", "38748.75"}}},
        {{"/s=yesterday", "/e=2006-02-30 18:00"},
         {{"TimeOption", "0"}, {"StartTimeOption", "4"}, {"StopTimeOption", "5"}}},
        {{"/IP=/cam/Roof Top", "/if=CAM*.JPG", "/op=/srv/Roof.AVI", "/pgs=Upload <outfile>"},
         {{"StillDirectory", "/cam/Roof Top"},
          {"ImageFilter", "CAM*.JPG"},
          {"OutputAVIPath", "/srv/Roof.AVI"},
          {"PostGenerationShell", "Upload <outfile>"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> commandLine = {"/f=day.tls", "--dry-run"};
        commandLine.insert(commandLine.end(), c.switches.begin(), c.switches.end());
        SCOPED_TRACE(::testing::PrintToString(c.switches));
        const ProgramRun run = Run(commandLine);
        EXPECT_EQ(run.exitCode, 3) << run.err;
        ExpectListingHolds(run.out, c.settings);
    }
}

TEST_F(MovieMakerProgramTest, DamagedSetupEndsWithTheReportOnStandardError) {
    WriteText(folder_ / "day.tls", "[General]\nMovieFPS=1e12\n");
    const auto before = Snapshot(folder_.Path());
    const struct {
        std::vector<std::string> commandLine;
        bool writesNothing;
    } cases[] = {
        {{"/f=day.tls", "--dry-run"}, true},
        // The keys read before the damaged one are written, as they would be key by key.
        {{"/f=day.tls", "/a", "/i"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine.back());
        const ProgramRun run = Run(c.commandLine);
        EXPECT_EQ(run.exitCode, 70);
        EXPECT_THAT(run.err, HasSubstr("Error Debug Report\nError Detected\n"));
        EXPECT_THAT(run.err, HasSubstr("Module: modFile\nProcedure: LoadFile\n"));
        EXPECT_THAT(run.out, IsEmpty());
        if (c.writesNothing) {
            EXPECT_EQ(Snapshot(folder_.Path()), before);
        }
    }
}

TEST_F(MovieMakerProgramTest, UnattendedLoadWritesMissingKeysAndStoresOnlyTheLocation) {
    const struct {
        const char* name;
        const char* settingsBefore;  // nullptr: none
        std::map<std::string, std::string> settingsAfter;
    } cases[] = {
        {"first start", nullptr, {{"general/longitude", "0"}, {"general/latitude", "0"}}},
        {"known location and recent files",
         "[General]\nLongitude=7.5\nLatitude=47.25\n[Last Files]\nFile1=/gone.tls\nFile2=\n",
         {{"general/longitude", "7.5"},
          {"general/latitude", "47.25"},
          {"last files/file1", "/gone.tls"},
          {"last files/file2", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder_ / "Chronoreel.INI");
        if (c.settingsBefore != nullptr) {
            WriteText(folder_ / "Chronoreel.INI", c.settingsBefore);
        }
        WriteText(folder_ / "odd.tls", kOddSetup);

        const ProgramRun run = Run({"/f=odd.tls", "/a", "/i", "/n=7"});
        EXPECT_EQ(run.exitCode, 3) << run.err;

        const std::string setup = ReadText(folder_ / "odd.tls");
        // Every line of the hand-written file is still there, in its order and unchanged.
        EXPECT_TRUE(KeepsLinesInOrder(Lines(kOddSetup), Lines(setup))) << setup;
        std::map<std::string, int> timesWritten;
        std::map<std::string, std::string> values;
        for (const KeyLine& key : KeyLines(setup)) {
            ++timesWritten[key.name];
            values[key.name] = key.value;
        }
        for (const auto& [name, times] : timesWritten) {
            EXPECT_EQ(times, 1) << name;
        }
        // Missing keys were added with their defaults; present values stay as written.
        EXPECT_EQ(values["general/outputavipath"], "mymovie.avi");
        EXPECT_EQ(values["general/stoptimeoption"], "0");
        EXPECT_EQ(values["compress/handler"], "0");
        EXPECT_EQ(values["general/moviefps"], "29.5");
        EXPECT_EQ(values["general/duplicatecount"], "abc");
        EXPECT_EQ(values["general/stilldirectory"], "\"empty\"");
        EXPECT_EQ(values["general/cameraname"], "Roof; kept as it is");

        const std::vector<KeyLine> settings = KeyLines(ReadText(folder_ / "Chronoreel.INI"));
        std::map<std::string, std::string> settingsAfter;
        for (const KeyLine& key : settings) {
            settingsAfter[key.name] = key.value;
        }
        EXPECT_EQ(settingsAfter, c.settingsAfter);
        // Nothing else is left in the folder: no movie, no temporary file.
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Path())) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_THAT(names, ::testing::UnorderedElementsAre("Chronoreel.INI", "odd.tls", "empty"));
    }
}

TEST_F(MovieMakerProgramTest, UnattendedRunAskingForWindowsWithoutADisplaySaysSo) {
    WriteText(folder_ / "day.tls", "[General]\nStillDirectory=empty\n");
    const char* const kNote = "chronoreel: no display found; making the movie without windows\n";
    const ProgramRun withWindows = Run({"/f=day.tls", "/a"});
    EXPECT_EQ(withWindows.exitCode, 3);
    EXPECT_THAT(withWindows.err, HasSubstr(kNote));
    const ProgramRun withoutWindows = Run({"/f=day.tls", "/a", "/i"});
    EXPECT_EQ(withoutWindows.exitCode, 3);
    EXPECT_THAT(withoutWindows.err, ::testing::Not(HasSubstr(kNote)));
}

// A camera folder of stills named by their date and time on 2006-01-31, one of them damaged,
// and a setup that stamps them from their names.
class StillsProgramTest : public MovieMakerProgramTest {
  protected:
    StillsProgramTest() {
        const fs::path jpeg = fs::path(CHRONOREEL_TEST_DATA) / "jpeg";
        fs::create_directory(folder_ / "cam");
        const struct {
            const char* source;
            const char* name;
        } stills[] = {
            {"made-quadrants-61x47.jpg", "20060131050000.jpg"},
            {"made-quadrants-61x47.jpg", "20060131060000.jpg"},
            {"ljt-testorig.jpg", "20060131070000.jpg"},
            {"broken/bad-truncated-50pct.jpg", "20060131080000.jpg"},
            {"ljt-testimgint.jpg", "20060131190000.jpg"},
        };
        for (const auto& still : stills) {
            fs::copy_file(jpeg / still.source, folder_ / "cam" / still.name);
        }
        WriteText(folder_ / "cam" / "notes.txt", "not a still\n");
        WriteText(folder_ / "day.tls",
                  "[General]\nStillDirectory=cam\nTimeStampOption=1\nOutputAVIPath=movie.avi\n"
                  "MovieSizeOption=1\nMovieSizeWidth=64\nMovieSizeHeight=48\n");
    }

    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

std::vector<std::string> FrameLines(const std::string& out) {
    std::vector<std::string> frames;
    for (const std::string& line : Lines(out)) {
        if (line.starts_with("frame=")) {
            frames.push_back(line);
        }
    }
    return frames;
}

TEST_F(StillsProgramTest, DryRunListsTheWindowAndTheFramesInOutputOrder) {
    const struct {
        const char* name;
        std::vector<std::string> window;
        int exitCode;
        std::map<std::string, std::string> lines;
        std::vector<std::string> frames;
    } cases[] = {
        {"six to six",
         {"/s=2006-01-31 06:00", "/e=2006-01-31 18:00"},
         0,
         {{"WindowStart", "38748.25"}, {"WindowStop", "38748.75"}, {"Direction", "1"}},
         {"frame=0 cam/20060131060000.jpg", "frame=1 cam/20060131070000.jpg",
          "frame=2 cam/20060131080000.jpg"}},
        {"given backwards: swapped and reversed",
         {"/s=2006-01-31 18:00", "/e=2006-01-31 06:00"},
         0,
         {{"WindowStart", "38748.25"}, {"WindowStop", "38748.75"}, {"Direction", "-1"}},
         {"frame=0 cam/20060131080000.jpg", "frame=1 cam/20060131070000.jpg",
          "frame=2 cam/20060131060000.jpg"}},
        {"no still in the window", {"/s=2007-01-01 00:00"}, 3, {{"WindowStop", "100000"}}, {}},
    };
    const auto before = Snapshot(folder_.Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> commandLine = {"/f=day.tls", "--dry-run"};
        commandLine.insert(commandLine.end(), c.window.begin(), c.window.end());
        const ProgramRun run = Run(commandLine);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        ExpectListingHolds(run.out, c.lines);
        EXPECT_EQ(FrameLines(run.out), c.frames);
        EXPECT_EQ(Snapshot(folder_.Path()), before);
    }
}

TEST_F(StillsProgramTest, UnattendedRunWritesTheMovieAndRunsTheCommandUnderItsInstanceName) {
    const ProgramRun run =
        Run({"/f=day.tls", "/a", "/i", "/n=7", "/s=2006-01-31 06:00", "/e=2006-01-31 18:00",
             "/pgs=sh -c \"cat /proc/$PPID/comm > name.txt; echo <outfile> > posted.txt\""});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string movie = ReadText(folder_ / "movie.avi");
    ASSERT_GT(movie.size(), 64 * 48 * 3 * 2u);
    EXPECT_EQ(movie.substr(0, 4), "RIFF");
    EXPECT_EQ(movie.substr(8, 4), "AVI ");
    // The post-generation command ran while the run went by its instance name.
    EXPECT_EQ(ReadText(folder_ / "name.txt"), "CR007\n");
    EXPECT_EQ(ReadText(folder_ / "posted.txt"), "movie.avi\n");
    EXPECT_THAT(FolderNames(),
                ::testing::UnorderedElementsAre("Chronoreel.INI", "day.tls", "cam", "empty",
                                                "movie.avi", "name.txt", "posted.txt"));
    EXPECT_THAT(ReadText(folder_ / "Chronoreel.INI"), ::testing::Not(HasSubstr("Last Files")));
}

TEST_F(StillsProgramTest, TerminateActsAsCancelAndEndsWith4) {
    // The run waits for its post-generation command, which tells when the wait has begun.
    RunningProgram program(
        "chronoreel", folder_.Path(),
        {"/f=day.tls", "/a", "/i", "/s=2006-01-31 06:00", "/pgs=sh -c \"touch waiting; sleep 3\""});
    for (int i = 0; i < 6000 && !fs::exists(folder_ / "waiting"); ++i) {
        usleep(10000);
    }
    ASSERT_TRUE(fs::exists(folder_ / "waiting"));
    ASSERT_EQ(kill(program.Pid(), SIGTERM), 0);
    const ProgramRun run = program.Wait();
    EXPECT_EQ(run.exitCode, 4) << run.err;
    // The movie was published before the wait; nothing temporary is left.
    EXPECT_THAT(FolderNames(), ::testing::UnorderedElementsAre("Chronoreel.INI", "day.tls", "cam",
                                                               "empty", "movie.avi", "waiting"));
}

}  // namespace
}  // namespace chronoreel::testing
