#include "scheduler/task_file.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr const char* kMovieMaker = "/opt/chronoreel/chronoreel";

// The keys a task section gains when it is loaded from nothing, after its name.
std::string DefaultKeysAfterName() {
    return "SetupFile=&34&34\n"
           "SetupTimes=" +
           std::string(1440, '0') +
           "\n"
           "Interval=60\n"
           "OverrideInputPath=False\n"
           "InputPath=&34&34\n"
           "OverrideFileFilter=False\n"
           "FileFilter=&34*.jpg&34\n"
           "OverrideOutputPath=False\n"
           "OutputPath=&34&34\n"
           "OverridePostGenerationShell=False\n"
           "PostGenerationShell=&34&34\n"
           "Visible=False\n"
           "ScheduleMode=0\n"
           "StartMode=0\n"
           "StopMode=0\n"
           "StartAbsoluteTime=0\n"
           "StartSunriseOffset=0\n"
           "StartSunsetOffset=0\n"
           "StopAbsoluteTime=0\n"
           "StopSunriseOffset=0\n"
           "StopSunsetOffset=0\n";
}

class TaskFileTest : public ::testing::Test {
  protected:
    std::string Path() const { return dir_ / "ChronoreelScheduler.INI"; }

    // A task file object as the program has it after start-up.
    TaskFile& Loaded() {
        file_ = std::make_unique<TaskFile>(flag_);
        file_->SetPaths(Path(), kMovieMaker);
        file_->LoadAll();
        return *file_;
    }

    TempDir dir_;
    ScheduleChangedFlag flag_;
    std::unique_ptr<TaskFile> file_;
};

TEST_F(TaskFileTest, AnAbsentFileIsCreatedWithTheGeneralDefaults) {
    const TaskFile& file = Loaded();
    EXPECT_EQ(file.TaskCount(), 0);
    EXPECT_EQ(file.ChronoreelPath(), kMovieMaker);
    EXPECT_EQ(ReadText(Path()),
              "[General]\nTaskCount=0\nChronoreelPath=/opt/chronoreel/chronoreel\n");
}

TEST_F(TaskFileTest, MissingKeysAreWrittenWithTheirDefaults) {
    WriteText(Path(), "[General]\nTaskCount=1\n[Task001]\nName=Night\n");
    const TaskFile& file = Loaded();
    ASSERT_EQ(file.TaskCount(), 1);
    const Task& task = *file.At(0);
    EXPECT_EQ(task.Name(), "Night");
    EXPECT_EQ(task.Interval(), 60);
    EXPECT_EQ(task.FileFilter(), "*.jpg");
    EXPECT_EQ(task.Index(), 1);
    EXPECT_FALSE(task.NeedsSaving());
    EXPECT_EQ(ReadText(Path()),
              "[General]\nTaskCount=1\nChronoreelPath=/opt/chronoreel/chronoreel\n"
              "[Task001]\nName=Night\n" +
                  DefaultKeysAfterName());
}

