#pragma once

#include <QLabel>

namespace chronoreel::ui {

// A one-line label that never widens its window: text longer than the label's width is shown
// shortened in the middle ("…"), while text() keeps it whole.
class ElidedLabel final : public QLabel {
    Q_OBJECT

  public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace chronoreel::ui
