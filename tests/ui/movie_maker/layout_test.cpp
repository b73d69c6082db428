// Every window laid out at the desktop font and at one and a half times its size: no control
// outside its parent, none smaller than it needs, no two overlapping, no label cut short.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "imaging/dib.h"
#include "movie/run_texts.h"
#include "movie_setup/compression_choice.h"
#include "movie_setup/movie_maker_objects.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/common/frm_about.h"
#include "ui/movie_maker/frm_compression.h"
#include "ui/movie_maker/frm_location.h"
#include "ui/movie_maker/frm_main.h"
#include "ui/movie_maker/frm_preview.h"
#include "ui/movie_maker/frm_splash.h"
#include "ui/movie_maker/window_test_support.h"
#include "ui/support/layout_check.h"
#include "video/video_compressors.h"

namespace chronoreel::ui {
namespace {

using testing::Application;
using testing::ExpectTidy;

class LayoutTest : public ::testing::TestWithParam<double> {
  protected:
    LayoutTest() : font_((Application(), GetParam())) {}

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    SystemClock clock;

  private:
    testing::ScaledApplicationFont font_;
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
    FrmAbout about(kApplicationTitle, prompter);
    ExpectTidy(about);
    FrmSplash splash;
    ExpectTidy(splash);
    EXPECT_EQ(splash.size(), QSize(640, 480));
}

INSTANTIATE_TEST_SUITE_P(DesktopFontAndOneAndAHalfTimes, LayoutTest, ::testing::Values(1.0, 1.5));

}  // namespace
}  // namespace chronoreel::ui
