// The window and its icon in the notification area: minimising, bringing the window back and
// ending the scheduler from the icon's menu.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <string>

#include "ui/scheduler/scheduler_window_fixture.h"
#include "ui/scheduler/tray_icon.h"

namespace chronoreel::ui::scheduler {
namespace {

using testing::SchedulerWindowTest;
using testing::TaskLines;
using testing::WaitUntil;

const TaskLines kRoof{"Roof", {480}, {"SetupFile=/cam/roof.tls"}};

QAction* MenuItem(FrmMain& window, const char* name) {
    QAction* item = window.Tray().Menu().findChild<QAction*>(QLatin1String(name));
    EXPECT_NE(item, nullptr) << name;
    return item;
}

class MinimisingTest : public SchedulerWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MinimisingTest, HidesTheWindowOnlyWhenTheDesktopHasANotificationArea) {
    trayAvailable = GetParam();
    WriteTaskFile({kRoof});
    FrmMain& shown = Open();
    EXPECT_EQ(shown.Tray().isVisible(), trayAvailable);
    shown.showMinimized();
    WaitUntil([&] { return !shown.isVisible(); }, 500);
    if (!trayAvailable) {
        // It could never be brought back: it stays in the task bar.
        EXPECT_TRUE(shown.isVisible());
        EXPECT_TRUE(shown.isMinimized());
        return;
    }
    EXPECT_FALSE(shown.isVisible());

    // A click on the icon brings it back, as does the menu's first item.
    emit shown.Tray().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(shown.isVisible());
    EXPECT_FALSE(shown.isMinimized());
    shown.showMinimized();
    EXPECT_TRUE(WaitUntil([&] { return !shown.isVisible(); }));
    MenuItem(shown, "mPopRestore")->trigger();
    EXPECT_TRUE(shown.isVisible());
    EXPECT_FALSE(shown.isMinimized());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutNotificationArea, MinimisingTest,
                         ::testing::Values(false, true));

using NotificationAreaTest = SchedulerWindowTest;

TEST_F(NotificationAreaTest, TheIconsMenuEndsTheSchedulerWhileTheWindowIsHidden) {
    trayAvailable = true;
    WriteTaskFile({kRoof});
    FrmMain& shown = Open();
    EXPECT_EQ(shown.Tray().toolTip(), "Chronoreel Scheduler");
    EXPECT_EQ(MenuItem(shown, "mPopRestore")->text(), "&Open Scheduler Window");
    EXPECT_EQ(MenuItem(shown, "mPopExit")->text(), "&Exit");
    EXPECT_EQ(shown.Tray().Menu().objectName(), "mPopupSys");

    shown.showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return !shown.isVisible(); }));
    QSignalSpy ended(&shown, &FrmMain::shutDown);
    MenuItem(shown, "mPopExit")->trigger();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(state.AppRunning());
    EXPECT_FALSE(shown.TasksTimer().isActive());
    EXPECT_FALSE(shown.Tray().isVisible());
    // The task file stays whole.
    EXPECT_NE(TaskFileText().find("TaskCount=1\n"), std::string::npos);
    EXPECT_NE(TaskFileText().find("[Task001]\nName=Roof\n"), std::string::npos);
}

TEST_F(NotificationAreaTest, ExitWhileANameIsAskedForEndsAfterTheCommand) {
    FrmMain& shown = Open();
    QSignalSpy ended(&shown, &FrmMain::shutDown);
    prompter.typed = {"Night"};
    prompter.whileAsking = [&] { shown.close(); };
    Find<QAbstractButton>("cmdNewTask")->click();
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(WaitUntil([&] { return ended.count() == 1; }, 2000));
    EXPECT_FALSE(state.AppRunning());
    EXPECT_NE(TaskFileText().find("Name=&34Night&34"), std::string::npos);
}

}  // namespace
}  // namespace chronoreel::ui::scheduler
