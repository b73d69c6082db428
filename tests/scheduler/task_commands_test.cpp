#include "scheduler/task_commands.h"

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "fakes.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::FakeClock;
using testing::FakeLauncher;
using testing::ReadText;
using testing::ScriptedPrompter;
using testing::TempDir;

constexpr const char* kLimitText = "This program is limited to 999 tasks.  Sorry.";
constexpr const char* kCancelCreation =
    "You did not enter a name.  Would you like to cancel this task creation?";

class TaskCommandsTest : public ::testing::Test {
  protected:
    std::string Path() const { return dir_ / "ChronoreelScheduler.INI"; }

    SchedulerState& Started() {
        state_ = std::make_unique<SchedulerState>(launcher_, clock_);
        state_->Main(Path(), "/opt/chronoreel/chronoreel");
        return *state_;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& task : state_->Tasks().Tasks()) {
            names.push_back(task->Name());
        }
        return names;
    }

    // Adds tasks named as given, answering the name box each time.
    void AddNamed(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            prompter_.typed = {name};
            ASSERT_EQ(AddTask(*state_, prompter_), TaskRefresh::kUpdate);
        }
    }

    TempDir dir_;
    FakeClock clock_;
    FakeLauncher launcher_;
    ScriptedPrompter prompter_;
    std::unique_ptr<SchedulerState> state_;
};

TEST_F(TaskCommandsTest, AddingToAnEmptyListProposesTask1AndWritesTheSection) {
    SchedulerState& state = Started();
    EXPECT_EQ(state.SelectedTask(), -1);
    prompter_.typed = {"  Roof camera  "};
    EXPECT_EQ(AddTask(state, prompter_), TaskRefresh::kUpdate);
    ASSERT_EQ(prompter_.inputs.size(), 1u);
    EXPECT_EQ(prompter_.inputs[0].text, "Provide a short description for this task:");
    EXPECT_EQ(prompter_.inputs[0].title, "Enter Task Name");
    EXPECT_EQ(prompter_.inputs[0].initialText, "Task #1");
    EXPECT_EQ(Names(), std::vector<std::string>{"Roof camera"});
    EXPECT_EQ(state.SelectedTask(), 0);
    const std::string text = ReadText(Path());
    EXPECT_NE(text.find("TaskCount=1\n"), std::string::npos);
    EXPECT_NE(text.find("[Task001]\nName=&34Roof camera&34\nSetupFile=\nSetupTimes="),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("StopSunsetOffset=0\n"), std::string::npos);
}

TEST_F(TaskCommandsTest, AnEmptyNameAsksWhetherToCancel) {
    SchedulerState& state = Started();
    // Cancelled box, then "No" (ask again), then a blank name, then "Yes" (give up).
    prompter_.typed = {std::nullopt, "   "};
    prompter_.answers = {MessageAnswer::kNo, MessageAnswer::kYes};
    EXPECT_EQ(AddTask(state, prompter_), TaskRefresh::kNone);
    EXPECT_EQ(prompter_.inputs.size(), 2u);
    ASSERT_EQ(prompter_.messages.size(), 2u);
    EXPECT_EQ(prompter_.messages[0].text, kCancelCreation);
    EXPECT_EQ(prompter_.messages[0].title, "Enter Task Name");
    EXPECT_TRUE(Names().empty());

    prompter_.typed = {"", "Night"};
    prompter_.answers = {MessageAnswer::kNo};
    EXPECT_EQ(AddTask(state, prompter_), TaskRefresh::kUpdate);
    EXPECT_EQ(Names(), std::vector<std::string>{"Night"});
}

TEST_F(TaskCommandsTest, The999thTaskIsTheLast) {
    SchedulerState& state = Started();
    for (int i = 1; i <= 999; ++i) {
        auto task = state.Tasks().CreateTask();
        task->SetIndex(i);
        state.Tasks().Append(task);
    }
    prompter_.typed = {"One too many", "Another"};
    EXPECT_EQ(AddTask(state, prompter_), TaskRefresh::kNone);
    EXPECT_EQ(CopyTask(state, prompter_, 0), TaskRefresh::kNone);
    ASSERT_EQ(prompter_.messages.size(), 2u);
    for (const auto& message : prompter_.messages) {
        EXPECT_EQ(message.text, kLimitText);
        EXPECT_EQ(message.title, "Task Limit Reached");
    }
    EXPECT_TRUE(prompter_.inputs.empty());
    EXPECT_EQ(state.Tasks().TaskCount(), 999);

    // Also beyond the limit (a hand-edited count): no section is overwritten.
    auto extra = state.Tasks().CreateTask();
    extra->SetIndex(1000);
    state.Tasks().Append(extra);
    EXPECT_EQ(AddTask(state, prompter_), TaskRefresh::kNone);
    EXPECT_EQ(state.Tasks().TaskCount(), 1000);
}

