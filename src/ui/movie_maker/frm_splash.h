#pragma once

#include <QWidget>

namespace chronoreel::ui {

// The start-up picture: 640 × 480 with the program's images and its version. A click hides it.
class FrmSplash final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmSplash(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace chronoreel::ui
