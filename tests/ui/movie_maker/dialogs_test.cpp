// The windows the main window opens: compression options, location and About.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "movie/settings_listing.h"
#include "movie/video_settings_of.h"
#include "movie_setup/movie_maker_objects.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/movie_maker/frm_compression.h"
#include "ui/movie_maker/frm_main.h"
#include "ui/movie_maker/window_test_support.h"
#include "video/video_settings.h"

namespace chronoreel::ui {
namespace {

using testing::Application;
using testing::Control;
using testing::WaitUntil;

// A top-level window of that design name, or nullptr.
QWidget* TopLevel(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name) && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

class DialogsTest : public ::testing::Test {
  protected:
    DialogsTest() {
        Application();
        window = std::make_unique<FrmMain>(
            MainWindowContext{objects, prompter, clock, dir.Path(), dir.Path(), {}});
        window->UpdateSetupControls();
        window->show();
        objects.state.setupChanged.Clear();
    }

    FrmCompression* OpenCompression() {
        Control<QAbstractButton>(*window, "cmdShowCompressionOptions")->click();
        auto* dialog = window->findChild<FrmCompression*>();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog && dialog->isVisible());
        return dialog;
    }

    void Press(QWidget* dialog, const char* button) {
        Control<QAbstractButton>(*dialog, button)->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    MovieGen& Gen() { return objects.movieGen; }

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    SystemClock clock;
    std::unique_ptr<FrmMain> window;
};

TEST_F(DialogsTest, CompressionOpensOnTheStoredChoiceAndOkStoresTheNewOne) {
    Gen().SetCompressHandler(MakeFourcc("MJPG"));
    Gen().SetCompressQuality(0);
    objects.state.setupChanged.Clear();
    FrmCompression* dialog = OpenCompression();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Video Compression");
    EXPECT_EQ(Control<QComboBox>(*dialog, "cmbCompressor")->currentText(), "Motion JPEG");
    // Never the worst quality silently.
    EXPECT_EQ(Control<QSpinBox>(*dialog, "spnQuality")->value(), 75);
    EXPECT_FALSE(Control<QLabel>(*dialog, "lblCopyNote")->isVisible());
    Control<QSpinBox>(*dialog, "spnQuality")->setValue(100);
    EXPECT_TRUE(Control<QLabel>(*dialog, "lblCopyNote")->isVisible());
    Control<QCheckBox>(*dialog, "chkKeyFrameEvery")->setChecked(true);
    Control<QSpinBox>(*dialog, "spnKeyFrameEvery")->setValue(12);
    EXPECT_FALSE(objects.state.setupChanged.IsSet());

    Press(dialog, "cmdOK");

    EXPECT_EQ(Gen().CompressHandler(), MakeFourcc("MJPG"));
    EXPECT_EQ(Gen().CompressQuality(), 10000);
    EXPECT_EQ(Gen().CompressKeyFrameEvery(), 12);
    EXPECT_EQ(Gen().CompressFlags() & kCompressKeyFrames, kCompressKeyFrames);
    EXPECT_EQ(Gen().CompressFlags() & kCompressDataRate, 0);
    EXPECT_TRUE(objects.state.setupChanged.IsSet());
    EXPECT_EQ(window->findChild<FrmCompression*>(), nullptr);
}

TEST_F(DialogsTest, CompressionCancelStoresNothing) {
    const std::vector<std::string> before = SettingsListing(Gen());
    FrmCompression* dialog = OpenCompression();
    ASSERT_NE(dialog, nullptr);
    Control<QComboBox>(*dialog, "cmbCompressor")->setCurrentIndex(1);
    Control<QLineEdit>(*dialog, "txtExtraOptions")->setText("huffman=default");
    Press(dialog, "cmdCancel");
    EXPECT_EQ(SettingsListing(Gen()), before);
    EXPECT_FALSE(objects.state.setupChanged.IsSet());
}

TEST_F(DialogsTest, CompressionTakesOnlyOptionsTheEncoderAccepts) {
    FrmCompression* dialog = OpenCompression();
    ASSERT_NE(dialog, nullptr);
    QComboBox* compressor = Control<QComboBox>(*dialog, "cmbCompressor");
    // Uncompressed first: no quality to choose.
    EXPECT_EQ(compressor->currentIndex(), 0);
    EXPECT_FALSE(Control<QWidget>(*dialog, "spnQuality")->isEnabled());
    EXPECT_FALSE(Control<QWidget>(*dialog, "chkKeyFrameEvery")->isEnabled());
    compressor->setCurrentIndex(compressor->findText("Motion JPEG"));
    EXPECT_TRUE(Control<QWidget>(*dialog, "spnQuality")->isEnabled());
    EXPECT_EQ(Control<QSpinBox>(*dialog, "spnQuality")->value(), 75);

    Control<QLineEdit>(*dialog, "txtExtraOptions")->setText("nosuchoption=1");
    Press(dialog, "cmdOK");
    EXPECT_TRUE(dialog->isVisible());
    QLabel* error = Control<QLabel>(*dialog, "lblError");
    EXPECT_TRUE(error->isVisible());
    EXPECT_TRUE(error->text().contains("nosuchoption"));
    EXPECT_FALSE(objects.state.setupChanged.IsSet());

    Control<QLineEdit>(*dialog, "txtExtraOptions")->setText("huffman=default");
    EXPECT_FALSE(error->isVisible());
    Press(dialog, "cmdOK");
    EXPECT_EQ(Gen().CompressHandler(), MakeFourcc("MJPG"));
    EXPECT_EQ(Gen().CompressQuality(), 7500);
    EXPECT_EQ(VideoSettingsOf(Gen()).extraOptions, "huffman=default");
}

TEST_F(DialogsTest, LocationChangesTakeEffectAtOnceAndClosingEnablesTheMainWindow) {
    objects.state.latitude = 47.5;
    objects.state.longitude = -122.25;
    Control<QAction>(*window, "mnuLocation")->trigger();
    QWidget* location = TopLevel("frmLocation");
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(location->windowTitle(), "Location");
    EXPECT_FALSE(window->isEnabled());
    EXPECT_FALSE(window->close());  // not while the location window is open
    EXPECT_EQ(Control<QLineEdit>(*location, "txtLatitudeDegrees")->text(), "47");
    EXPECT_EQ(Control<QLineEdit>(*location, "txtLatitudeMinutes")->text(), "30.0000");
    EXPECT_EQ(Control<QComboBox>(*location, "cmbLatitude")->currentText(), "N");
    EXPECT_EQ(Control<QLineEdit>(*location, "txtLongitudeDegrees")->text(), "122");
    EXPECT_EQ(Control<QLineEdit>(*location, "txtLongitudeMinutes")->text(), "15.0000");
    EXPECT_EQ(Control<QComboBox>(*location, "cmbLongitude")->currentText(), "W");

    QLineEdit* degrees = Control<QLineEdit>(*location, "txtLatitudeDegrees");
    degrees->selectAll();
    QTest::keyClicks(degrees, "12");
    EXPECT_DOUBLE_EQ(objects.state.latitude, 12.5);
    Control<QComboBox>(*location, "cmbLatitude")->setCurrentIndex(1);
    EXPECT_DOUBLE_EQ(objects.state.latitude, -12.5);
    Control<QAbstractButton>(*location, "cmdExit")->click();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_DOUBLE_EQ(objects.state.latitude, -12.5);
    EXPECT_DOUBLE_EQ(objects.state.longitude, -122.25);

    // The close box keeps the changes too.
    Control<QAction>(*window, "mnuLocation")->trigger();
    location = TopLevel("frmLocation");
    ASSERT_NE(location, nullptr);
    QLineEdit* minutes = Control<QLineEdit>(*location, "txtLongitudeMinutes");
    minutes->selectAll();
    QTest::keyClicks(minutes, "30");
    location->close();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_DOUBLE_EQ(objects.state.longitude, -122.5);
}

TEST_F(DialogsTest, AboutShowsTheVersionOnceAndSaysWhenNoSystemToolIsFound) {
    Control<QAction>(*window, "mnuAbout")->trigger();
    Control<QAction>(*window, "mnuAbout")->trigger();
    int shown = 0;
    QWidget* about = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "frmAbout" && widget->isVisible()) {
            ++shown;
            about = widget;
        }
    }
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(about->windowTitle(), "About Chronoreel");
    EXPECT_EQ(Control<QLabel>(*about, "lblVersion")->text(), "Version 1.0.14");
    EXPECT_FALSE(Control<QLabel>(*about, "picIcon")->pixmap().isNull());
    EXPECT_FALSE(Control<QLabel>(*about, "Image1")->pixmap().isNull());
    EXPECT_EQ(Control<QAbstractButton>(*about, "cmdSysInfo")->text(), "&System Info...");

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.Path().string().c_str());
    Control<QAbstractButton>(*about, "cmdSysInfo")->click();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(prompter.messages[0].title, "Chronoreel");

    // A system tool on the path is started instead.
    const std::filesystem::path tool = dir / "hardinfo";
    testing::WriteText(tool, "#!/bin/sh\n/usr/bin/touch \"" + (dir / "started").string() + "\"\n");
    chmod(tool.c_str(), 0755);
    Control<QAbstractButton>(*about, "cmdSysInfo")->click();
    qputenv("PATH", path);
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(dir / "started"); }, 5000));

    Control<QAbstractButton>(*about, "cmdOK")->click();
    EXPECT_TRUE(WaitUntil([] { return TopLevel("frmAbout") == nullptr; }, 2000));
}

}  // namespace
}  // namespace chronoreel::ui
