#pragma once

// What the tests of the windows share: the application on the offscreen platform, finding
// controls by their design names and waiting for the event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QWidget>
#include <functional>
#include <memory>

namespace chronoreel::testing {

// The application of the test program, made on first use and destroyed when the tests are done,
// before the program's exit handlers: Qt's input devices must go while Qt still runs.
class ApplicationEnvironment final : public ::testing::Environment {
  public:
    QApplication& Get() {
        if (!application_) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            application_ = std::make_unique<QApplication>(argc_, argv_);
        }
        return *application_;
    }
    void TearDown() override { application_.reset(); }

  private:
    int argc_ = 1;
    char name_[20] = "chronoreel_ui_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

// Registered before the tests run; the test framework owns it.
inline ApplicationEnvironment* const kApplicationEnvironment = static_cast<ApplicationEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));

inline QApplication& Application() {
    return kApplicationEnvironment->Get();
}

// The control of that design name below root; fails the test when there is none.
template <class T>
T* Control(const QObject& root, const char* name) {
    T* found = root.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

// Lets the event loop run until done() holds or the time is up; false when it never held.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents();
    }
    return true;
}

}  // namespace chronoreel::testing