TEST_F(TaskFileTest, EveryFieldRoundTripsWithQuotesInNamesAndPaths) {
    TaskFile& file = Loaded();
    auto task = file.CreateTask();
    task->SetIndex(1);
    task->SetName("Say \"hi\"");
    task->SetSetupFile("/cam/my \"best\" roof.tls");
    task->SetSetupTimes(std::string(600, '0') + "1" + std::string(839, '0'));
    task->SetInterval(15);
    task->SetOverrideInputPath(true);
    task->SetInputPath("/in/\"x\"");
    task->SetOverrideFileFilter(true);
    task->SetFileFilter("\"*.jpg\"");
    task->SetOverrideOutputAVIPath(true);
    task->SetOutputAVIPath(" /out/roof.avi ");
    task->SetOverridePostGenerationShell(true);
    task->SetPostGenerationShell("sh -c \"cp '<outpath>' /www\"");
    task->SetVisible(true);
    Schedule& schedule = task->GetSchedule();
    schedule.SetScheduleMode(1);
    schedule.SetStartMode(1);
    schedule.SetStopMode(2);
    schedule.SetStartAbsoluteTime(0.3125);
    schedule.SetStartSunriseOffset(-7.5);
    schedule.SetStartSunsetOffset(12);
    schedule.SetStopAbsoluteTime(0.75);
    schedule.SetStopSunriseOffset(90);
    schedule.SetStopSunsetOffset(-1440);
    file.Append(task);
    file.SetChronoreelPath("/usr/local/bin/chronoreel");
    flag_.Clear();
    file.SaveAll();
    EXPECT_TRUE(flag_.IsRaised());
    EXPECT_FALSE(task->NeedsSaving());

    const std::string text = ReadText(Path());
    EXPECT_NE(text.find("\nName=&34Say &34hi&34&34\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSetupFile=/cam/my &34best&34 roof.tls\n"), std::string::npos);
    EXPECT_NE(text.find("\nTaskCount=1\n"), std::string::npos);
    EXPECT_NE(text.find("\nOverrideOutputPath=True\n"), std::string::npos);
    EXPECT_NE(text.find("\nOutputPath=&34 /out/roof.avi &34\n"), std::string::npos);
    EXPECT_NE(text.find("\nStartSunriseOffset=-7.5\n"), std::string::npos);

    const Task& back = *Loaded().At(0);
    EXPECT_EQ(file_->ChronoreelPath(), "/usr/local/bin/chronoreel");
    EXPECT_EQ(back.Name(), task->Name());
    EXPECT_EQ(back.SetupFile(), task->SetupFile());
    EXPECT_EQ(back.SetupTimes(), task->SetupTimes());
    EXPECT_EQ(back.Interval(), 15);
    EXPECT_EQ(back.InputPath(), task->InputPath());
    EXPECT_EQ(back.FileFilter(), task->FileFilter());
    EXPECT_EQ(back.OutputAVIPath(), task->OutputAVIPath());
    EXPECT_EQ(back.PostGenerationShell(), task->PostGenerationShell());
    EXPECT_TRUE(back.OverrideInputPath() && back.OverrideFileFilter() &&
                back.OverrideOutputAVIPath() && back.OverridePostGenerationShell() &&
                back.Visible());
    const Schedule& read = back.GetSchedule();
    EXPECT_EQ(read.ScheduleMode(), 1);
    EXPECT_EQ(read.StartMode(), 1);
    EXPECT_EQ(read.StopMode(), 2);
    EXPECT_DOUBLE_EQ(read.StartAbsoluteTime(), 0.3125);
    EXPECT_DOUBLE_EQ(read.StartSunriseOffset(), -7.5);
    EXPECT_DOUBLE_EQ(read.StartSunsetOffset(), 12);
    EXPECT_DOUBLE_EQ(read.StopAbsoluteTime(), 0.75);
    EXPECT_DOUBLE_EQ(read.StopSunriseOffset(), 90);
    EXPECT_DOUBLE_EQ(read.StopSunsetOffset(), -1440);
    EXPECT_FALSE(back.NeedsSaving());
}

TEST_F(TaskFileTest, ValuesReadAsTheyStandOrBetweenTheirQuotes) {
    WriteText(Path(),
              "[General]\nTaskCount=1\nChronoreelPath=\"  /usr/bin/chronoreel  \"\n"
              "[Task001]\nName=&34&34\nSetupFile=&34/cam/day.tls&34\nInputPath=&34\n"
              "FileFilter=*.jpeg\nSetupTimes=0001\nInterval=abc\nVisible=true\n"
              "StartMode=9\nStopAbsoluteTime=1.5\n");
    const TaskFile& file = Loaded();
    EXPECT_EQ(file.ChronoreelPath(), "/usr/bin/chronoreel");
    const Task& task = *file.At(0);
    EXPECT_EQ(task.Name(), "");
    EXPECT_EQ(task.SetupFile(), "/cam/day.tls");
    EXPECT_EQ(task.InputPath(), "\"");
    EXPECT_EQ(task.FileFilter(), "*.jpeg");
    EXPECT_EQ(task.SetupTimes(), "0001");  // kept until the first minute write
    EXPECT_EQ(task.Interval(), 0);
    EXPECT_TRUE(task.Visible());
    EXPECT_EQ(task.GetSchedule().StartMode(), 2);
    EXPECT_DOUBLE_EQ(task.GetSchedule().StopAbsoluteTime(), 0.99988427);
    EXPECT_FALSE(task.NeedsSaving());
}

