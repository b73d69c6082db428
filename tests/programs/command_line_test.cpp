#include "programs/movie_maker/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;

std::string Join(const Arguments& arguments) {
    std::string text;
    for (const std::string& a : arguments) {
        text += "[" + a + "]";
    }
    return text;
}

// A current directory holding a few setup files, one in a folder with blanks and capitals.
class CommandLineTest : public ::testing::Test {
  protected:
    CommandLineTest() {
        fs::create_directories(dir / "My Setups");
        for (const char* name : {"roof.tls", "My Setups/Roof Cam.tls", "UPPER.TLS", "notes.txt"}) {
            testing::WriteText(dir / name, "[General]\n");
        }
    }

    CommandLineValues Read(const Arguments& arguments) {
        const CommandLineResult result = ProcessCommandLine(arguments, dir.Path());
        EXPECT_TRUE(result.Ok()) << Join(arguments) << ": " << result.usageError;
        return result.values;
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    testing::TempDir dir;
};

void ExpectAbsentOverrides(const CommandLineValues& v, const std::string& context) {
    const CommandLineValues absent;
    EXPECT_EQ(v.showWindows, absent.showWindows) << context;
    EXPECT_EQ(v.instanceNumber, -1) << context;
    EXPECT_EQ(v.startOverride, -1) << context;
    EXPECT_EQ(v.stopOverride, -1) << context;
    EXPECT_EQ(v.inputPathOverride, "") << context;
    EXPECT_EQ(v.fileFilterOverride, "") << context;
    EXPECT_EQ(v.outputPathOverride, "") << context;
    EXPECT_EQ(v.postGenerationShellOverride, "") << context;
}

TEST_F(CommandLineTest, NothingGivenLeavesEveryValueAbsent) {
    for (const Arguments& arguments : {Arguments{}, Arguments{"", "   "}}) {
        const CommandLineValues v = Read(arguments);
        ExpectAbsentOverrides(v, Join(arguments));
        EXPECT_FALSE(v.automation);
        EXPECT_EQ(v.setupFile, "");
        EXPECT_FALSE(v.help || v.version || v.dryRun);
    }
}

TEST_F(CommandLineTest, UnattendedRunKeepsTheLetterCaseOfEveryValue) {
    const CommandLineValues v =
        Read({"/F=" + Path("My Setups/Roof Cam.tls"), "/A", "/I", "/N=7", "/S=2006-01-31 06:00",
              "/E=2006-01-31 18:00", "/IP=/Cam/Stills", "/IF=*.JPG", "/OP=/Web/Day.avi",
              "/PGS=Upload.sh <outfile>"});
    EXPECT_EQ(v.setupFile, Path("My Setups/Roof Cam.tls"));
    EXPECT_TRUE(v.automation);
    EXPECT_FALSE(v.showWindows);
    EXPECT_EQ(v.instanceNumber, 7);
    EXPECT_EQ(v.startOverride, MakeDateTime(2006, 1, 31, 6, 0));
    EXPECT_EQ(v.stopOverride, MakeDateTime(2006, 1, 31, 18, 0));
    EXPECT_EQ(v.inputPathOverride, "/Cam/Stills");
    EXPECT_EQ(v.fileFilterOverride, "*.JPG");
    EXPECT_EQ(v.outputPathOverride, "/Web/Day.avi");
    EXPECT_EQ(v.postGenerationShellOverride, "Upload.sh <outfile>");
}

// An unattended run needs an existing setup file; the last /f= wins, also when it names a
// missing file. Relative names are taken from the current directory.
TEST_F(CommandLineTest, SetupFileDecidesWhetherTheRunIsUnattended) {
    struct Case {
        Arguments arguments;
        std::string setupFile;
        bool automation;
        std::string missingSetupFile;
    };
    const Case cases[] = {
        {{"/a"}, "", false, ""},
        {{"/f=missing.tls", "/a"}, "", false, "missing.tls"},
        {{"/f=roof.tls", "/a"}, Path("roof.tls"), true, ""},
        {{"/f=roof.tls"}, Path("roof.tls"), false, ""},
        {{"/f=  roof.tls  ", "/a"}, Path("roof.tls"), true, ""},
        {{"/f=./roof.tls", "/a"}, Path("./roof.tls"), true, ""},
        {{"/f=" + Path("roof.tls"), "/a"}, Path("roof.tls"), true, ""},
        {{"/f=roof.tls", "/a", "/f=gone.tls"}, "", false, "gone.tls"},
        {{"/f=gone.tls", "/f=roof.tls", "/a"}, Path("roof.tls"), true, ""},
        {{"/f=My Setups", "/a"}, "", false, "My Setups"},  // a folder is no setup file
        {{"/f=", "/a"}, "", false, ""},
        {{"/f=ROOF.tls", "/a"}, "", false, "ROOF.tls"},  // names are case-sensitive
    };
    for (const Case& c : cases) {
        const CommandLineValues v = Read(c.arguments);
        EXPECT_EQ(v.setupFile, c.setupFile) << Join(c.arguments);
        EXPECT_EQ(v.automation, c.automation) << Join(c.arguments);
        EXPECT_EQ(v.missingSetupFile, c.missingSetupFile) << Join(c.arguments);
    }
}

TEST_F(CommandLineTest, OverridesNeedAnUnattendedRun) {
    const Arguments overrides = {
        "/I",          "/N=3",      "/S=2006-01-31 06:00", "/E=2006-01-31 18:00",
        "/IP=/stills", "/IF=*.jpg", "/OP=/out.avi",        "/PGS=true"};
    struct Case {
        Arguments before;
        std::string context;
    };
    const Case cases[] = {
        {{"/F=roof.tls"}, "setup without /a"},
        {{"/a", "/f=missing.tls"}, "/a with a missing setup"},
        {{"/a"}, "/a alone"},
    };
    for (const Case& c : cases) {
        Arguments arguments = c.before;
        arguments.insert(arguments.end(), overrides.begin(), overrides.end());
        const CommandLineValues v = Read(arguments);
        ExpectAbsentOverrides(v, c.context);
        EXPECT_FALSE(v.automation) << c.context;
    }
    EXPECT_EQ(Read({"/F=roof.tls", "/I"}).setupFile, Path("roof.tls"));
}

TEST_F(CommandLineTest, InstanceNumberRoundsHalfToEvenAndIgnoresNonNumbers) {
    struct Case {
        std::string value;
        int expected;
    };
    const Case cases[] = {
        {"7", 7},
        {"7.5", 8},
        {"6.5", 6},
        {"-2.5", -2},
        {"7.4999", 7},
        {" 12 ", 12},
        {"+4", 4},
        {"1e2", 100},
        {".5", 0},
        {"1.5", 2},
        {"abc", -1},
        {"", -1},
        {"7abc", -1},
        {"0x10", -1},
        {"inf", -1},
        {"nan", -1},
        {"1,5", -1},
        {"- 3", -1},
        {"2147483647", INT_MAX},
        {"-2147483648.5", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read({"/f=roof.tls", "/a", "/n=" + c.value}).instanceNumber, c.expected)
            << '"' << c.value << '"';
    }
}

TEST_F(CommandLineTest, TimeWindowTakesOnlyValidDateTimes) {
    struct Case {
        std::string value;
        DateTime expected;
    };
    const Case cases[] = {
        {"2006-01-31 06:00", MakeDateTime(2006, 1, 31, 6, 0)},
        {"  2006-01-31 06:00:30  ", MakeDateTime(2006, 1, 31, 6, 0, 30)},
        {"01/31/2006 6:00 PM", MakeDateTime(2006, 1, 31, 18, 0)},
        {"2006-02-30 06:00", -1},
        {"yesterday", -1},
        {"", -1},
    };
    for (const Case& c : cases) {
        const CommandLineValues v = Read({"/f=roof.tls", "/a", "/s=" + c.value, "/E=" + c.value});
        EXPECT_EQ(v.startOverride, c.expected) << '"' << c.value << '"';
        EXPECT_EQ(v.stopOverride, c.expected) << '"' << c.value << '"';
    }
}

// Switch names match in any case; /i and /a only as the whole token, the others as its start.
TEST_F(CommandLineTest, MatchesSwitchNamesAsTheTableSays) {
    struct Case {
        std::string token;
        bool showWindows;
        bool automation;
        std::string inputPath;
        std::string filter;
    };
    const Case cases[] = {
        {"/i", false, true, "", ""},
        {"  /I  ", false, true, "", ""},
        {"/a/i", true, false, "", ""},  // one unknown switch: the run is no longer unattended
        {"/ia", true, true, "", ""},
        {"/i=1", true, true, "", ""},
        {"i", true, true, "", ""},
        {"-i", true, true, "", ""},
        {"/x", true, true, "", ""},
        {"/Ip=/Cam/A", true, true, "/Cam/A", ""},
        {"/iF= *.JPG ", true, true, "", "*.JPG"},
        {"/if=", true, true, "", ""},
    };
    for (const Case& c : cases) {
        const Arguments arguments = c.token == "/a/i" ? Arguments{"/f=roof.tls", c.token}
                                                      : Arguments{"/f=roof.tls", "/a", c.token};
        const CommandLineValues v = Read(arguments);
        EXPECT_EQ(v.showWindows, c.showWindows) << c.token;
        EXPECT_EQ(v.automation, c.automation) << c.token;
        EXPECT_EQ(v.inputPathOverride, c.inputPath) << c.token;
        EXPECT_EQ(v.fileFilterOverride, c.filter) << c.token;
    }
}

TEST_F(CommandLineTest, LongNamesMeanTheSameAsTheSwitches) {
    const CommandLineValues shortForm =
        Read({"/f=roof.tls", "/a", "/i", "/n=7", "/s=2006-01-31 06:00", "/e=2006-01-31 18:00",
              "/ip=/Cam", "/if=*.jpg", "/op=/Out.avi", "/pgs=sh -c \"ls\""});
    const CommandLineValues longForm =
        Read({"--file=roof.tls", "--auto", "--invisible", "--instance=7",
              "--start=2006-01-31 06:00", "--end=2006-01-31 18:00", "--input-path=/Cam",
              "--input-filter=*.jpg", "--output-path=/Out.avi", "--post-shell=sh -c \"ls\""});
    const CommandLineValues mixedCase = Read({"--FILE=roof.tls", "--Auto", "--INVISIBLE"});
    EXPECT_TRUE(mixedCase.automation && !mixedCase.showWindows);
    EXPECT_EQ(longForm.setupFile, shortForm.setupFile);
    EXPECT_EQ(longForm.automation, shortForm.automation);
    EXPECT_EQ(longForm.showWindows, shortForm.showWindows);
    EXPECT_EQ(longForm.instanceNumber, shortForm.instanceNumber);
    EXPECT_EQ(longForm.startOverride, shortForm.startOverride);
    EXPECT_EQ(longForm.stopOverride, shortForm.stopOverride);
    EXPECT_EQ(longForm.inputPathOverride, shortForm.inputPathOverride);
    EXPECT_EQ(longForm.fileFilterOverride, shortForm.fileFilterOverride);
    EXPECT_EQ(longForm.outputPathOverride, shortForm.outputPathOverride);
    EXPECT_EQ(longForm.postGenerationShellOverride, "sh -c \"ls\"");
    EXPECT_EQ(shortForm.postGenerationShellOverride, "sh -c \"ls\"");
}

// A setup file may be named on its own; an absolute path begins with "/" like a switch.
TEST_F(CommandLineTest, TakesABareExistingSetupFileAsTheSetup) {
    struct Case {
        Arguments arguments;
        std::string setupFile;
    };
    const Case cases[] = {
        {{"roof.tls"}, Path("roof.tls")},
        {{Path("My Setups/Roof Cam.tls")}, Path("My Setups/Roof Cam.tls")},
        {{"UPPER.TLS"}, Path("UPPER.TLS")},
        {{"notes.txt"}, ""},
        {{"missing.tls"}, ""},
        {{"My Setups"}, ""},
        {{"roof.tls", "/f=My Setups/Roof Cam.tls"}, Path("My Setups/Roof Cam.tls")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.arguments).setupFile, c.setupFile) << Join(c.arguments);
    }
    EXPECT_TRUE(Read({Path("roof.tls"), "/a"}).automation);
}

