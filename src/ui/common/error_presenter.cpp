#include "ui/common/error_presenter.h"

#include <QApplication>
#include <QString>
#include <QThread>

namespace chronoreel::ui {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool CanShowWindows() {
    const QCoreApplication* const application = QCoreApplication::instance();
    return qobject_cast<const QApplication*>(application) != nullptr &&
           QThread::currentThread() == application->thread();
}

}  // namespace

std::unique_ptr<QMessageBox> MakeErrorReportBox(std::string_view title, std::string_view text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, ToQString(title),
                                             ToQString(text), QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void PresentErrorInMessageBox(std::string_view title, std::string_view text) {
    WriteErrorReportToStandardError(title, text);
    if (!CanShowWindows()) {
        return;
    }
    const std::unique_ptr<QMessageBox> box = MakeErrorReportBox(title, text);
    box->exec();
}

void InstallMessageBoxErrorPresenter() {
    SetErrorPresenter(PresentErrorInMessageBox);
}

}  // namespace chronoreel::ui
