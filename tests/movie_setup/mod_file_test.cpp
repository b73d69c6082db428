#include "movie_setup/mod_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "movie/settings_listing.h"
#include "support/scripted_prompter.h"
#include "support/setup_test_helpers.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::KeyLine;
using testing::KeyLines;
using testing::ReadText;
using testing::WriteText;

TEST(RecentFiles, MoveToFrontComparesPathsExactly) {
    struct Case {
        RecentFiles before;
        std::string path;
        RecentFiles after;
    };
    const std::vector<Case> cases = {
        {{"a", "b", "c", "d"}, "b", {"b", "a", "c", "d"}},
        {{"b", "a", "c", "d"}, "e", {"e", "b", "a", "c"}},
        {{"b", "a", "c", "d"}, "B", {"B", "b", "a", "c"}},
        {{"a", "b", "c", "d"}, "a", {"a", "b", "c", "d"}},
        {{"a", "b", "c", "d"}, "d", {"d", "a", "b", "c"}},
        {{"a", "", "", ""}, "b", {"b", "a", "", ""}},
        {{"", "", "", ""}, "a", {"a", "", "", ""}},
        {{"a", "b", "", ""}, "", {"a", "b", "", ""}},
    };
    for (const Case& c : cases) {
        RecentFiles files = c.before;
        MoveToFront(files, c.path);
        EXPECT_EQ(files, c.after) << "moving " << c.path << " to the front of " << c.before[0]
                                  << "," << c.before[1] << "," << c.before[2] << "," << c.before[3];
    }
}

class SettingsFileTest : public ::testing::Test {
  protected:
    std::filesystem::path SettingsPath() const { return dir / "Chronoreel.INI"; }
    std::string MakeFile(const std::string& name) const {
        WriteText(dir / name, "[General]\n");
        return (dir / name).string();
    }

    testing::TempDir dir;
    ProgramState state;
    INI ini;
};

TEST_F(SettingsFileTest, FirstStartWritesTheLocationAndShutdownTheRecentFiles) {
    LoadSetup(state, ini, dir.Path());
    std::vector<KeyLine> keys = KeyLines(ReadText(SettingsPath()));
    EXPECT_EQ(keys, (std::vector<KeyLine>{{"general/longitude", "0"}, {"general/latitude", "0"}}));
    EXPECT_EQ(state.recentFiles, RecentFiles{});

    SaveSetup(state, ini, dir.Path());
    keys = KeyLines(ReadText(SettingsPath()));
    EXPECT_EQ(keys, (std::vector<KeyLine>{{"general/longitude", "0"},
                                          {"general/latitude", "0"},
                                          {"last files/file1", ""},
                                          {"last files/file2", ""},
                                          {"last files/file3", ""},
                                          {"last files/file4", ""}}));
}

TEST_F(SettingsFileTest, ADryStartWritesNothing) {
    LoadSetup(state, ini, dir.Path(), LoadMode::kWriteNothing);
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    EXPECT_EQ(state.latitude, 0);
    EXPECT_EQ(state.longitude, 0);
}

TEST_F(SettingsFileTest, LocationAndRecentFilesComeBackAndDeletedFilesDropOut) {
    state.latitude = 52.5;
    state.longitude = -1.25;
    state.recentFiles = {MakeFile("1.tls"), MakeFile("2.tls"), MakeFile("3.tls"),
                         MakeFile("4.tls")};
    SaveSetup(state, ini, dir.Path());

    ProgramState loaded;
    LoadSetup(loaded, ini, dir.Path());
    EXPECT_EQ(loaded.latitude, 52.5);
    EXPECT_EQ(loaded.longitude, -1.25);
    EXPECT_EQ(loaded.recentFiles, state.recentFiles);

    std::filesystem::remove(dir / "2.tls");
    ProgramState afterDelete;
    LoadSetup(afterDelete, ini, dir.Path());
    EXPECT_EQ(afterDelete.recentFiles,
              (RecentFiles{state.recentFiles[0], state.recentFiles[2], state.recentFiles[3], ""}));
}

TEST_F(SettingsFileTest, AnUnattendedRunKeepsTheStoredRecentFiles) {
    const std::string first = MakeFile("first.tls");
    WriteText(SettingsPath(), "[Last Files]\nFile1=" + first + "\n");
    LoadSetup(state, ini, dir.Path());
    state.automation = true;
    MoveToFront(state.recentFiles, MakeFile("auto.tls"));
    state.latitude = 10;
    SaveSetup(state, ini, dir.Path());
    const std::vector<KeyLine> keys = KeyLines(ReadText(SettingsPath()));
    EXPECT_EQ(keys, (std::vector<KeyLine>{{"last files/file1", first},
                                          {"general/longitude", "0"},
                                          {"general/latitude", "10"}}));
}

