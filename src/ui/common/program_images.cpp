#include "ui/common/program_images.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtGlobal>

// The images live in a static library, whose resource registration the linker would drop
// without this explicit call.
static void InitProgramResources() {
    Q_INIT_RESOURCE(chronoreel);
}

namespace chronoreel::ui {
namespace {

const QString kIconPath = QStringLiteral(":/chronoreel/chronoreel.svg");
const QString kBannerPath = QStringLiteral(":/chronoreel/chronoreel-banner.svg");

QPixmap Render(const QString& path, QSize size, qreal devicePixelRatio) {
    static const bool initialised = (InitProgramResources(), true);
    (void)initialised;
    QSvgRenderer renderer(path);
    const QSize pixels = size * devicePixelRatio;
    QPixmap picture(pixels);
    picture.fill(Qt::transparent);
    if (renderer.isValid()) {
        QSize drawn = renderer.defaultSize();
        drawn.scale(pixels, Qt::KeepAspectRatio);
        QPainter painter(&picture);
        renderer.render(&painter, QRectF(QPointF((pixels.width() - drawn.width()) / 2.0,
                                                 (pixels.height() - drawn.height()) / 2.0),
                                         drawn));
    }
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(Render(kIconPath, QSize(side, side), 1.0));
    }
    return icon;
}

QPixmap ProgramIconPicture(int side, qreal devicePixelRatio) {
    return Render(kIconPath, QSize(side, side), devicePixelRatio);
}

QPixmap ProgramBannerPicture(QSize size, qreal devicePixelRatio) {
    return Render(kBannerPath, size, devicePixelRatio);
}

}  // namespace chronoreel::ui
