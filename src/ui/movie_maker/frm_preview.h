#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace chronoreel::ui {

class ElidedLabel;

// The picture area of the preview: the frame being written, upright, at the movie's size (or
// smaller, keeping its proportions, when the screen cannot hold it).
class PreviewPicture final : public QWidget {
    Q_OBJECT

  public:
    explicit PreviewPicture(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    void Clear();
    const QImage& Image() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
};

// "Movie Generation Preview": the run's status and frame texts, a progress bar for the frame
// loop, the picture and Cancel. Lives on the GUI thread; the run reaches it through its run view.
class FrmPreview final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmPreview(QWidget* parent = nullptr);

    // Shows the window with a cleared picture at the default size.
    void Open();
    void SetStatus(const QString& text);
    void SetFrameText(const QString& text);
    // Sizes the picture for the movie before the frame loop; 0 × 0 while the size is open.
    void PrepareForMovieSize(int width, int height);
    // Shows a frame; the first one fits the window to the movie.
    void ShowFrame(const QImage& frame, bool firstFrame);
    // The run has ended: the window closes.
    void Finish();

    QSize PictureSize() const;

  signals:
    // Cancel was pressed (or the window's close box used) while the run goes on.
    void cancelRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FitPicture(QSize movieSize);

    ElidedLabel* lblStatus_;
    ElidedLabel* lblFrame_;
    QPushButton* cmdCancel_;
    QProgressBar* prgFrames_;
    PreviewPicture* pctPreview_;
    bool finished_ = false;
};

}  // namespace chronoreel::ui
