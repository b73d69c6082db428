#include "ui/common/wrapping_radio_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

namespace chronoreel::ui {
namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
constexpr int kFocusMargin = 2;

}  // namespace

WrappingRadioButton::WrappingRadioButton(const QString& text, int preferredLineChars,
                                         QWidget* parent)
    : QRadioButton(text, parent), preferredLineChars_(preferredLineChars) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int WrappingRadioButton::IndicatorWidth() const {
    return style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, this) +
           style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, this);
}

QRect WrappingRadioButton::TextRect(const QRect& area) const {
    // The text starts where a plain radio button's caption starts.
    return area.adjusted(IndicatorWidth(), kFocusMargin, -kFocusMargin, -kFocusMargin);
}

int WrappingRadioButton::TextHeight(int textWidth) const {
    const QRect bounds =
        fontMetrics().boundingRect(QRect(0, 0, std::max(textWidth, 1), 100000), kTextFlags, text());
    return bounds.height();
}

QSize WrappingRadioButton::sizeHint() const {
    const int fullWidth = fontMetrics().horizontalAdvance(text());
    const int lineWidth =
        std::min(fullWidth, fontMetrics().averageCharWidth() * preferredLineChars_) + 1;
    const int width = IndicatorWidth() + kFocusMargin + lineWidth;
    return {width, heightForWidth(width)};
}

QSize WrappingRadioButton::minimumSizeHint() const {
    // The longest word must fit on a line.
    int longestWord = 0;
    for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        longestWord = std::max(longestWord, fontMetrics().horizontalAdvance(word));
    }
    const int width = IndicatorWidth() + kFocusMargin + longestWord + 1;
    return {width, heightForWidth(width)};
}

int WrappingRadioButton::heightForWidth(int width) const {
    const int indicator = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, this);
    const int textHeight = TextHeight(width - IndicatorWidth() - kFocusMargin);
    return std::max(indicator, textHeight) + 2 * kFocusMargin;
}

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    // The indicator at the height of the first line of text.
    const int indicatorHeight =
        style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, this);
    const QRect textArea = TextRect(rect());
    const int textHeight = TextHeight(textArea.width());
    const int textTop = textArea.top() + std::max(0, (textArea.height() - textHeight) / 2);
    const int lineHeight = fontMetrics().height();
    option.rect =
        QRect(0, textTop + (lineHeight - indicatorHeight) / 2, IndicatorWidth(), indicatorHeight);
    option.state &= ~QStyle::State_HasFocus;
    style()->drawControl(QStyle::CE_RadioButton, &option, &painter, this);

    const QRect textRect(textArea.left(), textTop, textArea.width(), textHeight);
    style()->drawItemText(&painter, textRect, kTextFlags, palette(), isEnabled(), text(),
                          QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-kFocusMargin, -kFocusMargin, kFocusMargin, kFocusMargin);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool WrappingRadioButton::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

}  // namespace chronoreel::ui
