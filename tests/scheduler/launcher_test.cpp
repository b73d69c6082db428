#include "scheduler/launcher.h"

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

using Arguments = std::vector<std::string>;

TEST(LauncherTest, SwitchesComeInTheirOrderEachAsItsOwnArgument) {
    struct Case {
        const char* name;
        void (*setUp)(Task&);
        Arguments arguments;
        const char* text;
    };
    const Case cases[] = {
        {"only the output path overridden",
         [](Task& t) {
             t.SetSetupFile("/cam/roof.tls");
             t.SetOverrideOutputAVIPath(true);
             t.SetOutputAVIPath("/movies/roof.avi");
         },
         {"/usr/bin/chronoreel", "/F=/cam/roof.tls", "/A", "/I", "/OP=/movies/roof.avi"},
         "/usr/bin/chronoreel /F=\"/cam/roof.tls\" /A /I /OP=\"/movies/roof.avi\""},
        {"every override, preview shown",
         [](Task& t) {
             t.SetSetupFile("/cam/a b.tls");
             t.SetVisible(true);
             t.SetOverrideInputPath(true);
             t.SetInputPath("/in");
             t.SetOverrideFileFilter(true);
             t.SetFileFilter("*.jpg");
             t.SetOverrideOutputAVIPath(true);
             t.SetOutputAVIPath("/out.avi");
             t.SetOverridePostGenerationShell(true);
             t.SetPostGenerationShell("cp <outpath> /www");
         },
         {"/usr/bin/chronoreel", "/F=/cam/a b.tls", "/A", "/IF=*.jpg", "/IP=/in", "/OP=/out.avi",
          "/PGS=cp <outpath> /www"},
         "/usr/bin/chronoreel /F=\"/cam/a b.tls\" /A /IF=\"*.jpg\" /IP=\"/in\" /OP=\"/out.avi\" "
         "/PGS=\"cp <outpath> /www\""},
        {"empty setup file, overrides off but filled",
         [](Task& t) {
             t.SetInputPath("/ignored");
             t.SetPostGenerationShell("ignored");
         },
         {"/usr/bin/chronoreel", "/F=", "/A", "/I"},
         "/usr/bin/chronoreel /F=\"\" /A /I"},
        {"a quote in a value stays inside its argument",
         [](Task& t) { t.SetSetupFile("/cam/x\" /OP=\"/etc/passwd"); },
         {"/usr/bin/chronoreel", "/F=/cam/x\" /OP=\"/etc/passwd", "/A", "/I"},
         "/usr/bin/chronoreel /F=\"/cam/x\" /OP=\"/etc/passwd\" /A /I"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Task task;
        c.setUp(task);
        EXPECT_EQ(RunArguments(task, "/usr/bin/chronoreel"), c.arguments);
        EXPECT_EQ(RunCommandLineText(task, "/usr/bin/chronoreel"), c.text);
    }
    Task task;
    task.SetSetupFile("/cam/roof.tls");
    task.SetOverrideInputPath(true);
    EXPECT_EQ(OpenSetupArguments(task, "/usr/bin/chronoreel"),
              (Arguments{"/usr/bin/chronoreel", "/F=/cam/roof.tls"}));
}

TEST(LauncherTest, ExitCodesMapOntoRunStates) {
    const struct {
        ChildExit exit;
        RunState state;
    } cases[] = {
        {{ChildExit::Kind::kExited, 0}, RunState::kFinished},
        {{ChildExit::Kind::kExited, 3}, RunState::kSkipped},
        {{ChildExit::Kind::kExited, 4}, RunState::kError},
        {{ChildExit::Kind::kExited, 70}, RunState::kError},
        {{ChildExit::Kind::kSignalled, 9}, RunState::kError},
        {{ChildExit::Kind::kSignalled, 0}, RunState::kError},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StateForExit(c.exit), c.state) << c.exit.code;
    }
}