// The shell has removed the quoting already: a quote left in an argument is part of the value
// (a file name may hold one), never an error.
TEST_F(CommandLineTest, KeepsQuoteCharactersOfAnArgument) {
    testing::WriteText(dir / "say \"hi.tls", "[General]\n");
    const CommandLineValues v = Read({"/f=say \"hi.tls", "/a", "/op=\"/out.avi"});
    EXPECT_EQ(v.setupFile, Path("say \"hi.tls"));
    EXPECT_TRUE(v.automation);
    EXPECT_EQ(v.outputPathOverride, "\"/out.avi");
}

TEST_F(CommandLineTest, HelpVersionAndDryRun) {
    EXPECT_TRUE(Read({"--help"}).help);
    EXPECT_TRUE(Read({"--HELP"}).help);
    EXPECT_TRUE(Read({"--version"}).version);
    EXPECT_TRUE(Read({"--dry-run", "--help"}).help);  // help wins over a dry run without setup

    // A dry run keeps the overrides without /a: it shows what that run would do.
    const CommandLineValues dry =
        Read({"/f=roof.tls", "--dry-run", "/s=2006-01-31 06:00", "/op=/x.avi"});
    EXPECT_TRUE(dry.dryRun);
    EXPECT_FALSE(dry.automation);
    EXPECT_EQ(dry.startOverride, MakeDateTime(2006, 1, 31, 6, 0));
    EXPECT_EQ(dry.outputPathOverride, "/x.avi");
}

