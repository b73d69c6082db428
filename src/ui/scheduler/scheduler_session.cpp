#include "ui/scheduler/scheduler_session.h"

#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <array>
#include <memory>

#include "os/stop_signals.h"
#include "scheduler/scheduler_start.h"
#include "scheduler/scheduler_state.h"
#include "ui/scheduler/frm_main.h"

namespace chronoreel::ui::scheduler {

int RunSchedulerSession(const SchedulerStart& start, Prompter& prompter, Launcher& launcher,
                        const Clock& clock) {
    // Hiding the window in the notification area must not end the program: closing it does.
    QApplication::setQuitOnLastWindowClosed(false);
    // SIGINT and SIGTERM close the window like its Exit command: the tasks are saved. Caught from
    // the start, so that a signal during loading closes the window as soon as it is open.
    const StopSignals stopSignals;
    SchedulerState state(launcher, clock);
    state.Main(start.taskFilePath, start.defaultChronoreelPath);
    FrmMain window(SchedulerWindowContext{state, prompter, clock, {}});
    QObject::connect(&window, &FrmMain::shutDown, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (stopSignals.WakeDescriptor() >= 0) {
        stopNotifier =
            std::make_unique<QSocketNotifier>(stopSignals.WakeDescriptor(), QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, &window, [&] {
            std::array<char, 16> drained{};
            const ssize_t got =
                ::read(stopSignals.WakeDescriptor(), drained.data(), drained.size());
            (void)got;
            window.close();
        });
    }
    // The desktop session ending quits the application without closing the window first.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &window, [&] { window.close(); });

    window.Load();
    QApplication::exec();
    return 0;
}

}  // namespace chronoreel::ui::scheduler