// One movie maker with its setup commands, working in a temporary folder.
struct CommandEnv {
    CommandEnv() {
        WriteText(dir / "existing.tls", kExisting);
        WriteText(dir / "cur.tls", kExisting);
    }
    std::string PathOf(const std::string& name) const {
        return name.empty() ? "" : (dir / name).string();
    }

    static constexpr const char* kExisting = "[General]\nMovieFPS=10\nUnknown=keep\n";
    testing::TempDir dir;
    ProgramState state;
    MovieGen gen{state.setupChanged};
    INI ini;
    testing::ScriptedPrompter prompter;
    testing::RecordingView view;
    SetupSession session{state, gen, ini, prompter, view};
};

const testing::ScriptedPrompter::Asked kSaveChanges{"Would you like to save the current file?",
                                                    "Save Changes?", MessageButtons::kYesNoCancel};
const testing::ScriptedPrompter::Asked kNoFile{"No file was selected.  Aborting process.",
                                               "No file selected", MessageButtons::kOk};
const testing::ScriptedPrompter::Asked kExistsNew{
    "File already exists.  Select 'Open Setup' to open an existing file.", "File Exists",
    MessageButtons::kOk};
const testing::ScriptedPrompter::Asked kExistsOverwrite{
    "File already exists.  Would you like to overwrite the existing file?", "File Exists",
    MessageButtons::kYesNoCancel};

struct CommandCase {
    const char* name;
    void (*command)(SetupSession&);
    bool changedBefore;
    std::string currentBefore;  // file name in the folder, "" for none
    std::vector<MessageAnswer> answers;
    std::vector<std::optional<std::string>> dialogAnswers;  // file names in the folder
    std::vector<testing::ScriptedPrompter::Asked> expectedMessages;
    std::vector<std::string> expectedDialogs;  // titles
    std::string currentAfter;
    bool changedAfter;
};

