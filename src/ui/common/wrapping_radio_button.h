#pragma once

#include <QRadioButton>

namespace chronoreel::ui {

// A radio button whose caption wraps onto further lines when its column is narrow, so that a
// long caption does not widen the whole window. The caption stays the button's text().
class WrappingRadioButton final : public QRadioButton {
    Q_OBJECT

  public:
    // preferredLineChars: the line length, in average characters, that the size hint asks for.
    WrappingRadioButton(const QString& text, int preferredLineChars, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

  private:
    int IndicatorWidth() const;
    QRect TextRect(const QRect& area) const;
    int TextHeight(int textWidth) const;

    int preferredLineChars_;
};

}  // namespace chronoreel::ui
