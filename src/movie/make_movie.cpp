#include "movie/make_movie.h"

#include <string>
#include <unordered_set>

#include "base/clock.h"
#include "base/error_report.h"
#include "base/event_pump.h"
#include "base/numbers.h"
#include "base/shared_routines.h"
#include "imaging/decode_ahead.h"
#include "movie/movie_gen.h"
#include "movie/post_generation.h"
#include "movie/run_diagnostics.h"
#include "movie/run_texts.h"
#include "movie/run_view.h"
#include "movie/video_settings_of.h"
#include "video/video_settings.h"
#include "video/video_writer.h"

namespace chronoreel {
namespace {

std::string Count(std::size_t value) {
    return std::to_string(value);
}

// The run's start in whole seconds, like the date and time a file shows: the window edges, the
// tags and the age of old images then fall on the same seconds as the images' own stamps, so an
// image exactly as old as the limit is kept whatever fraction of a second the run started at.
DateTime RunStartTime(const Clock& clock) {
    return WholeSeconds(clock.Now());
}

// One generation run, phase by phase. The view calls are no-ops without a preview, and every
// ending closes the preview it opened.
class MovieRun {
  public:
    MovieRun(MovieGen& gen, const RunContext& context) : gen_(gen), context_(context) {}

    ~MovieRun() {
        // An unexpected error unwinds through here before it is reported: the unpublished movie
        // file is removed by its writer, the preview is closed here.
        if (previewOpen_) {
            context_.view->Close();
        }
    }

    RunOutcome Run() {
        StartRun();
        OpenPreview();
        ScanImages();
        if (Cancelled()) {  // checkpoint A
            return EndWithStatus(kStatusCancelled, RunOutcome::kCancelled);
        }
        Frame("");
        if (images_.empty()) {
            Diagnostic(NoFilesLine(gen_.StillDirectory(), gen_.ImageFilter()));
            return EndWithStatus(kStatusNoFilesFound, RunOutcome::kNoFilesFound);
        }
        Frame("Found: " + Count(images_.size()) + " Files");
        Status(kStatusDetermining);
        const FrameSelection selection = SelectFramesWithProgress();
        if (selection.outcome == SelectionOutcome::kCancelled) {  // checkpoint B
            return EndWithStatus(kStatusCancelled, RunOutcome::kCancelled);
        }
        if (selection.outcome == SelectionOutcome::kNothingSelected) {
            Diagnostic(NothingSelectedLine(images_.size(), window_));
            return EndWithStatus(kStatusNoFilesMetCriteria, RunOutcome::kNothingSelected);
        }
        const MovieSize initialSize = InitialMovieSize();
        VideoWriter writer;
        if (const auto opened = OpenMovie(writer); opened) {
            return *opened;
        }
        if (const auto ended = WriteFrames(selection.frames, initialSize, writer); ended) {
            return *ended;
        }
        if (const VideoStatus closed = writer.Close(); !closed.Ok()) {
            Diagnostic(closed.message);
            ClosePreview();
            return RunOutcome::kWriteFailed;
        }
        if (framesWritten_ == 0) {
            Diagnostic(NothingDecodedLine(selection.frames.size()));
        }
        const bool postCommandCancelled = RunPostGenerationCommandStep();
        DeleteOldImagesStep();
        FinalClose();
        if (postCommandCancelled) {
            return RunOutcome::kCancelled;
        }
        return framesWritten_ == 0 ? RunOutcome::kNothingDecoded : RunOutcome::kMovieWritten;
    }

  private:
    // --- the view, when there is one ---
    void Status(std::string_view text) {
        if (context_.view) {
            context_.view->SetStatus(text);
        }
    }
    void Frame(std::string_view text) {
        if (context_.view) {
            context_.view->SetFrameText(text);
        }
    }
    void Refresh() {
        if (context_.view) {
            context_.view->Refresh();
        }
    }
    void PumpEvents() {
        if (context_.view) {
            LetEventsRun();
        }
    }
    // The waits only keep a status readable: a run without windows does not wait.
    void Wait(double seconds) {
        if (context_.view) {
            Delay(seconds);
        }
    }
    void Diagnostic(std::string_view line) {
        if (context_.diagnostic) {
            context_.diagnostic(line);
        }
    }
    bool Cancelled() const {
        return gen_.CancelRequested() || (context_.stopRequested && context_.stopRequested());
    }

