#include "movie_setup/shutdown.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "movie_setup/movie_maker_objects.h"
#include "movie_setup/start_setup.h"
#include "support/scripted_prompter.h"
#include "support/setup_test_helpers.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::KeyLine;
using testing::KeyLines;
using testing::ReadText;
using testing::WriteText;

class ShutdownTest : public ::testing::Test {
  protected:
    SetupSession Session() {
        return {objects.state, objects.movieGen, objects.ini, prompter, view};
    }
    std::string SettingsText() const { return ReadText(dir / "Chronoreel.INI"); }

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    testing::RecordingView view;
};

TEST_F(ShutdownTest, EachAnswerToSaveChanges) {
    struct Case {
        const char* name;
        std::optional<MessageAnswer> answer;  // nothing: no unsaved changes, no question
        std::optional<std::string> saveDialog;
        bool ends;
        bool setupWritten;
    };
    const std::vector<Case> cases = {
        {"unchanged", std::nullopt, std::nullopt, true, false},
        {"yes with a file chosen", MessageAnswer::kYes, "saved.tls", true, true},
        {"yes, then the save dialog cancelled", MessageAnswer::kYes, std::nullopt, true, false},
        {"no", MessageAnswer::kNo, std::nullopt, true, false},
        {"cancel", MessageAnswer::kCancel, std::nullopt, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir folder;
        MovieMakerObjects fresh;
        testing::ScriptedPrompter answers;
        SetupSession session{fresh.state, fresh.movieGen, fresh.ini, answers, view};
        if (c.answer) {
            fresh.movieGen.SetImageFilter("*.jpeg");
            answers.messageAnswers.push_back(*c.answer);
        }
        if (c.saveDialog) {
            answers.dialogAnswers.push_back((folder / *c.saveDialog).string());
        }

        EXPECT_EQ(Shutdown(session, folder.Path()), c.ends);

        EXPECT_EQ(answers.messages.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(answers.messages[0].title, "Save Changes?");
            EXPECT_EQ(answers.messages[0].text, "Would you like to save the current file?");
            EXPECT_EQ(answers.messages[0].buttons, MessageButtons::kYesNoCancel);
        }
        EXPECT_EQ(std::filesystem::exists(folder / "saved.tls"), c.setupWritten);
        // Cancel keeps the program running with nothing saved, not even the settings file.
        EXPECT_EQ(std::filesystem::exists(folder / "Chronoreel.INI"), c.ends);
        if (c.answer == MessageAnswer::kNo) {
            EXPECT_FALSE(fresh.state.setupChanged.IsSet());
        }
    }
}

TEST_F(ShutdownTest, StoresLocationAndRecentFilesButAnUnattendedRunKeepsTheList) {
    objects.state.latitude = 47.5;
    objects.state.longitude = -122.25;
    objects.state.recentFiles = {"/a.tls", "", "", ""};
    SetupSession session = Session();
    ASSERT_TRUE(Shutdown(session, dir.Path()));
    EXPECT_EQ(KeyLines(SettingsText()), (std::vector<KeyLine>{{"general/longitude", "-122.25"},
                                                              {"general/latitude", "47.5"},
                                                              {"last files/file1", "/a.tls"},
                                                              {"last files/file2", ""},
                                                              {"last files/file3", ""},
                                                              {"last files/file4", ""}}));

    testing::TempDir other;
    objects.state.automation = true;
    objects.movieGen.SetImageFilter("*.jpeg");  // never asked about in an unattended run
    ASSERT_TRUE(Shutdown(session, other.Path()));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(
        KeyLines(ReadText(other / "Chronoreel.INI")),
        (std::vector<KeyLine>{{"general/longitude", "-122.25"}, {"general/latitude", "47.5"}}));
}

TEST_F(ShutdownTest, StartOpensTheCommandLineFileElseTheNewestRecentElseTheDefaults) {
    const std::string named = (dir / "named.tls").string();
    const std::string recent = (dir / "recent.tls").string();
    WriteText(named, "[General]\nImageFilter=named*.jpg\n");
    WriteText(recent, "[General]\nImageFilter=recent*.jpg\n");
    struct Case {
        std::string commandLine;
        std::string newestRecent;
        std::string opened;  // empty: the defaults
        std::string filter;
    };
    const std::vector<Case> cases = {
        {named, recent, named, "named*.jpg"},
        {"", recent, recent, "recent*.jpg"},
        {"", "", "", "*.jpg"},
    };
    for (const Case& c : cases) {
        MovieMakerObjects fresh;
        testing::RecordingView shown;
        fresh.state.recentFiles = {c.newestRecent, "", "", ""};
        SetupSession session{fresh.state, fresh.movieGen, fresh.ini, prompter, shown};
        OpenStartSetup(session, c.commandLine);
        EXPECT_EQ(fresh.state.currentSetupFile, c.opened);
        EXPECT_EQ(fresh.movieGen.ImageFilter(), c.filter);
        EXPECT_FALSE(fresh.state.setupChanged.IsSet());
        // The window is filled once, and the menu shows the list.
        EXPECT_EQ(shown.refreshCalls, 1);
        ASSERT_FALSE(shown.recentLists.empty());
        EXPECT_EQ(shown.recentLists.back()[0], c.opened.empty() ? c.newestRecent : c.opened);
        EXPECT_EQ(shown.titles.empty(), c.opened.empty());
    }
}

}  // namespace
}  // namespace chronoreel
