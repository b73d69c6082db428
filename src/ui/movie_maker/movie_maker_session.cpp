#include "ui/movie_maker/movie_maker_session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <utility>

#include "base/prompter.h"
#include "movie/run_texts.h"
#include "movie_setup/mod_file.h"
#include "movie_setup/start_setup.h"
#include "ui/movie_maker/frm_splash.h"

namespace chronoreel::ui {
namespace {

// An interactive session ends with success, whatever its movies did.
constexpr int kSessionExitCode = 0;

}  // namespace

MovieMakerSession::MovieMakerSession(const InteractiveStart& start, Prompter& prompter,
                                     SessionOptions options)
    : start_(start), prompter_(prompter), options_(std::move(options)) {}

MovieMakerSession::~MovieMakerSession() = default;

void MovieMakerSession::Begin() {
    ProgramState& state = start_.objects.state;
    FileInit(state);
    LoadSetup(state, start_.objects.ini, start_.currentDirectory);

    main_ = std::make_unique<FrmMain>(MainWindowContext{start_.objects, prompter_, start_.clock,
                                                        start_.currentDirectory,
                                                        options_.programFolder, options_.openUrl});
    connect(main_.get(), &FrmMain::shutDown, this, &MovieMakerSession::finished);

    // The splash greets a start without a setup file; the setup is opened while it shows.
    std::chrono::milliseconds wait{0};
    if (start_.setupFile.empty()) {
        splash_ = std::make_unique<FrmSplash>();
        splash_->show();
        splash_->raise();
        wait = options_.splashMinimum;
    }
    QElapsedTimer shown;
    shown.start();
    SetupSession session = main_->Session();
    OpenStartSetup(session, start_.setupFile);
    const auto remaining = std::max<qint64>(0, wait.count() - shown.elapsed());
    QTimer::singleShot(std::chrono::milliseconds(remaining), this, [this] { ShowMainWindow(); });
}

void MovieMakerSession::ShowMainWindow() {
    splash_.reset();
    main_->FitToScreen();
    main_->show();
    main_->raise();
    main_->activateWindow();
    if (!start_.missingSetupFile.empty()) {
        prompter_.Message("The setup file " + start_.missingSetupFile + " was not found.",
                          kApplicationTitle, MessageButtons::kOk, MessageIcon::kExclamation);
    }
    emit mainWindowShown();
}

int RunInteractiveSession(const InteractiveStart& start, Prompter& prompter,
                          SessionOptions options) {
    // The splash closing before the main window opens must not end the program: it ends when
    // Shutdown agrees.
    QApplication::setQuitOnLastWindowClosed(false);
    MovieMakerSession session(start, prompter, std::move(options));
    QObject::connect(&session, &MovieMakerSession::finished, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    session.Begin();
    QApplication::exec();
    return kSessionExitCode;
}

}  // namespace chronoreel::ui