    // --- phases ---
    void StartRun() {
        gen_.ClearCancelMovie();
        runStart_ = RunStartTime(context_.clock);
        window_ = ComputeTimeWindow(SelectionSettingsOf(gen_), runStart_, context_.sun);
        auto& state = gen_.RunState();
        state.windowStart = window_.start;
        state.windowStop = window_.stop;
        state.movieWidth = 0;
        state.movieHeight = 0;
    }

    void OpenPreview() {
        if (!context_.view) {
            return;
        }
        context_.view->Open();
        previewOpen_ = true;
        Status(kStatusReadingDirectory);
        Frame("");
        Refresh();
    }

    void ScanImages() {
        ScanProgress progress;
        progress.cancelled = [this] { return Cancelled(); };
        progress.found = [this](std::string_view name) {
            Frame("Found: " + std::string(name));
            PumpEvents();
        };
        progress.sorting = [this] { Status(kStatusSorting); };
        images_ = GetFileSpecs(ScanSettingsOf(gen_), progress);
    }

    FrameSelection SelectFramesWithProgress() {
        SelectionProgress progress;
        progress.image = [this](std::size_t index, std::size_t count) {
            Frame("Frame: " + Count(index) + " of " + Count(count));
            Refresh();
        };
        progress.cancelled = [this] { return Cancelled(); };
        return SelectFrames(images_.stamps, SelectionSettingsOf(gen_), window_, progress);
    }

    MovieSize InitialMovieSize() {
        MovieSize size;
        if (gen_.MovieSizeOption() == 1) {
            size = MovieSizeFromSetup(gen_.MovieSizeWidth(), gen_.MovieSizeHeight());
        }
        if (context_.view) {
            context_.view->PrepareForMovieSize(size.width, size.height);
        }
        return size;
    }

    // Creates the movie file; an ending when that failed.
    std::optional<RunOutcome> OpenMovie(VideoWriter& writer) {
        Status(kStatusOpeningAvi);
        Refresh();
        const VideoStatus opened = writer.Open(gen_.OutputAVIPath(), VideoSettingsOf(gen_));
        if (opened.Ok()) {
            Status(kStatusAddingFrames);
            Refresh();
            return std::nullopt;
        }
        Diagnostic(opened.message);
        if (opened.error != VideoError::kCannotCreateFile) {
            // An unknown compressor or unusable options end the run through the abort path.
            ClosePreview();
            return RunOutcome::kWriteFailed;
        }
        if (context_.view) {
            context_.view->ShowMessage(kAviOpenErrorText, kApplicationTitle);
        }
        ClosePreview();
        return RunOutcome::kOpenFailed;
    }

    // The frame loop; an ending when it was cancelled or a write failed. The stills are read and
    // decoded ahead on worker threads while this thread writes the frames in output order.
    std::optional<RunOutcome> WriteFrames(const std::vector<std::size_t>& frames,
                                          const MovieSize& initialSize, VideoWriter& writer) {
        const std::size_t count = frames.size();
        std::vector<std::size_t> order(count);
        for (std::size_t position = 0; position < count; ++position) {
            order[position] = FrameAtOutputPosition(frames, position, window_.direction);
        }
        DecodeAhead stills(images_.paths, order, initialSize, DefaultDecodeWorkerCount(),
                           RenderStillFromFile, StillCopyFor(writer), StillPlanesFor(writer));
        for (std::size_t position = 0; position < count; ++position) {
            if (Cancelled()) {  // checkpoint C
                stills.Stop();
                Status(kStatusCancelled);
                Frame("");
                Refresh();
                Wait(2);
                return Abort(writer, RunOutcome::kCancelled);
            }
            Frame("Frame: " + Count(position + 1) + " of " + Count(count));
            Refresh();
            const AheadFrame frame = stills.Next();
            if (context_.frameProgress) {
                context_.frameProgress(position + 1, count);
            }
            if (frame.skip != FrameSkip::kNone) {
                ReportSkippedStill(frame.still, frame.skip);
                continue;
            }
            RecordMovieSize(stills.Size());
            if (context_.view && frame.surface != nullptr) {
                context_.view->ShowFrame(*frame.surface, framesWritten_ == 0);
            }
            const VideoStatus written = WriteFrame(writer, frame, stills.Size());
            if (!written.Ok()) {
                stills.Stop();
                Diagnostic(written.message);
                return Abort(writer, RunOutcome::kWriteFailed);
            }
            ++framesWritten_;
            PumpEvents();
        }
        RecordMovieSize(stills.Size());
        return std::nullopt;
    }

