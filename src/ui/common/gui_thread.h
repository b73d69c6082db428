#pragma once

#include <functional>

namespace chronoreel::ui {

// True on the thread of the running QApplication; false without one.
bool OnGuiThread();

// Runs work on the GUI thread and waits for it: at once when called there, otherwise through
// the GUI thread's event loop while the calling thread blocks. Without a QApplication the work
// is not run and false is returned.
bool RunOnGuiThreadAndWait(const std::function<void()>& work);

}  // namespace chronoreel::ui
