#include "ui/movie_maker/frm_preview.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string_view>

#include "base/error_report.h"
#include "movie/frame_progress.h"
#include "movie/post_generation.h"
#include "movie/run_texts.h"
#include "ui/common/elided_label.h"
#include "ui/common/qt_text.h"

namespace chronoreel::ui {
namespace {

// The picture area is at least this wide, and this big while the movie size is open.
constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 240;
// Share of the screen the preview may take before the picture is shown smaller.
constexpr double kScreenShare = 0.85;

// The widest texts the status line shows, so that the window never jumps wider during a run.
constexpr std::array<std::string_view, 3> kWidestStatusTexts = {
    kStatusPostShellCancelled, kStatusDetermining, kStatusRunningPostShell};

QSize DisplaySize(QSize movie, const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return movie;
    }
    const QSize room = screen->availableSize() * kScreenShare;
    if (movie.width() <= room.width() && movie.height() <= room.height()) {
        return movie;
    }
    return movie.scaled(room, Qt::KeepAspectRatio);
}

}  // namespace

PreviewPicture::PreviewPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pctPreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPicture::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void PreviewPicture::Clear() {
    image_ = QImage();
    update();
}

void PreviewPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (image_.isNull()) {
        return;
    }
    if (image_.size() == size()) {
        painter.drawImage(0, 0, image_);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image_);
}

FrmPreview::FrmPreview(QWidget* parent)
    : QWidget(parent, Qt::Window),
      lblStatus_(new ElidedLabel(QStringLiteral("Status:"), this)),
      lblFrame_(new ElidedLabel(QStringLiteral("Frame: 1/1"), this)),
      cmdCancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      prgFrames_(new QProgressBar(this)),
      pctPreview_(new PreviewPicture(this)) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Movie Generation Preview"));
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblFrame_->setObjectName(QStringLiteral("lblFrame"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    prgFrames_->setObjectName(QStringLiteral("prgFrames"));
    prgFrames_->setRange(0, 1);
    prgFrames_->setValue(0);
    prgFrames_->setTextVisible(true);
    prgFrames_->setFormat(QStringLiteral("%p %"));

    int statusWidth = 0;
    for (const std::string_view text : kWidestStatusTexts) {
        statusWidth = std::max(statusWidth, fontMetrics().horizontalAdvance(ToQString(text)));
    }
    lblStatus_->setMinimumWidth(statusWidth + fontMetrics().averageCharWidth());

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblStatus_);
    texts->addWidget(lblFrame_);
    auto* top = new QHBoxLayout;
    top->addLayout(texts, 1);
    top->addWidget(cmdCancel_, 0, Qt::AlignTop);

    auto* heading = new QVBoxLayout;
    const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    heading->setContentsMargins(margin, margin, margin, margin);
    heading->addLayout(top);
    heading->addWidget(prgFrames_);

    // The picture spans the window from edge to edge and is centred when it is narrower.
    auto* picture = new QHBoxLayout;
    picture->setContentsMargins(0, 0, 0, 0);
    picture->addStretch(1);
    picture->addWidget(pctPreview_);
    picture->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(heading);
    layout->addLayout(picture);
    setMinimumWidth(kPreviewWidth);
    pctPreview_->setFixedSize(kPreviewWidth, kPreviewHeight);

    connect(cmdCancel_, &QPushButton::clicked, this,
            [this] { Trap("frmPreview", "cmdCancel_Click", [&] { emit cancelRequested(); }); });
}

void FrmPreview::Open() {
    finished_ = false;
    pctPreview_->Clear();
    prgFrames_->setRange(0, 1);
    prgFrames_->setValue(0);
    FitPicture(QSize(kPreviewWidth, kPreviewHeight));
    show();
    raise();
}

void FrmPreview::SetStatus(const QString& text) {
    lblStatus_->setText(text);
}

void FrmPreview::SetFrameText(const QString& text) {
    lblFrame_->setText(text);
    if (const std::optional<FrameProgress> progress = FrameProgressFromText(ToStdString(text))) {
        const int total = static_cast<int>(std::max<std::size_t>(progress->total, 1));
        prgFrames_->setRange(0, total);
        prgFrames_->setValue(static_cast<int>(std::min<std::size_t>(progress->done, total)));
    }
}

void FrmPreview::PrepareForMovieSize(int width, int height) {
    if (width > 0 && height > 0) {
        FitPicture(QSize(width, height));
    } else {
        FitPicture(QSize(kPreviewWidth, kPreviewHeight));
    }
}

void FrmPreview::ShowFrame(const QImage& frame, bool firstFrame) {
    if (firstFrame || DisplaySize(frame.size(), *this) != pctPreview_->size()) {
        FitPicture(frame.size());
    }
    pctPreview_->SetImage(frame);
}

void FrmPreview::Finish() {
    finished_ = true;
    close();
}

QSize FrmPreview::PictureSize() const {
    return pctPreview_->size();
}

void FrmPreview::closeEvent(QCloseEvent* event) {
    if (finished_) {
        event->accept();
        return;
    }
    // The window belongs to the run: its close box asks the run to stop, and the run closes it.
    event->ignore();
    emit cancelRequested();
}

void FrmPreview::FitPicture(QSize movieSize) {
    const QSize shown = DisplaySize(movieSize, *this);
    if (pctPreview_->size() != shown) {
        pctPreview_->setFixedSize(shown);
    }
    adjustSize();
    // The preview stands in the middle of the screen, whatever size the movie gives it.
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

}  // namespace chronoreel::ui
