#include "ui/movie_maker/preview_run_view.h"

#include <QMetaObject>
#include <QThread>
#include <string>
#include <utility>

#include "base/prompter.h"
#include "imaging/dib.h"
#include "movie/movie_gen.h"
#include "movie/post_generation.h"
#include "ui/common/gui_thread.h"
#include "ui/common/qt_text.h"

namespace chronoreel::ui {
namespace {

// Messages of the run are written with a carriage return between their lines.
std::string WithLineFeeds(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c == '\r') {
            c = '\n';
        }
    }
    return result;
}

}  // namespace

QImage ImageOfSurface(const DIB& surface) {
    if (!surface.HasSurface() || surface.Width() <= 0 || surface.Height() <= 0) {
        return {};
    }
    const QImage bottomUp(surface.DIBPtr(), surface.Width(), surface.Height(),
                          surface.StrideBytes(), QImage::Format_BGR888);
    return bottomUp.mirrored(false, true);
}

MessageIcon RunMessageIcon(std::string_view title) {
    return title == kPostShellErrorTitle ? MessageIcon::kExclamation : MessageIcon::kInformation;
}

PreviewRunView::PreviewRunView(MovieGen& gen, Prompter& prompter,
                               std::function<void()> bringMainWindowToFront)
    : window_(std::make_unique<FrmPreview>()),
      target_(window_.get()),
      prompter_(prompter),
      bringMainWindowToFront_(std::move(bringMainWindowToFront)) {
    QObject::connect(window_.get(), &FrmPreview::cancelRequested, window_.get(),
                     [&gen] { gen.SetCancelMovie(true); });
}

PreviewRunView::~PreviewRunView() = default;

void PreviewRunView::Deliver(std::function<void(FrmPreview&)> work) {
    if (QThread::currentThread() == window_->thread()) {
        work(*window_);
        return;
    }
    QPointer<FrmPreview> target = target_;
    QMetaObject::invokeMethod(
        window_.get(),
        [target, work = std::move(work)] {
            if (target) {
                work(*target);
            }
        },
        Qt::QueuedConnection);
}

void PreviewRunView::Open() {
    Deliver([](FrmPreview& w) { w.Open(); });
}

void PreviewRunView::SetStatus(std::string_view text) {
    Deliver([text = ToQString(text)](FrmPreview& w) { w.SetStatus(text); });
}

void PreviewRunView::SetFrameText(std::string_view text) {
    Deliver([text = ToQString(text)](FrmPreview& w) { w.SetFrameText(text); });
}

void PreviewRunView::PrepareForMovieSize(std::int32_t width, std::int32_t height) {
    Deliver([width, height](FrmPreview& w) { w.PrepareForMovieSize(width, height); });
}

void PreviewRunView::ShowFrame(const DIB& movieSurface, bool firstFrame) {
    QImage frame = ImageOfSurface(movieSurface);
    if (QThread::currentThread() == window_->thread()) {
        window_->ShowFrame(frame, firstFrame);
        return;
    }
    // A GUI thread slower than the run sees only the newest frame; nothing piles up.
    const std::scoped_lock lock(frameMutex_);
    pendingFrame_ = std::move(frame);
    pendingFirst_ = pendingFirst_ || firstFrame;
    if (!framePosted_) {
        framePosted_ = true;
        Deliver([this](FrmPreview&) { DeliverNewestFrame(); });
    }
}

void PreviewRunView::DeliverNewestFrame() {
    QImage frame;
    bool first = false;
    {
        const std::scoped_lock lock(frameMutex_);
        frame = std::move(pendingFrame_);
        first = pendingFirst_;
        pendingFrame_ = QImage();
        pendingFirst_ = false;
        framePosted_ = false;
    }
    window_->ShowFrame(frame, first);
}

void PreviewRunView::Refresh() {
    if (QThread::currentThread() == window_->thread()) {
        window_->repaint();
    }
    // From a worker the queued changes repaint the window as soon as the GUI thread gets to them.
}

void PreviewRunView::ShowMessage(std::string_view text, std::string_view title) {
    const std::string message = WithLineFeeds(text);
    RunOnGuiThreadAndWait(
        [&] { prompter_.Message(message, title, MessageButtons::kOk, RunMessageIcon(title)); });
}

void PreviewRunView::Close() {
    Deliver([](FrmPreview& w) { w.Finish(); });
}

void PreviewRunView::BringMainWindowToFront() {
    if (bringMainWindowToFront_) {
        Deliver([bring = bringMainWindowToFront_](FrmPreview&) { bring(); });
    }
}

}  // namespace chronoreel::ui
