#include "ui/common/error_presenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

namespace chronoreel::ui {
namespace {

const std::string kReport =
    BuildErrorReport({"modTime", "GetSunset", 7, 5, "Invalid procedure call"});

// One application for the tests of this file, on the offscreen platform.
QApplication& Application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

TEST(ErrorReportBox, IsACriticalBoxWithTheReportAndOneOkButton) {
    Application();
    const std::unique_ptr<QMessageBox> box = MakeErrorReportBox(kErrorReportTitle, kReport);
    EXPECT_EQ(box->windowTitle(), "Error Debug Report");
    EXPECT_EQ(box->text(), QString::fromStdString(kReport));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST(ErrorReportBox, PresenterWaitsForOkAndLeavesTheLinesOnStandardError) {
    Application();
    QString shownText;
    QString shownTitle;
    // Presses OK once the box is up; the presenter returns only then.
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                shownText = box->text();
                shownTitle = box->windowTitle();
                box->button(QMessageBox::Ok)->click();
            }
        }
    });
    ::testing::internal::CaptureStderr();
    PresentErrorInMessageBox(kErrorReportTitle, kReport);
    const std::string standardError = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(shownTitle, "Error Debug Report");
    EXPECT_EQ(shownText, QString::fromStdString(kReport));
    // The offscreen platform may add notes of its own after the report.
    EXPECT_THAT(standardError, ::testing::StartsWith("Error Debug Report\n" + kReport + "\n"));
}

TEST(ErrorReportBox, AReportFromAWorkerThreadWaitsForOkInTheGuiThread) {
    Application();
    ::testing::internal::CaptureStderr();
    // A run on a worker thread reports like any other code: its box opens in the GUI thread and
    // the worker waits until OK is pressed there.
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        PresentErrorInMessageBox(kErrorReportTitle, kReport);
        returned = true;
    });
    // The box runs its own loop inside the GUI thread's event handling: a timer finds it there.
    QString shownTitle;
    bool returnedBeforeOk = false;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                shownTitle = box->windowTitle();
                returnedBeforeOk = returned;
                box->button(QMessageBox::Ok)->click();
            }
        }
    });
    presser.start(10);
    QElapsedTimer waited;
    waited.start();
    while (!returned && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    presser.stop();
    EXPECT_EQ(shownTitle, "Error Debug Report");
    EXPECT_FALSE(returnedBeforeOk);
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::StartsWith("Error Debug Report\n" + kReport + "\n"));
}

TEST(ErrorReportBoxDeathTest, WithoutAnApplicationTheReportGoesToStandardErrorAndEnds70) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child starts afresh and creates no application: no window can open.
    EXPECT_EXIT(
        {
            InstallMessageBoxErrorPresenter();
            ReportError({"modMain", "Main", 3, 51, "Broken"});
        },
        ::testing::ExitedWithCode(70), "Error Debug Report\nError Detected(.|\n)*Procedure: Main");
}

}  // namespace
}  // namespace chronoreel::ui
