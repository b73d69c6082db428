#pragma once

#include <QObject>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "movie_setup/interactive_start.h"
#include "ui/movie_maker/frm_main.h"
#include "ui/movie_maker/frm_splash.h"

namespace chronoreel {
class Prompter;
}

namespace chronoreel::ui {

struct SessionOptions {
    // The splash stays at least this long when it is shown.
    std::chrono::milliseconds splashMinimum{4000};
    std::filesystem::path programFolder;       // where the manual is looked for
    std::function<bool(const QUrl&)> openUrl;  // empty: the desktop opens the manual
};

// The interactive movie maker: the settings file read, the splash (only when no setup file was
// named), the main window filled from the named setup, the newest recent file or the defaults,
// and the orderly end through the main window's close. Runs in the application's event loop:
// nothing here waits inside a nested loop.
class MovieMakerSession final : public QObject {
    Q_OBJECT

  public:
    MovieMakerSession(const InteractiveStart& start, Prompter& prompter, SessionOptions options);
    ~MovieMakerSession() override;

    // Reads the settings, shows the splash or the main window, opens the setup.
    void Begin();
    FrmMain& MainWindow() { return *main_; }
    FrmSplash* Splash() const { return splash_.get(); }

  signals:
    // The main window is up (after the splash, if there was one).
    void mainWindowShown();
    // Shutdown agreed and the window closed: the program ends.
    void finished();

  private:
    void ShowMainWindow();

    const InteractiveStart& start_;
    Prompter& prompter_;
    SessionOptions options_;
    std::unique_ptr<FrmMain> main_;
    std::unique_ptr<FrmSplash> splash_;
};

// The whole interactive session in the application's event loop; the exit code (0).
int RunInteractiveSession(const InteractiveStart& start, Prompter& prompter,
                          SessionOptions options);

}  // namespace chronoreel::ui
