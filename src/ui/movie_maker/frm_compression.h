#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "movie_setup/compression_choice.h"
#include "video/video_compressors.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace chronoreel::ui {

// "Video Compression": the compressors this build can write with quality, key-frame interval,
// data rate and extra encoder options. OK is taken only when the encoder accepts the choice;
// what the caller then stores is Choice().
class FrmCompression final : public QDialog {
    Q_OBJECT

  public:
    FrmCompression(const CompressionDialogStart& start, std::vector<VideoCompressor> available,
                   std::int32_t framesPerSecond, QWidget* parent = nullptr);

    CompressionChoice Choice() const;

  public slots:
    void accept() override;

  private:
    void CompressorChanged();
    void QualityChanged();
    void UpdateEnabling();
    const VideoCompressor& Current() const;

    std::vector<VideoCompressor> available_;
    std::int32_t framesPerSecond_;
    CompressionChoice start_;
    int startKilobytes_ = 0;

    QComboBox* cmbCompressor_;
    QLabel* lblQuality_;
    QSlider* sldQuality_;
    QSpinBox* spnQuality_;
    QCheckBox* chkKeyFrameEvery_;
    QSpinBox* spnKeyFrameEvery_;
    QLabel* lblKeyFrameUnit_;
    QCheckBox* chkDataRate_;
    QSpinBox* spnDataRate_;
    QLabel* lblDataRateUnit_;
    QLineEdit* txtExtraOptions_;
    QLabel* lblCopyNote_;
    QLabel* lblError_;
};

}  // namespace chronoreel::ui