// A stand-in for the movie maker: records its arguments, then ends as its setup file says. Each
// test runs with a launcher that waits about a millisecond for an end (headless) and with one
// that never waits (the window's tick).
class RealProcessTest : public ::testing::TestWithParam<int> {
  protected:
    RealProcessTest() : launcher_(std::chrono::milliseconds(GetParam())) {
        WriteText(script_,
                  "#!/bin/sh\n"
                  "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments.txt\"\n"
                  "case \"$1\" in\n"
                  "  /F=finish) exit 0 ;;\n"
                  "  /F=skip) exit 3 ;;\n"
                  "  /F=kill) kill -9 $$ ;;\n"
                  "esac\n"
                  "exit 5\n");
        chmod(script_.c_str(), 0755);
    }

    // Polls until the process ends (generous limit: a loaded machine may be slow).
    RunState WaitForEnd(RunProcess& process) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        RunState state = launcher_.PollProcess(process);
        while (state == RunState::kRunning && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            state = launcher_.PollProcess(process);
        }
        return state;
    }

    ChildProcessLauncher launcher_;
    TempDir dir_;
    std::string script_ = dir_ / "chronoreel";
};

TEST_P(RealProcessTest, AStartedMovieMakerIsFollowedToItsEnd) {
    const struct {
        const char* setupFile;
        RunState state;
        ChildExit::Kind kind;
        int code;
    } cases[] = {
        {"skip", RunState::kSkipped, ChildExit::Kind::kExited, 3},
        {"finish", RunState::kFinished, ChildExit::Kind::kExited, 0},
        {"other", RunState::kError, ChildExit::Kind::kExited, 5},
        {"kill", RunState::kError, ChildExit::Kind::kSignalled, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setupFile);
        Task task;
        task.SetSetupFile(c.setupFile);
        task.SetOverrideOutputAVIPath(true);
        task.SetOutputAVIPath("/movies/a \"b\".avi");
        RunProcess process = launcher_.Launch(task, script_);
        EXPECT_EQ(process.state, RunState::kRunning);
        EXPECT_GT(process.processId, 0);
        EXPECT_EQ(launcher_.Followed(), 1u);

        EXPECT_EQ(WaitForEnd(process), c.state);
        ASSERT_TRUE(process.exit.has_value());
        EXPECT_EQ(process.exit->kind, c.kind);
        EXPECT_EQ(process.exit->code, c.code);
        EXPECT_EQ(launcher_.Followed(), 0u);
        // An ended run is returned as it is.
        EXPECT_EQ(launcher_.PollProcess(process), c.state);
        EXPECT_EQ(ReadText(dir_ / "arguments.txt"),
                  "/F=" + std::string(c.setupFile) + "\n/A\n/I\n/OP=/movies/a \"b\".avi\n");
    }
}

TEST_P(RealProcessTest, AMissingMovieMakerIsAnErrorAtOnce) {
    Task task;
    for (const std::string& path : {std::string(dir_ / "missing"), std::string()}) {
        RunProcess process = launcher_.Launch(task, path);
        EXPECT_EQ(process.state, RunState::kError);
        EXPECT_FALSE(process.startError.empty());
        EXPECT_EQ(launcher_.PollProcess(process), RunState::kError);
        EXPECT_EQ(launcher_.Followed(), 0u);
    }
}

TEST_P(RealProcessTest, OpenSetupStartsTheWindowAndKeepsNothing) {
    Task task;
    task.SetSetupFile("/cam/roof.tls");
    task.SetVisible(false);
    launcher_.OpenSetup(task, script_);
    EXPECT_EQ(launcher_.Followed(), 0u);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadText(dir_ / "arguments.txt").empty() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadText(dir_ / "arguments.txt"), "/F=/cam/roof.tls\n");
    launcher_.OpenSetup(task, dir_ / "missing");  // nothing to see, nothing thrown
}

INSTANTIATE_TEST_SUITE_P(StatusWaitMilliseconds, RealProcessTest, ::testing::Values(1, 0));

}  // namespace
}  // namespace chronoreel
