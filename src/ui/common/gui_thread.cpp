#include "ui/common/gui_thread.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

namespace chronoreel::ui {

bool OnGuiThread() {
    const QCoreApplication* const application = QCoreApplication::instance();
    return qobject_cast<const QApplication*>(application) != nullptr &&
           QThread::currentThread() == application->thread();
}

bool RunOnGuiThreadAndWait(const std::function<void()>& work) {
    QCoreApplication* const application = QCoreApplication::instance();
    if (qobject_cast<QApplication*>(application) == nullptr) {
        return false;
    }
    if (QThread::currentThread() == application->thread()) {
        work();
        return true;
    }
    return QMetaObject::invokeMethod(application, work, Qt::BlockingQueuedConnection);
}

}  // namespace chronoreel::ui
