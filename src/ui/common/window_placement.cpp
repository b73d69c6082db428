#include "ui/common/window_placement.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QWidget>
#include <QWindow>

namespace chronoreel::ui {

void ShowCentredOver(QWidget& window, const QWidget& owner) {
    window.winId();
    if (QWindow* handle = window.windowHandle(); handle != nullptr && owner.windowHandle()) {
        handle->setTransientParent(owner.windowHandle());
    }
    window.adjustSize();
    window.move(owner.geometry().center() - window.rect().center());
    window.show();
    window.raise();
    window.activateWindow();
}

QHBoxLayout* OkButtonRow(QWidget* window, QPushButton*& cmdExit) {
    cmdExit = new QPushButton(QStringLiteral("&OK"), window);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cmdExit);
    return row;
}

}  // namespace chronoreel::ui
