// The movie maker's entry point: the real clock, the process's current directory, the standard
// streams and the windows.
#include <QCoreApplication>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/error_report.h"
#include "base/event_pump.h"
#include "base/exit_codes.h"
#include "movie_setup/interactive_start.h"
#include "os/display.h"
#include "programs/movie_maker/movie_maker_main.h"
#include "ui/common/event_pump.h"
#include "ui/common/gui_application.h"
#include "ui/common/qt_prompter.h"
#include "ui/movie_maker/movie_maker_session.h"
#include "ui/movie_maker/preview_run_view.h"

int main(int argc, char** argv) {
    // A current directory that was deleted under us is an unexpected error like any other.
    std::filesystem::path currentDirectory =
        chronoreel::Trap("modMain", "Main", [] { return std::filesystem::current_path(); });
    const chronoreel::SystemClock clock;
    chronoreel::MovieMakerEnvironment environment{
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
        std::move(currentDirectory),
        clock,
        std::cout,
        std::cerr,
        {},
    };
    environment.errIsTerminal = ::isatty(STDERR_FILENO) != 0;

    // The application is made only when a window opens: a run without windows never connects
    // to a display.
    chronoreel::ui::GuiApplication gui(argc, argv);
    chronoreel::ui::QtPrompter prompter;
    chronoreel::MovieMakerWindows& windows = environment.windows;
    windows.hasDisplay =
        chronoreel::EnvironmentHasDisplay() || chronoreel::ui::QtPlatformNeedsNoDisplay();
    windows.pumpEvents = chronoreel::ui::PumpGuiEvents;
    if (windows.hasDisplay) {
        windows.prompter = &prompter;
        windows.makeRunView = [&](chronoreel::MovieGen& gen) {
            gui.Ensure();
            return std::make_unique<chronoreel::ui::PreviewRunView>(gen, prompter, nullptr);
        };
    }
    windows.runInteractive = [&](const chronoreel::InteractiveStart& start) -> int {
        if (!windows.hasDisplay) {
            if (!start.missingSetupFile.empty()) {
                std::cerr << "chronoreel: setup file not found: " << start.missingSetupFile << '\n';
            }
            std::cerr << "chronoreel: no display found for the windows; make a movie without "
                         "them with /f=SETUP /a /i\n";
            return chronoreel::kExitUsage;
        }
        gui.Ensure();
        chronoreel::ui::SessionOptions options;
        options.programFolder = QCoreApplication::applicationDirPath().toStdString();
        return chronoreel::ui::RunInteractiveSession(start, prompter, options);
    };
    return chronoreel::MovieMakerMain(environment);
}
