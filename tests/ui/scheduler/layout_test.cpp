// The scheduler's windows laid out at the desktop font and at one and a half times its size.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QTabWidget>

#include "ui/common/frm_about.h"
#include "ui/scheduler/frm_scheduler.h"
#include "ui/scheduler/frm_settings.h"
#include "ui/scheduler/scheduler_window_fixture.h"
#include "ui/support/layout_check.h"

namespace chronoreel::ui::scheduler {
namespace {

using testing::ExpectTidy;
using testing::TaskLines;

class LayoutTest : public testing::SchedulerWindowTest,
                   public ::testing::WithParamInterface<double> {
  protected:
    LayoutTest() : font_(GetParam()) {
        WriteTaskFile(
            {{"Roof camera over the garden, daylight only",
              {480, 495},
              {"SetupFile=/home/me/camera/roof/daylight.tls", "ScheduleMode=1", "StartMode=1",
               "StartSunriseOffset=-30", "StopMode=2", "StopSunsetOffset=45"}}});
    }

  private:
    testing::ScaledApplicationFont font_;
};

TEST_P(LayoutTest, MainWindowOnEveryTab) {
    FrmMain& shown = Open();
    auto* tabs = Find<QTabWidget>("tabTask");
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        ExpectTidy(shown);
    }
}

TEST_P(LayoutTest, ScheduleEditorSettingsAndAbout) {
    FrmMain& shown = Open();
    Find<QAbstractButton>("cmdFixedSchedule")->click();
    ASSERT_NE(shown.ScheduleEditor(), nullptr);
    ExpectTidy(*shown.ScheduleEditor());
    shown.ScheduleEditor()->close();
    Find<QAction>("mnuSettings")->trigger();
    ExpectTidy(*shown.Settings());
    Find<QAction>("mnuAbout")->trigger();
    ExpectTidy(*shown.About());
}

INSTANTIATE_TEST_SUITE_P(DesktopFontAndOneAndAHalfTimes, LayoutTest, ::testing::Values(1.0, 1.5));

}  // namespace
}  // namespace chronoreel::ui::scheduler