TEST_F(TaskFileTest, SaveAllWritesOnlyChangedTasks) {
    WriteText(Path(), "[General]\nTaskCount=2\n[Task001]\nName=A\n[Task002]\nName=B\n");
    TaskFile& file = Loaded();
    file.At(1)->SetName("B2");
    // A hand edit of the unchanged task survives the save.
    std::string text = ReadText(Path());
    text.replace(text.find("Name=A\n"), 7, "Name=Edited\n");
    WriteText(Path(), text);
    file.SaveAll();
    const TaskFile& back = Loaded();
    EXPECT_EQ(back.At(0)->Name(), "Edited");
    EXPECT_EQ(back.At(1)->Name(), "B2");
}

TEST_F(TaskFileTest, ASaveThatFailsKeepsTheChangedTasksForTheNextSaveAndSaysWhy) {
    const std::string before = "[General]\nTaskCount=1\nChronoreelPath=/x\n[Task001]\nName=A\n";
    WriteText(Path(), before);
    TaskFile& file = Loaded();
    file.Ini().TakeWriteError();
    file.At(0)->SetName("B");
    std::filesystem::permissions(Path(), std::filesystem::perms::owner_read);
    EXPECT_FALSE(file.SaveAll());
    EXPECT_TRUE(file.At(0)->NeedsSaving());
    EXPECT_EQ(file.Ini().TakeWriteError(), "the file \"" + Path() + "\" is read-only");
    EXPECT_EQ(ReadText(Path()).substr(0, before.size()), before);
    // Writable again, the next save writes the change that the failed one could not.
    std::filesystem::permissions(Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_TRUE(file.SaveAll());
    EXPECT_FALSE(file.At(0)->NeedsSaving());
    EXPECT_EQ(Loaded().At(0)->Name(), "B");
}

TEST_F(TaskFileTest, TaskCountAboveTheLimitReadsTheLastSectionAgainAndIsKept) {
    WriteText(Path(),
              "[General]\nTaskCount=1001\n[Task001]\nName=&34First&34\n"
              "[Task999]\nName=&34Last&34\nSetupTimes=1\n");
    TaskFile& file = Loaded();
    ASSERT_EQ(file.TaskCount(), 1001);
    EXPECT_EQ(file.At(0)->Name(), "First");
    EXPECT_EQ(file.At(1)->Name(), "");
    for (const int position : {998, 999, 1000}) {
        EXPECT_EQ(file.At(position)->Name(), "Last");
        EXPECT_EQ(file.At(position)->Index(), 999);
        EXPECT_EQ(file.At(position)->SetupTimes(), "1");
    }
    const std::string text = ReadText(Path());
    EXPECT_NE(text.find("[Task500]\nName=&34&34\n"), std::string::npos);
    EXPECT_EQ(text.find("[Task1000]"), std::string::npos);

    file.SaveAll();
    EXPECT_NE(ReadText(Path()).find("\nTaskCount=1001\n"), std::string::npos);
    EXPECT_EQ(Loaded().TaskCount(), 1001);
}

TEST_F(TaskFileTest, ANegativeTaskCountLoadsNoTask) {
    WriteText(Path(), "[General]\nTaskCount=-4\n[Task001]\nName=A\n");
    EXPECT_EQ(Loaded().TaskCount(), 0);
}

}  // namespace
}  // namespace chronoreel
