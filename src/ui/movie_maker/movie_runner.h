#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <thread>

#include "movie/make_movie.h"

namespace chronoreel {
class Clock;
class MovieGen;
class Prompter;
class RunSunTimes;
struct ProgramState;
}  // namespace chronoreel

namespace chronoreel::ui {

class FrmPreview;
class PreviewRunView;

// Makes one movie at a time on a worker thread, with the preview window as its run view, so
// that the windows stay responsive: the GUI thread only shows what the run reports. The movie
// settings must not change while a run goes on (the main window is disabled meanwhile).
class MovieRunner final : public QObject {
    Q_OBJECT

  public:
    MovieRunner(MovieGen& gen, const ProgramState& state, const Clock& clock, Prompter& prompter,
                std::function<void()> bringMainWindowToFront, QObject* parent = nullptr);
    // A run still going is cancelled and waited for.
    ~MovieRunner() override;

    // Starts a run; does nothing while one goes on.
    void Start();
    bool IsRunning() const { return running_; }
    // The preview of the current run, nullptr between runs.
    FrmPreview* Preview() const;

  signals:
    // On the GUI thread, once the run has ended and its preview is gone.
    void finished(chronoreel::RunOutcome outcome);

  private:
    void WorkerDone(RunOutcome outcome);

    MovieGen& gen_;
    const ProgramState& state_;
    const Clock& clock_;
    Prompter& prompter_;
    std::function<void()> bringMainWindowToFront_;

    bool running_ = false;
    std::unique_ptr<PreviewRunView> view_;
    std::unique_ptr<RunSunTimes> sun_;
    std::unique_ptr<RunContext> context_;
    std::thread worker_;
};

}  // namespace chronoreel::ui