TEST_F(TaskCommandsTest, DeletingTheSecondOfThreeKeepsTheFirstAndThird) {
    SchedulerState& state = Started();
    AddNamed({"First", "Second", "Third"});
    state.Tasks().At(2)->SetSetupTimesIndex(600, true);
    state.Tasks().SaveAll();
    state.SetSelectedTask(2);

    prompter_.answers = {MessageAnswer::kNo};
    EXPECT_EQ(DeleteTask(state, prompter_, 1), TaskRefresh::kNone);
    EXPECT_EQ(prompter_.messages.back().text, "Are you sure you want to delete the task\nSecond?");
    EXPECT_EQ(prompter_.messages.back().title, "Delete Task?");
    EXPECT_EQ(Names().size(), 3u);

    prompter_.answers = {MessageAnswer::kYes};
    EXPECT_EQ(DeleteTask(state, prompter_, 1), TaskRefresh::kForced);
    EXPECT_EQ(Names(), (std::vector<std::string>{"First", "Third"}));
    EXPECT_EQ(state.SelectedTask(), 1);
    EXPECT_EQ(state.Tasks().At(1)->Index(), 2);

    const std::string text = ReadText(Path());
    EXPECT_NE(text.find("TaskCount=2\n"), std::string::npos);
    EXPECT_NE(text.find("[Task002]\nName=&34Third&34\n"), std::string::npos);
    EXPECT_NE(text.find("[Task003]\nName=&34&34\n"), std::string::npos);  // new-task values

    state.Shutdown();
    SchedulerState& restarted = Started();
    EXPECT_EQ(Names(), (std::vector<std::string>{"First", "Third"}));
    EXPECT_TRUE(restarted.Tasks().At(1)->SetupTimesIndex(600));
}

TEST_F(TaskCommandsTest, DeletingTheOnlyTaskLeavesNoSelection) {
    SchedulerState& state = Started();
    AddNamed({"Only"});
    prompter_.answers = {MessageAnswer::kYes};
    EXPECT_EQ(DeleteTask(state, prompter_, 0), TaskRefresh::kForced);
    EXPECT_EQ(state.SelectedTask(), -1);
    EXPECT_EQ(state.Tasks().TaskCount(), 0);
    // Commands on no selection do nothing.
    EXPECT_EQ(DeleteTask(state, prompter_, -1), TaskRefresh::kNone);
    EXPECT_EQ(RenameTask(state, prompter_, 0), TaskRefresh::kNone);
    EXPECT_EQ(CopyTask(state, prompter_, 0), TaskRefresh::kNone);
}

TEST_F(TaskCommandsTest, ACopyTakesEverythingButNameAndSection) {
    SchedulerState& state = Started();
    AddNamed({"Roof"});
    Task& source = *state.Tasks().At(0);
    source.SetSetupFile("/cam/roof.tls");
    source.SetSetupTimesIndex(480, true);
    source.SetInterval(15);
    source.SetOverrideOutputAVIPath(true);
    source.SetOutputAVIPath("/www/roof.avi");
    source.SetVisible(true);
    source.GetSchedule().SetScheduleMode(1);
    source.GetSchedule().SetStartMode(2);
    source.GetSchedule().SetStartSunsetOffset(-30);
    state.Tasks().SaveAll();

    prompter_.typed = {"Roof evening"};
    EXPECT_EQ(CopyTask(state, prompter_, 0), TaskRefresh::kUpdate);
    EXPECT_EQ(prompter_.inputs.back().initialText, "Copy of Roof");
    EXPECT_EQ(state.SelectedTask(), 1);

    state.Shutdown();
    Started();
    const Task& copy = *state_->Tasks().At(1);
    EXPECT_EQ(copy.Name(), "Roof evening");
    EXPECT_EQ(copy.Index(), 2);
    EXPECT_EQ(copy.SetupFile(), "/cam/roof.tls");
    EXPECT_TRUE(copy.SetupTimesIndex(480));
    EXPECT_EQ(copy.Interval(), 15);
    EXPECT_TRUE(copy.OverrideOutputAVIPath());
    EXPECT_EQ(copy.OutputAVIPath(), "/www/roof.avi");
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(copy.GetSchedule().Description(), "sunset-30 min to 00:00:00");
}

TEST_F(TaskCommandsTest, RenamingSavesTheNewName) {
    SchedulerState& state = Started();
    AddNamed({"Roof"});
    prompter_.typed = {""};
    prompter_.answers = {MessageAnswer::kYes};
    EXPECT_EQ(RenameTask(state, prompter_, 0), TaskRefresh::kNone);
    EXPECT_EQ(prompter_.inputs.back().initialText, "Roof");
    EXPECT_EQ(prompter_.messages.back().text,
              "You did not enter a name.  Would you like to cancel this renaming?");

    prompter_.typed = {"Roof \"north\""};
    EXPECT_EQ(RenameTask(state, prompter_, 0), TaskRefresh::kForced);
    EXPECT_NE(ReadText(Path()).find("Name=&34Roof &34north&34&34\n"), std::string::npos);
}

TEST_F(TaskCommandsTest, ATaskFileThatCannotBeWrittenIsToldAfterEachCommand) {
    SchedulerState& state = Started();
    AddNamed({"Roof", "Yard"});
    const std::string before = ReadText(Path());
    std::filesystem::permissions(Path(), std::filesystem::perms::owner_read);
    const std::string told =
        "The task file could not be saved:\nthe file \"" + Path() + "\" is read-only";
    const struct {
        const char* name;
        std::function<TaskRefresh()> command;
    } commands[] = {
        {"add",
         [&] {
             prompter_.typed = {"Garden"};
             return AddTask(state, prompter_);
         }},
        {"rename",
         [&] {
             prompter_.typed = {"Roof 2"};
             return RenameTask(state, prompter_, 0);
         }},
        {"copy",
         [&] {
             prompter_.typed = {"Copy"};
             return CopyTask(state, prompter_, 0);
         }},
        {"delete",
         [&] {
             prompter_.answers = {MessageAnswer::kYes};
             return DeleteTask(state, prompter_, 1);
         }},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        prompter_.messages.clear();
        EXPECT_NE(c.command(), TaskRefresh::kNone);
        ASSERT_FALSE(prompter_.messages.empty());
        EXPECT_EQ(prompter_.messages.back().text, told);
        EXPECT_EQ(prompter_.messages.back().title, "Save Tasks");
        EXPECT_EQ(ReadText(Path()), before);
    }
}

}  // namespace
}  // namespace chronoreel
