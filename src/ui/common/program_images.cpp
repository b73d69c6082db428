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

// How a picture fills the size asked for.
enum class Fit {
    kSquare,  // exactly the size, the image centred in it
    kTight,   // the image's own proportions within the size, nothing around it
};

QPixmap Render(const QString& path, QSize size, qreal devicePixelRatio, Fit fit) {
    static const bool initialised = (InitProgramResources(), true);
    (void)initialised;
    QSvgRenderer renderer(path);
    const QSize room = size * devicePixelRatio;
    QSize drawn = renderer.isValid() ? renderer.defaultSize() : room;
    drawn.scale(room, Qt::KeepAspectRatio);
    QPixmap picture(fit == Fit::kTight ? drawn : room);
    picture.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter, QRectF(QPointF((picture.width() - drawn.width()) / 2.0,
                                                 (picture.height() - drawn.height()) / 2.0),
                                         drawn));
    }
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(Render(kIconPath, QSize(side, side), 1.0, Fit::kSquare));
    }
    return icon;
}

QPixmap ProgramIconPicture(int side, qreal devicePixelRatio) {
    return Render(kIconPath, QSize(side, side), devicePixelRatio, Fit::kSquare);
}

QPixmap ProgramBannerPicture(QSize size, qreal devicePixelRatio) {
    return Render(kBannerPath, size, devicePixelRatio, Fit::kTight);
}

}  // namespace chronoreel::ui
