#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace chronoreel::ui {

// The program's own pictures, drawn from the SVG images built into the program.

// The square application icon, at every size a window or menu asks for.
QIcon ProgramIcon();

// The icon as a picture of side × side device-independent pixels for a widget of that
// device pixel ratio.
QPixmap ProgramIconPicture(int side, qreal devicePixelRatio);

// The wide banner at its own proportions, as large as fits into size.
QPixmap ProgramBannerPicture(QSize size, qreal devicePixelRatio);

}  // namespace chronoreel::ui
