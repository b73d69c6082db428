#pragma once

#include <QImage>
#include <QPointer>
#include <functional>
#include <memory>
#include <mutex>

#include "base/prompter.h"
#include "movie/run_view.h"
#include "ui/movie_maker/frm_preview.h"

namespace chronoreel {
class MovieGen;
}  // namespace chronoreel

namespace chronoreel::ui {

// The preview window as the run sees it. The run may call from a worker thread: every call then
// reaches the window through the GUI thread's event queue (frames as copies, only the newest
// one waiting), and a question waits for the user's answer there. Called on the GUI thread
// itself, the calls act at once. Cancel sets the run's cancel flag.
class PreviewRunView final : public RunView {
  public:
    // bringMainWindowToFront runs on the GUI thread at the end of an interactive run.
    PreviewRunView(MovieGen& gen, Prompter& prompter, std::function<void()> bringMainWindowToFront);
    ~PreviewRunView() override;
    PreviewRunView(const PreviewRunView&) = delete;
    PreviewRunView& operator=(const PreviewRunView&) = delete;

    FrmPreview& Window() { return *window_; }

    void Open() override;
    void SetStatus(std::string_view text) override;
    void SetFrameText(std::string_view text) override;
    void PrepareForMovieSize(std::int32_t width, std::int32_t height) override;
    void ShowFrame(const DIB& movieSurface, bool firstFrame) override;
    void Refresh() override;
    void ShowMessage(std::string_view text, std::string_view title) override;
    void Close() override;
    void BringMainWindowToFront() override;

  private:
    // Runs work with the window on the GUI thread: now, or queued from another thread.
    void Deliver(std::function<void(FrmPreview&)> work);
    void DeliverNewestFrame();

    std::unique_ptr<FrmPreview> window_;
    QPointer<FrmPreview> target_;
    Prompter& prompter_;
    std::function<void()> bringMainWindowToFront_;

    std::mutex frameMutex_;
    QImage pendingFrame_;
    bool pendingFirst_ = false;
    bool framePosted_ = false;
};

// The upright picture of a movie surface (bottom row first, blue-green-red) as an image of its
// own.
QImage ImageOfSurface(const DIB& surface);

// The icon of a run's message box by its title: the post-generation error warns, the movie
// file's error informs.
MessageIcon RunMessageIcon(std::string_view title);

}  // namespace chronoreel::ui
