// Every window laid out at the desktop font and at one and a half times its size: no control
// outside its parent, none smaller than it needs, no two overlapping, no label cut short.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "imaging/dib.h"
#include "movie_setup/compression_choice.h"
#include "movie_setup/movie_maker_objects.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/common/elided_label.h"
#include "ui/movie_maker/frm_about.h"
#include "ui/movie_maker/frm_compression.h"
#include "ui/movie_maker/frm_location.h"
#include "ui/movie_maker/frm_main.h"
#include "ui/movie_maker/frm_preview.h"
#include "ui/movie_maker/frm_splash.h"
#include "ui/movie_maker/window_test_support.h"
#include "video/video_compressors.h"

namespace chronoreel::ui {
namespace {

using testing::Application;

// The controls a user reads or uses; the inner parts of Qt's compound widgets are theirs.
bool IsControl(const QWidget* widget) {
    return qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget) ||
           qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QSlider*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QProgressBar*>(widget);
}

bool InsideCompound(const QWidget* widget) {
    for (const QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(up) || qobject_cast<const QComboBox*>(up)) {
            return true;
        }
    }
    return false;
}

void ExpectTidy(QWidget& window) {
    window.show();
    testing::WaitUntil([] { return true; });
    QApplication::processEvents();
    std::vector<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&window) && !widget->isWindow() && IsControl(widget) &&
            !InsideCompound(widget)) {
            controls.push_back(widget);
        }
    }
    ASSERT_FALSE(controls.empty());
    for (QWidget* widget : controls) {
        const std::string name =
            widget->objectName().toStdString() + " (" + widget->metaObject()->className() + ")";
        const QRect place = widget->geometry();
        EXPECT_TRUE(widget->parentWidget()->rect().contains(place)) << name << " leaves its parent";
        const QSize needed = widget->minimumSizeHint();
        if (!widget->hasHeightForWidth()) {
            EXPECT_GE(place.height(), needed.height()) << name;
        }
        EXPECT_GE(place.width(), needed.width()) << name;
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label && !label->wordWrap() && !qobject_cast<const ElidedLabel*>(label) &&
            !label->text().isEmpty()) {
            QString shown = label->text();
            if (label->buddy() != nullptr) {  // "&Latitude:" shows as "Latitude:"
                shown.remove(QLatin1Char('&'));
            }
            const int textWidth = label->fontMetrics().boundingRect(shown).width();
            EXPECT_GE(label->contentsRect().width(), textWidth) << name << " cut short";
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->parentWidget() != controls[j]->parentWidget()) {
                continue;
            }
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " overlaps "
                << controls[j]->objectName().toStdString();
        }
    }
}

class LayoutTest : public ::testing::TestWithParam<double> {
  protected:
    LayoutTest() : savedFont_((Application(), QApplication::font())) {
        QFont font = savedFont_;
        font.setPointSizeF(savedFont_.pointSizeF() * GetParam());
        QApplication::setFont(font);
    }
    ~LayoutTest() override { QApplication::setFont(savedFont_); }

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    SystemClock clock;

  private:
    QFont savedFont_;
};

TEST_P(LayoutTest, MainWindow) {
    FrmMain window(MainWindowContext{objects, prompter, clock, dir.Path(), dir.Path(), {}});
    objects.movieGen.SetTimeOption(1);
    window.UpdateSetupControls();
    window.RecentFilesChanged({"/home/me/setups/roof.tls", "", "", ""});
    window.FitToScreen();
    ExpectTidy(window);
}

TEST_P(LayoutTest, PreviewDuringARun) {
    FrmPreview preview;
    preview.Open();
    preview.SetStatus("Status: Post-Generation Shell Wait Cancelled");
    preview.SetFrameText("Found: a-very-long-still-image-file-name-from-the-roof-camera.jpg");
    preview.PrepareForMovieSize(200, 150);
    QImage frame(200, 150, QImage::Format_RGB888);
    frame.fill(Qt::darkCyan);
    preview.ShowFrame(frame, true);
    ExpectTidy(preview);
    // A movie narrower than the window is centred in it.
    const QRect picture = preview.findChild<PreviewPicture*>()->geometry();
    EXPECT_LE(std::abs(picture.left() - (preview.width() - picture.right() - 1)), 1);
}

TEST_P(LayoutTest, CompressionDialog) {
    objects.movieGen.SetCompressHandler(MakeFourcc("MJPG"));
    const std::vector<VideoCompressor> available = AvailableVideoCompressors();
    FrmCompression dialog(CompressionDialogStartOf(objects.movieGen, available), available, 24);
    ExpectTidy(dialog);
}

TEST_P(LayoutTest, LocationAboutAndSplash) {
    FrmLocation location(objects.state);
    ExpectTidy(location);
    FrmAbout about(prompter);
    ExpectTidy(about);
    FrmSplash splash;
    ExpectTidy(splash);
    EXPECT_EQ(splash.size(), QSize(640, 480));
}

INSTANTIATE_TEST_SUITE_P(DesktopFontAndOneAndAHalfTimes, LayoutTest, ::testing::Values(1.0, 1.5));

}  // namespace
}  // namespace chronoreel::ui