    // At the best quality a Motion JPEG movie takes the stills that it can hold as they are
    // without decoding and encoding them again: the best picture they have, at the speed of
    // copying. A shown preview still needs each picture decoded.
    StillCopy StillCopyFor(const VideoWriter& writer) const {
        if (!writer.TakesJpegFrames() || VideoSettingsOf(gen_).quality < kQualityBest) {
            return StillCopy::kNever;
        }
        return context_.view ? StillCopy::kWhereUnchangedAndDecode : StillCopy::kWhereUnchanged;
    }

    // An encoder of 4:2:0 planes takes the planes of stills stored that way without converting
    // them to pixels and back. A shown preview needs the pixels.
    StillPlanes StillPlanesFor(const VideoWriter& writer) const {
        return writer.TakesYuv420Frames() && !context_.view ? StillPlanes::kWhereDirect
                                                            : StillPlanes::kNever;
    }

    static VideoStatus WriteFrame(VideoWriter& writer, const AheadFrame& frame,
                                  const MovieSize& size) {
        if (!frame.jpeg.empty()) {
            return writer.WriteJpegFrame(frame.jpeg, size.width, size.height);
        }
        if (frame.planes != nullptr) {
            return writer.WriteYuv420Frame(*frame.planes);
        }
        const DIB& movie = *frame.surface;
        return writer.WriteFrame(movie.DIBPtr(), movie.Width(), movie.Height(),
                                 movie.StrideBytes());
    }

    // Each skipped still once, also when the selection repeats it.
    void ReportSkippedStill(std::size_t entry, FrameSkip reason) {
        if (skippedReported_.insert(entry).second) {
            Diagnostic(SkippedStillLine(images_.paths[entry], reason));
        }
    }

    void RecordMovieSize(const MovieSize& size) {
        gen_.RunState().movieWidth = size.width;
        gen_.RunState().movieHeight = size.height;
    }

    // The abort path: the movie keeps the frames written so far and takes its place at the output
    // path; no post-generation action runs, and the preview closes at once (a cancel has already
    // shown its status for 2 seconds).
    RunOutcome Abort(VideoWriter& writer, RunOutcome outcome) {
        if (const VideoStatus closed = writer.Close(); !closed.Ok()) {
            Diagnostic(closed.message);
        }
        ClosePreview();
        return outcome;
    }

    // True when the wait for the command was cancelled.
    bool RunPostGenerationCommandStep() {
        const std::string& shell = gen_.PostGenerationShell();
        if (!HasPostGenerationCommand(shell)) {
            return false;
        }
        Status(kStatusRunningPostShell);
        Frame("");
        Refresh();
        PostCommandWait wait;
        wait.keepWaiting = [this] { return !Cancelled(); };
        const PostCommandResult result =
            RunPostGenerationCommand(shell, runStart_, gen_.OutputAVIPath(), wait);
        const bool cancelled = Cancelled();
        if (cancelled) {
            Status(kStatusPostShellCancelled);
            Frame(kFramePostShellMayRun);
            Refresh();
            Wait(1);
        } else {
            Status(kStatusPostShellComplete);
            Frame("");
            Refresh();
        }
        if (const std::string ended = PostCommandEndLine(result); !ended.empty()) {
            Diagnostic(ended);
        }
        if (result.outcome == PostCommandOutcome::kFailed) {
            Diagnostic(std::string(kPostShellErrorText) + " " + result.commandText + " (" +
                       result.error + ")");
            if (context_.view) {
                context_.view->ShowMessage(
                    std::string(kPostShellErrorText) + "\r" + result.commandText,
                    kPostShellErrorTitle);
            }
        }
        return cancelled;
    }

