#include "ui/common/gui_application.h"

#include <QByteArray>

#include "ui/common/error_presenter.h"
#include "ui/common/program_images.h"

namespace chronoreel::ui {

bool QtPlatformNeedsNoDisplay() {
    // Platforms that draw on a screen of their own. The offscreen and minimal platforms show
    // nothing to anybody: under them the program has no display.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM").split(':').first();
    for (const char* own : {"eglfs", "linuxfb", "vnc", "vkkhrdisplay"}) {
        if (platform == own) {
            return true;
        }
    }
    return false;
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
