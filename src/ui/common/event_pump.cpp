#include "ui/common/event_pump.h"

#include <QCoreApplication>

#include "ui/common/gui_thread.h"

namespace chronoreel::ui {

void PumpGuiEvents() {
    if (OnGuiThread()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

}  // namespace chronoreel::ui