    void DeleteOldImagesStep() {
        if (!gen_.DeleteOldImages()) {
            return;
        }
        Status(kStatusDeletingOldImages);
        Frame("");
        Refresh();
        DeleteOldImages(images_.paths, images_.stamps, runStart_, gen_.DeleteOldImagesHours(),
                        [this](std::string_view fileName) {
                            Frame(std::string(kFrameDeletingPrefix) + std::string(fileName));
                            Refresh();
                        });
    }

    // The status ending: the status stays readable for 2 seconds, then the preview closes.
    RunOutcome EndWithStatus(std::string_view status, RunOutcome outcome) {
        if (context_.view) {
            Status(status);
            Frame("");
            Refresh();
            Wait(2);
        }
        ClosePreview();
        return outcome;
    }

    // The end of a run that reached the movie file: the last status stays readable for about
    // 2 seconds, then the preview closes.
    void FinalClose() {
        if (!context_.view) {
            return;
        }
        for (int i = 0; i < 4; ++i) {
            Wait(0.5);
        }
        ClosePreview();
    }

    void ClosePreview() {
        if (!previewOpen_) {
            return;
        }
        context_.view->Close();
        previewOpen_ = false;
        if (!context_.automation) {
            context_.view->BringMainWindowToFront();
            LetEventsRun();
        }
    }

    std::unordered_set<std::size_t> skippedReported_;
    MovieGen& gen_;
    const RunContext& context_;
    DateTime runStart_ = 0;
    TimeWindow window_;
    ImageList images_;
    std::size_t framesWritten_ = 0;
    bool previewOpen_ = false;
};

}  // namespace

ExitCode ExitCodeFor(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kMovieWritten:
            return kExitMovieWritten;
        case RunOutcome::kNoFilesFound:
        case RunOutcome::kNothingSelected:
        case RunOutcome::kNothingDecoded:
            return kExitNothingToDo;
        case RunOutcome::kCancelled:
            return kExitCancelled;
        case RunOutcome::kOpenFailed:
        case RunOutcome::kWriteFailed:
            return kExitWriteFailed;
    }
    return kExitUnexpectedError;
}

ScanSettings ScanSettingsOf(const MovieGen& gen) {
    return {
        gen.StillDirectory(), gen.ImageFilter(),
        gen.TimeStampOption() == 1 ? TimeStampSource::kFileName : TimeStampSource::kLastModified};
}

const SelectionSettings& SelectionSettingsOf(const MovieGen& gen) {
    return gen.Settings();
}

RunOutcome MakeMovie(MovieGen& gen, const RunContext& context) {
    return Trap("MovieGen", "MakeMovie", [&] {
        MovieRun run(gen, context);
        return run.Run();
    });
}

DryRunPlan PlanMovie(const MovieGen& gen, const RunContext& context) {
    return Trap("MovieGen", "MakeMovie", [&] {
        DryRunPlan plan;
        plan.window =
            ComputeTimeWindow(SelectionSettingsOf(gen), RunStartTime(context.clock), context.sun);
        plan.images = GetFileSpecs(ScanSettingsOf(gen), {});
        if (plan.images.empty()) {
            return plan;
        }
        const FrameSelection selection =
            SelectFrames(plan.images.stamps, SelectionSettingsOf(gen), plan.window, {});
        for (std::size_t m = 0; m < selection.frames.size(); ++m) {
            plan.frames.push_back(
                FrameAtOutputPosition(selection.frames, m, plan.window.direction));
        }
        return plan;
    });
}

std::vector<std::string> DryRunLines(const DryRunPlan& plan) {
    std::vector<std::string> lines;
    lines.push_back("WindowStart=" + CStrNI(plan.window.start));
    lines.push_back("WindowStop=" + CStrNI(plan.window.stop));
    lines.push_back("Direction=" + CStrNI(plan.window.direction));
    for (std::size_t n = 0; n < plan.frames.size(); ++n) {
        lines.push_back("frame=" + std::to_string(n) + " " + plan.images.paths[plan.frames[n]]);
    }
    return lines;
}

}  // namespace chronoreel
