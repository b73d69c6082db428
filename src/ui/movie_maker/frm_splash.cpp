#include "ui/movie_maker/frm_splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "base/error_report.h"
#include "ui/common/frm_about.h"
#include "ui/common/program_images.h"

namespace chronoreel::ui {
namespace {

constexpr std::string_view kModule = "frmSplash";
const QSize kSplashSize(640, 480);

// Picture1: the picture that fills the splash.
class SplashPicture final : public QWidget {
  public:
    explicit SplashPicture(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("Picture1"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
        sky.setColorAt(1, QColor(0x26, 0x2a, 0x33));
        painter.fillRect(rect(), sky);
        // The banner, icon and name together, large in the middle of the picture.
        const QPixmap banner =
            ProgramBannerPicture(QSize(width() * 7 / 8, height() * 2 / 3), devicePixelRatioF());
        const QSize shown = banner.deviceIndependentSize().toSize();
        painter.drawPixmap((width() - shown.width()) / 2, (height() - shown.height()) * 2 / 5,
                           banner);
    }
};

}  // namespace

FrmSplash::FrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    Trap(kModule, "Form_Load", [&] {
        setObjectName(QStringLiteral("frmSplash"));
        setWindowTitle(QStringLiteral("Chronoreel"));
        setFixedSize(kSplashSize);
        auto* picture = new SplashPicture(this);
        auto* lblVersion = new QLabel(SplashVersionText(), picture);
        lblVersion->setObjectName(QStringLiteral("lblVersion"));
        QPalette palette = lblVersion->palette();
        palette.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf2));
        lblVersion->setPalette(palette);
        auto* pictureLayout = new QVBoxLayout(picture);
        pictureLayout->addStretch(1);
        pictureLayout->addWidget(lblVersion, 0, Qt::AlignRight | Qt::AlignBottom);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(picture);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.left() + (area.width() - width()) / 2,
                 area.top() + (area.height() - height()) / 2);
        }
    });
}

void FrmSplash::mousePressEvent(QMouseEvent*) {
    Trap(kModule, "Picture1_Click", [&] { hide(); });
}

}  // namespace chronoreel::ui
