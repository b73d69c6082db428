#include "ui/movie_maker/movie_runner.h"

#include <QMetaObject>
#include <iostream>
#include <string_view>

#include "movie/movie_gen.h"
#include "movie_setup/program_state.h"
#include "movie_setup/run_sun_times.h"
#include "ui/movie_maker/preview_run_view.h"

namespace chronoreel::ui {
namespace {

// What the run could not do (a compressor that is missing, a command that did not start) also
// goes to standard error, as in an unattended run.
void WriteDiagnostic(std::string_view line) {
    std::cerr << "chronoreel: " << line << std::endl;
}

}  // namespace

MovieRunner::MovieRunner(MovieGen& gen, const ProgramState& state, const Clock& clock,
                         Prompter& prompter, std::function<void()> bringMainWindowToFront,
                         QObject* parent)
    : QObject(parent),
      gen_(gen),
      state_(state),
      clock_(clock),
      prompter_(prompter),
      bringMainWindowToFront_(std::move(bringMainWindowToFront)) {}

MovieRunner::~MovieRunner() {
    if (worker_.joinable()) {
        gen_.SetCancelMovie(true);
        worker_.join();
    }
}

FrmPreview* MovieRunner::Preview() const {
    return view_ ? &view_->Window() : nullptr;
}

void MovieRunner::Start() {
    if (running_) {
        return;
    }
    running_ = true;
    view_ = std::make_unique<PreviewRunView>(gen_, prompter_, bringMainWindowToFront_);
    // The location is read now: a run uses the place set when it started.
    sun_ = std::make_unique<RunSunTimes>(state_, clock_);
    context_ = std::make_unique<RunContext>(
        RunContext{clock_, sun_->Source(), view_.get(), false, WriteDiagnostic, {}});
    worker_ = std::thread([this] {
        const RunOutcome outcome = MakeMovie(gen_, *context_);
        QMetaObject::invokeMethod(
            this, [this, outcome] { WorkerDone(outcome); }, Qt::QueuedConnection);
    });
}

void MovieRunner::WorkerDone(RunOutcome outcome) {
    worker_.join();
    view_.reset();
    context_.reset();
    sun_.reset();
    running_ = false;
    emit finished(outcome);
}

}  // namespace chronoreel::ui
