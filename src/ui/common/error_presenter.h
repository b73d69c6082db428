#pragma once

#include <QMessageBox>
#include <memory>
#include <string_view>

#include "base/error_report.h"

namespace chronoreel::ui {

// The error report's message box: the title, the text, the critical-error icon and a single OK
// button. Built, not shown.
std::unique_ptr<QMessageBox> MakeErrorReportBox(std::string_view title, std::string_view text);

// Shows the report in its message box and waits for OK when a QApplication exists; a report
// from a worker thread is shown by the GUI thread while the worker waits. Without an
// application the report only goes to standard error. The lines always go to standard error
// too, so that a log keeps them.
void PresentErrorInMessageBox(std::string_view title, std::string_view text);

// Installs PresentErrorInMessageBox as the error report's presenter. Only runs that create a
// QApplication install it.
void InstallMessageBoxErrorPresenter();

}  // namespace chronoreel::ui
