#include "ui/movie_maker/frm_compression.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "base/error_report.h"
#include "ui/common/qt_text.h"
#include "video/video_settings.h"

namespace chronoreel::ui {
namespace {

constexpr std::string_view kModule = "frmMain";
constexpr std::string_view kProcedure = "cmdShowCompressionOptions_Click";
constexpr int kBytesPerKilobyte = 1024;
constexpr int kMaxKilobytesPerSecond = 2000000;
constexpr int kMaxKeyFrameEvery = 100000;

int KilobytesOf(std::int32_t bytesPerSecond) {
    return static_cast<int>(std::lround(bytesPerSecond / static_cast<double>(kBytesPerKilobyte)));
}

QLabel* WrappedNote(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->hide();
    return label;
}

}  // namespace

FrmCompression::FrmCompression(const CompressionDialogStart& start,
                               std::vector<VideoCompressor> available, std::int32_t framesPerSecond,
                               QWidget* parent)
    : QDialog(parent),
      available_(std::move(available)),
      framesPerSecond_(framesPerSecond),
      start_(start.choice),
      startKilobytes_(KilobytesOf(start.choice.bytesPerSecond)) {
    setObjectName(QStringLiteral("frmCompression"));
    setWindowTitle(QStringLiteral("Video Compression"));

    cmbCompressor_ = new QComboBox(this);
    cmbCompressor_->setObjectName(QStringLiteral("cmbCompressor"));
    for (const VideoCompressor& compressor : available_) {
        cmbCompressor_->addItem(ToQString(compressor.description));
    }
    auto* lblUnavailable = WrappedNote(QStringLiteral("lblUnavailable"), this);
    if (start.unavailableCode) {
        lblUnavailable->setText(QStringLiteral("The compressor \"%1\" of this setup is not "
                                               "available in this build; choose another one.")
                                    .arg(ToQString(*start.unavailableCode)));
        lblUnavailable->show();
    }

    lblQuality_ = new QLabel(QStringLiteral("&Quality:"), this);
    sldQuality_ = new QSlider(Qt::Horizontal, this);
    sldQuality_->setObjectName(QStringLiteral("sldQuality"));
    sldQuality_->setRange(0, 100);
    sldQuality_->setPageStep(10);
    spnQuality_ = new QSpinBox(this);
    spnQuality_->setObjectName(QStringLiteral("spnQuality"));
    spnQuality_->setRange(0, 100);
    spnQuality_->setSuffix(QStringLiteral(" %"));
    lblQuality_->setBuddy(sldQuality_);
    auto* quality = new QHBoxLayout;
    quality->addWidget(sldQuality_, 1);
    quality->addWidget(spnQuality_);

    chkKeyFrameEvery_ = new QCheckBox(QStringLiteral("&Key frame every"), this);
    chkKeyFrameEvery_->setObjectName(QStringLiteral("chkKeyFrameEvery"));
    spnKeyFrameEvery_ = new QSpinBox(this);
    spnKeyFrameEvery_->setObjectName(QStringLiteral("spnKeyFrameEvery"));
    spnKeyFrameEvery_->setRange(1, kMaxKeyFrameEvery);
    lblKeyFrameUnit_ = new QLabel(QStringLiteral("frames"), this);
    auto* keyFrames = new QHBoxLayout;
    keyFrames->addWidget(spnKeyFrameEvery_);
    keyFrames->addWidget(lblKeyFrameUnit_);
    keyFrames->addStretch(1);

    chkDataRate_ = new QCheckBox(QStringLiteral("&Data rate"), this);
    chkDataRate_->setObjectName(QStringLiteral("chkDataRate"));
    spnDataRate_ = new QSpinBox(this);
    spnDataRate_->setObjectName(QStringLiteral("spnDataRate"));
    spnDataRate_->setRange(1, kMaxKilobytesPerSecond);
    lblDataRateUnit_ = new QLabel(QStringLiteral("KB/s"), this);
    auto* dataRate = new QHBoxLayout;
    dataRate->addWidget(spnDataRate_);
    dataRate->addWidget(lblDataRateUnit_);
    dataRate->addStretch(1);

    txtExtraOptions_ = new QLineEdit(this);
    txtExtraOptions_->setObjectName(QStringLiteral("txtExtraOptions"));
    txtExtraOptions_->setPlaceholderText(QStringLiteral("key=value:key=value"));
    txtExtraOptions_->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
    auto* extraLabel = new QLabel(QStringLiteral("E&xtra encoder options:"), this);
    extraLabel->setBuddy(txtExtraOptions_);
    auto* compressorLabel = new QLabel(QStringLiteral("&Compressor:"), this);
    compressorLabel->setBuddy(cmbCompressor_);

    auto* form = new QFormLayout;
    form->addRow(compressorLabel, cmbCompressor_);
    form->addRow(lblQuality_, quality);
    form->addRow(chkKeyFrameEvery_, keyFrames);
    form->addRow(chkDataRate_, dataRate);
    form->addRow(extraLabel, txtExtraOptions_);

    lblCopyNote_ = WrappedNote(QStringLiteral("lblCopyNote"), this);
    lblCopyNote_->setText(QStringLiteral(
        "At 100 % the stills' own JPEG data is copied into the movie where possible (stills of "
        "the movie's size): the best quality they hold, at the speed of copying files."));
    lblError_ = WrappedNote(QStringLiteral("lblError"), this);
    QPalette errorPalette = lblError_->palette();
    errorPalette.setColor(QPalette::WindowText, QColor(0xb0, 0x10, 0x10));
    lblError_->setPalette(errorPalette);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FrmCompression::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FrmCompression::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblUnavailable);
    layout->addLayout(form);
    layout->addWidget(lblCopyNote_);
    layout->addWidget(lblError_);
    layout->addStretch(1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    // Open on the stored choice.
    const std::size_t index = CompressorIndex(available_, start_.handler).value_or(0);
    cmbCompressor_->setCurrentIndex(static_cast<int>(index));
    sldQuality_->setValue(start_.qualityPercent);
    spnQuality_->setValue(start_.qualityPercent);
    chkKeyFrameEvery_->setChecked(start_.keyFramesSet);
    spnKeyFrameEvery_->setValue(std::clamp(start_.keyFrameEvery, 1, kMaxKeyFrameEvery));
    chkDataRate_->setChecked(start_.dataRateSet);
    spnDataRate_->setValue(std::clamp(startKilobytes_, 1, kMaxKilobytesPerSecond));
    txtExtraOptions_->setText(ToQString(start_.extraOptions));

    connect(cmbCompressor_, &QComboBox::currentIndexChanged, this,
            [this] { Trap(kModule, kProcedure, [&] { CompressorChanged(); }); });
    connect(sldQuality_, &QSlider::valueChanged, spnQuality_, &QSpinBox::setValue);
    connect(spnQuality_, &QSpinBox::valueChanged, sldQuality_, &QSlider::setValue);
    connect(spnQuality_, &QSpinBox::valueChanged, this, [this] { QualityChanged(); });
    connect(chkKeyFrameEvery_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(chkDataRate_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(txtExtraOptions_, &QLineEdit::textChanged, lblError_, &QLabel::hide);
    UpdateEnabling();
    QualityChanged();
}

const VideoCompressor& FrmCompression::Current() const {
    const int index = std::max(cmbCompressor_->currentIndex(), 0);
    return available_.at(static_cast<std::size_t>(index));
}

void FrmCompression::CompressorChanged() {
    lblError_->hide();
    // A lossy compressor at 0 % is offered the proposal rather than the worst picture.
    spnQuality_->setValue(ShownQualityPercent(spnQuality_->value(), Current().usesQuality));
    UpdateEnabling();
    QualityChanged();
}

void FrmCompression::QualityChanged() {
    const bool copies = Current().code == MakeFourcc("MJPG") && spnQuality_->value() == 100;
    lblCopyNote_->setVisible(copies);
}

void FrmCompression::UpdateEnabling() {
    const bool lossy = Current().usesQuality;
    for (QWidget* widget :
         {static_cast<QWidget*>(lblQuality_), static_cast<QWidget*>(sldQuality_),
          static_cast<QWidget*>(spnQuality_), static_cast<QWidget*>(chkDataRate_)}) {
        widget->setEnabled(lossy);
    }
    spnDataRate_->setEnabled(lossy && chkDataRate_->isChecked());
    lblDataRateUnit_->setEnabled(lossy && chkDataRate_->isChecked());
    // Uncompressed frames are all key frames.
    const bool usesKeyFrames = Current().code != kFourccDib;
    chkKeyFrameEvery_->setEnabled(usesKeyFrames);
    spnKeyFrameEvery_->setEnabled(usesKeyFrames && chkKeyFrameEvery_->isChecked());
    lblKeyFrameUnit_->setEnabled(usesKeyFrames && chkKeyFrameEvery_->isChecked());
}

CompressionChoice FrmCompression::Choice() const {
    CompressionChoice choice;
    choice.handler = Current().code;
    choice.qualityPercent = spnQuality_->value();
    choice.keyFramesSet = chkKeyFrameEvery_->isChecked();
    choice.keyFrameEvery = spnKeyFrameEvery_->value();
    choice.dataRateSet = chkDataRate_->isChecked();
    // An untouched rate keeps its exact stored bytes.
    choice.bytesPerSecond = spnDataRate_->value() == startKilobytes_
                                ? start_.bytesPerSecond
                                : spnDataRate_->value() * kBytesPerKilobyte;
    choice.extraOptions = ToStdString(txtExtraOptions_->text().trimmed());
    return choice;
}

void FrmCompression::accept() {
    const std::optional<std::string> refused = CheckCompressionChoice(Choice(), framesPerSecond_);
    if (refused) {
        lblError_->setText(QStringLiteral("The encoder does not take these settings: %1.")
                               .arg(ToQString(*refused)));
        lblError_->show();
        txtExtraOptions_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace chronoreel::ui
