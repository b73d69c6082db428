#include "ui/common/gui_application.h"

#include <QByteArray>

#include "ui/common/error_presenter.h"
#include "ui/common/program_images.h"

namespace chronoreel::ui {

bool QtPlatformNeedsNoDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland");
}

QApplication& GuiApplication::Ensure() {
    if (!application_) {
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("Chronoreel"));
        QApplication::setApplicationVersion(QStringLiteral(CHRONOREEL_VERSION));
        QApplication::setWindowIcon(ProgramIcon());
        InstallMessageBoxErrorPresenter();
    }
    return *application_;
}

}  // namespace chronoreel::ui
