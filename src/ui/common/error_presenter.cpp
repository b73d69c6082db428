#include "ui/common/error_presenter.h"

#include "ui/common/gui_thread.h"
#include "ui/common/qt_text.h"

namespace chronoreel::ui {

std::unique_ptr<QMessageBox> MakeErrorReportBox(std::string_view title, std::string_view text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, ToQString(title),
                                             ToQString(text), QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void PresentErrorInMessageBox(std::string_view title, std::string_view text) {
    WriteErrorReportToStandardError(title, text);
    // A report from a worker thread waits for OK in the GUI thread's box like any other.
    RunOnGuiThreadAndWait([&] {
        const std::unique_ptr<QMessageBox> box = MakeErrorReportBox(title, text);
        box->exec();
    });
}

void InstallMessageBoxErrorPresenter() {
    SetErrorPresenter(PresentErrorInMessageBox);
}

}  // namespace chronoreel::ui
