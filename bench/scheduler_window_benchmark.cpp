// How the scheduler's window copes with a full task list: the time from loading the task file
// to the window on screen, the cost of a tick (the engine's work in the GUI thread, every
// second), of a tick that rebuilds the to-do list and redraws the grid, of choosing another task
// and of saving an edit, and the CPU the running window takes per second of wall time.
//
//   scheduler_window_benchmark [--tasks N] [--times K] [--seconds S]
//
// N tasks (999) with K start minutes each (4), spread over the day, all starting /bin/true, so
// that the real launcher starts and reaps processes while it is measured. Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM names another.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "scheduler/launcher.h"
#include "scheduler/scheduler_state.h"
#include "ui/common/qt_prompter.h"
#include "ui/scheduler/frm_main.h"

namespace {

using chronoreel::ui::scheduler::FrmMain;

struct Options {
    int tasks = 999;
    int timesPerTask = 4;
    int seconds = 60;
};

Options ReadOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--tasks") {
            options.tasks = std::clamp(value, 1, 999);
        } else if (name == "--times") {
            options.timesPerTask = std::clamp(value, 1, 1440);
        } else if (name == "--seconds") {
            options.seconds = std::max(value, 1);
        }
    }
    return options;
}

void WriteTaskFile(const std::filesystem::path& path, const Options& options) {
    std::ofstream file(path);
    file << "[General]\nTaskCount=" << options.tasks << "\nChronoreelPath=/bin/true\n";
    for (int task = 0; task < options.tasks; ++task) {
        std::string mask(1440, '0');
        for (int time = 0; time < options.timesPerTask; ++time) {
            mask[static_cast<std::size_t>((task * 7 + time * 1440 / options.timesPerTask) % 1440)] =
                '1';
        }
        char section[32];
        std::snprintf(section, sizeof section, "[Task%03d]\n", task + 1);
        file << section << "Name=&34Camera " << task + 1 << "&34\nSetupFile=/srv/cam/" << task + 1
             << ".tls\nSetupTimes=" << mask << "\nInterval=15\n";
    }
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Milliseconds of wall time of one call.
template <class Work>
double Milliseconds(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The mean and the largest of repeated calls, in milliseconds.
template <class Work>
void Report(const char* what, int repeats, Work&& work) {
    double total = 0.0;
    double largest = 0.0;
    for (int i = 0; i < repeats; ++i) {
        const double taken = Milliseconds(work);
        total += taken;
        largest = std::max(largest, taken);
    }
    std::printf("%-44s mean %8.3f ms  max %8.3f ms  (%d runs)\n", what, total / repeats, largest,
                repeats);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ReadOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("chronoreel-scheduler-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path taskFile = folder / "ChronoreelScheduler.INI";
    WriteTaskFile(taskFile, options);
    std::printf("%d tasks, %d start times each, task file %.1f KiB\n", options.tasks,
                options.timesPerTask,
                static_cast<double>(std::filesystem::file_size(taskFile)) / 1024.0);

    QApplication application(argc, argv);
    const chronoreel::SystemClock clock;
    chronoreel::ChildProcessLauncher launcher(std::chrono::milliseconds(0));
    chronoreel::ui::QtPrompter prompter;
    {
        chronoreel::SchedulerState state(launcher, clock);
        std::unique_ptr<FrmMain> window;
        QElapsedTimer opening;
        opening.start();
        state.Main(taskFile.string(), "/bin/true");
        const double loaded = static_cast<double>(opening.nsecsElapsed()) / 1e6;
        window = std::make_unique<FrmMain>(
            chronoreel::ui::scheduler::SchedulerWindowContext{state, prompter, clock, {}});
        window->Load();
        QApplication::processEvents();  // the first paint
        std::printf("%-44s %8.1f ms (task file loaded after %.1f ms)\n",
                    "window open, first tick and paint:",
                    static_cast<double>(opening.nsecsElapsed()) / 1e6, loaded);

        Report("tick (no change):", 200, [&] { window->TmrTasksTimer(); });
        Report("tick rebuilding the to-do list and grid:", 50, [&] {
            state.ScheduleChanged().Raise();
            window->TmrTasksTimer();
        });
        auto* tasks = window->findChild<QComboBox*>(QStringLiteral("cmbTaskSelection"));
        int chosen = 0;
        Report("choosing another task (refill):", 50, [&] {
            chosen = (chosen + 37) % options.tasks;
            tasks->setCurrentIndex(chosen);
            emit tasks->activated(chosen);
        });
        auto* setupFile = window->findChild<QLineEdit*>(QStringLiteral("txtTaskSetupFile"));
        int typed = 0;
        Report("an edit saved to the task file:", 50,
               [&] { setupFile->setText(QStringLiteral("/srv/cam/edited-%1.tls").arg(++typed)); });

        // The window left to itself: its timer ticks once a second. Counted before the end,
        // which closes the window (Qt closes the windows when the application quits).
        const double cpuBefore = CpuSeconds();
        QElapsedTimer running;
        running.start();
        QTimer::singleShot(options.seconds * 1000, &application, [&] {
            const double cpu = CpuSeconds() - cpuBefore;
            const double wall = static_cast<double>(running.nsecsElapsed()) / 1e9;
            const chronoreel::Engine& engine = state.GetEngine();
            std::printf(
                "%-44s %8.3f %% of a core (%.3f s CPU in %.1f s; %d runs ended, %d running)\n",
                "running window:", 100.0 * cpu / wall, cpu, wall, engine.CompletedTasks().Count(),
                engine.RunningTasks().Count());
            QCoreApplication::quit();
        });
        QApplication::exec();
        window->close();
    }
    std::filesystem::remove_all(folder);
    return 0;
}
