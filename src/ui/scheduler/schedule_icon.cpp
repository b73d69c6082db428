#include "ui/scheduler/schedule_icon.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <algorithm>

namespace chronoreel::ui::scheduler {
namespace {

QPixmap ClockPicture(int side) {
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal line = std::max<qreal>(1.0, side / 12.0);
    const QRectF face(line, line, side - 2 * line, side - 2 * line);
    painter.setPen(QPen(QColor(40, 60, 90), line));
    painter.setBrush(QColor(250, 250, 240));
    painter.drawEllipse(face);
    // Hands at ten past ten, the clock-maker's smile.
    const QPointF centre = face.center();
    const qreal radius = face.width() / 2;
    painter.setPen(QPen(QColor(40, 60, 90), line, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(-radius * 0.45, -radius * 0.25));
    painter.drawLine(centre, centre + QPointF(radius * 0.5, -radius * 0.55));
    return picture;
}

}  // namespace

QIcon ScheduleIcon() {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(ClockPicture(side));
    }
    return icon;
}

}  // namespace chronoreel::ui::scheduler