TEST(SetupCommands, AskSaveAndChooseAsTheMenuCommandsDo) {
    using A = MessageAnswer;
    const std::vector<CommandCase> cases = {
        {"open: Cancel at the question changes nothing",
         OpenFile,
         true,
         "cur.tls",
         {A::kCancel},
         {},
         {kSaveChanges},
         {},
         "cur.tls",
         true},
        {"open: Yes, then cancelling the save dialog ends the command",
         OpenFile,
         true,
         "",
         {A::kYes},
         {std::nullopt},
         {kSaveChanges},
         {"Save Setup File"},
         "",
         true},
        {"open: Yes saves the current file, then opens",
         OpenFile,
         true,
         "cur.tls",
         {A::kYes},
         {"existing.tls"},
         {kSaveChanges},
         {"Open/Create Setup File"},
         "existing.tls",
         false},
        {"open: No forgets the changes; a new name creates the file",
         OpenFile,
         true,
         "cur.tls",
         {A::kNo},
         {"fresh"},
         {kSaveChanges},
         {"Open/Create Setup File"},
         "fresh.tls",
         false},
        {"open: no question without changes; empty name",
         OpenFile,
         false,
         "cur.tls",
         {},
         {""},
         {kNoFile},
         {"Open/Create Setup File"},
         "cur.tls",
         false},
        {"open: dialog cancelled",
         OpenFile,
         false,
         "cur.tls",
         {},
         {std::nullopt},
         {},
         {"Open/Create Setup File"},
         "cur.tls",
         false},
        {"new: an existing file is refused",
         NewFile,
         false,
         "cur.tls",
         {},
         {"existing.tls"},
         {kExistsNew},
         {"New File"},
         "cur.tls",
         false},
        {"new: a new name starts a default setup",
         NewFile,
         true,
         "cur.tls",
         {A::kNo},
         {"brand-new.tls"},
         {kSaveChanges},
         {"New File"},
         "brand-new.tls",
         false},
        {"new: Cancel at the question",
         NewFile,
         true,
         "cur.tls",
         {A::kCancel},
         {},
         {kSaveChanges},
         {},
         "cur.tls",
         true},
        {"new: empty name",
         NewFile,
         false,
         "cur.tls",
         {},
         {""},
         {kNoFile},
         {"New File"},
         "cur.tls",
         false},
        {"save as: No keeps the existing file",
         SaveAsFile,
         true,
         "cur.tls",
         {A::kNo},
         {"existing.tls"},
         {kExistsOverwrite},
         {"Save File"},
         "cur.tls",
         true},
        {"save as: Cancel keeps the existing file",
         SaveAsFile,
         true,
         "cur.tls",
         {A::kCancel},
         {"existing.tls"},
         {kExistsOverwrite},
         {"Save File"},
         "cur.tls",
         true},
        {"save as: Yes writes into the existing file",
         SaveAsFile,
         true,
         "cur.tls",
         {A::kYes},
         {"existing.tls"},
         {kExistsOverwrite},
         {"Save File"},
         "existing.tls",
         false},
        {"save as: a new name, no question",
         SaveAsFile,
         true,
         "",
         {},
         {"copy"},
         {},
         {"Save File"},
         "copy.tls",
         false},
        {"save as: empty name",
         SaveAsFile,
         true,
         "cur.tls",
         {},
         {""},
         {kNoFile},
         {"Save File"},
         "cur.tls",
         true},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        CommandEnv env;
        env.state.currentSetupFile = env.PathOf(c.currentBefore);
        if (c.changedBefore) {
            env.state.setupChanged.Set();
        }
        env.prompter.messageAnswers.assign(c.answers.begin(), c.answers.end());
        for (const std::optional<std::string>& answer : c.dialogAnswers) {
            env.prompter.dialogAnswers.push_back(answer ? std::optional(env.PathOf(*answer))
                                                        : std::nullopt);
        }
        const std::string existingBefore = ReadText(env.dir / "existing.tls");

        c.command(env.session);

        ASSERT_EQ(env.prompter.messages.size(), c.expectedMessages.size());
        for (std::size_t i = 0; i < c.expectedMessages.size(); ++i) {
            EXPECT_EQ(env.prompter.messages[i].text, c.expectedMessages[i].text);
            EXPECT_EQ(env.prompter.messages[i].title, c.expectedMessages[i].title);
            EXPECT_EQ(env.prompter.messages[i].buttons, c.expectedMessages[i].buttons);
        }
        ASSERT_EQ(env.prompter.dialogs.size(), c.expectedDialogs.size());
        for (std::size_t i = 0; i < c.expectedDialogs.size(); ++i) {
            const FileDialogRequest& request = env.prompter.dialogs[i];
            EXPECT_EQ(request.title, c.expectedDialogs[i]);
            EXPECT_EQ(request.style, c.expectedDialogs[i] == "Save File" ? FileDialogStyle::kSave
                                                                         : FileDialogStyle::kOpen);
            EXPECT_EQ(request.filter, "Time-Lapse Setup Files (*.tls)|*.tls");
            EXPECT_EQ(request.fileName, "");
            EXPECT_EQ(request.startFolder, std::filesystem::current_path().string());
        }
        EXPECT_EQ(env.state.currentSetupFile, env.PathOf(c.currentAfter));
        EXPECT_EQ(env.state.setupChanged.IsSet(), c.changedAfter);
        if (c.currentAfter != c.currentBefore) {
            EXPECT_TRUE(std::filesystem::exists(env.PathOf(c.currentAfter)));
            EXPECT_EQ(env.state.recentFiles[0], env.PathOf(c.currentAfter));
            EXPECT_EQ(env.view.titles.back(), "Chronoreel - " + env.PathOf(c.currentAfter));
        }
        if (c.currentAfter != "existing.tls") {
            EXPECT_EQ(ReadText(env.dir / "existing.tls"), existingBefore);
        }
    }
}

TEST(SetupCommands, OpeningLoadsTheFileAndNewStartsFromTheFileDefaults) {
    CommandEnv env;
    env.prompter.dialogAnswers = {env.PathOf("existing.tls")};
    OpenFile(env.session);
    EXPECT_EQ(env.gen.MovieFPS(), 10);
    EXPECT_EQ(env.view.enableSaveCalls, 1);
    EXPECT_EQ(env.view.refreshCalls, 1);

    env.gen.SetMovieFPS(12);
    env.prompter.messageAnswers = {MessageAnswer::kNo};
    env.prompter.dialogAnswers = {env.PathOf("new.tls")};
    NewFile(env.session);
    EXPECT_EQ(env.gen.MovieFPS(), 24);
    EXPECT_EQ(env.gen.StartTimeOption(), 1);
    EXPECT_EQ(env.state.recentFiles[0], env.PathOf("new.tls"));
    EXPECT_EQ(env.state.recentFiles[1], env.PathOf("existing.tls"));
    EXPECT_EQ(env.view.recentLists.back(), env.state.recentFiles);
}

TEST(SetupCommands, SaveAsOntoAnExistingFileKeepsItsUnknownKeys) {
    CommandEnv env;
    env.gen.SetMovieFPS(30);
    env.prompter.dialogAnswers = {env.PathOf("existing.tls")};
    env.prompter.messageAnswers = {MessageAnswer::kYes};
    SaveAsFile(env.session);
    const std::vector<KeyLine> keys = KeyLines(ReadText(env.dir / "existing.tls"));
    EXPECT_EQ(keys[0], (KeyLine{"general/moviefps", "30"}));
    EXPECT_EQ(keys[1], (KeyLine{"general/unknown", "keep"}));
}

}  // namespace
}  // namespace chronoreel