TEST_F(CommandLineTest, ReportsWhatCannotBeRead) {
    struct Case {
        Arguments arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"/f=roof.tls", "--files=x"}, "unknown option '--files=x'"},
        {{"--"}, "unknown option '--'"},
        {{"--file"}, "option '--file' needs a value"},
        {{"--instance"}, "option '--instance' needs a value"},
        {{"--auto=yes"}, "option '--auto' takes no value"},
        {{"--help=me"}, "option '--help' takes no value"},
        {{"/n=2147483648"}, "instance number out of range in '/n=2147483648'"},
        {{"--instance=-1e10"}, "instance number out of range in '--instance=-1e10'"},
        {{"--dry-run"}, "--dry-run needs a setup file"},
        {{"--dry-run", "/f=gone.tls"}, "setup file not found: gone.tls"},
    };
    for (const Case& c : cases) {
        const CommandLineResult result = ProcessCommandLine(c.arguments, dir.Path());
        EXPECT_FALSE(result.Ok()) << Join(c.arguments);
        EXPECT_NE(result.usageError.find(c.message), std::string::npos)
            << Join(c.arguments) << ": " << result.usageError;
    }
}

// A command line given as one string: double quotes group blanks into a token.
TEST_F(CommandLineTest, SplitsACommandStringAndReportsAnUnclosedQuote) {
    const std::string setup = Path("My Setups/Roof Cam.tls");
    const CommandLineResult quoted = ProcessCommandLineText(
        "  /F=\"" + setup + "\" /A /S=\"2006-01-31 06:00\" /PGS=\"Upload.exe <outfile>\"  ",
        dir.Path());
    ASSERT_TRUE(quoted.Ok()) << quoted.usageError;
    EXPECT_EQ(quoted.values.setupFile, setup);
    EXPECT_TRUE(quoted.values.automation);
    EXPECT_EQ(quoted.values.startOverride, MakeDateTime(2006, 1, 31, 6, 0));
    EXPECT_EQ(quoted.values.postGenerationShellOverride, "Upload.exe <outfile>");

    const CommandLineResult wholeSwitch =
        ProcessCommandLineText("\"/f=" + setup + "\" /a", dir.Path());
    EXPECT_EQ(wholeSwitch.values.setupFile, setup);

    for (const char* line : {"/f=\"roof.tls /a", "/a \"", "/f=roof.tls /pgs=\"a\" \"b"}) {
        const CommandLineResult result = ProcessCommandLineText(line, dir.Path());
        EXPECT_FALSE(result.Ok()) << line;
        EXPECT_NE(result.usageError.find("double quote"), std::string::npos) << line;
    }
}

TEST(CommandLineTexts, UsageNamesEverySwitchAndExitCode) {
    const std::string usage = UsageText();
    for (const char* text : {"/f=",       "--file=",        "/a,",       "--auto",
                             "/i,",       "--invisible",    "/n=",       "--instance=",
                             "/s=",       "--start=",       "/e=",       "--end=",
                             "/ip=",      "--input-path=",  "/if=",      "--input-filter=",
                             "/op=",      "--output-path=", "/pgs=",     "--post-shell=",
                             "--dry-run", "--help",         "--version", "\n  0   ",
                             "\n  3   ",  "\n  4   ",       "\n  5   ",  "\n  64  ",
                             "\n  70  "}) {
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(ProgramVersion(), "1.0.14");
    EXPECT_EQ(VersionText(), "chronoreel 1.0.14");
}

}  // namespace
}  // namespace chronoreel
