#pragma once

// The layout check of every window: laid out at the desktop font and at one and a half times its
// size, no control leaves its parent, none is smaller than it needs, no two overlap, no label is
// cut short.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/common/elided_label.h"
#include "ui/support/window_test_support.h"

namespace chronoreel::testing {

// The controls a user reads or uses; the inner parts of Qt's compound widgets are theirs.
inline bool IsControl(const QWidget* widget) {
    return qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget) ||
           qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QSlider*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QProgressBar*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QTabWidget*>(widget);
}

inline bool InsideCompound(const QWidget* widget) {
    for (const QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(up) || qobject_cast<const QComboBox*>(up) ||
            qobject_cast<const QAbstractItemView*>(up)) {
            return true;
        }
    }
    return false;
}

// The application's font at factor times the desktop font's size while it lives.
class ScaledApplicationFont {
  public:
    explicit ScaledApplicationFont(double factor) : saved_(QApplication::font()) {
        QFont font = saved_;
        font.setPointSizeF(saved_.pointSizeF() * factor);
        QApplication::setFont(font);
    }
    ~ScaledApplicationFont() { QApplication::setFont(saved_); }
    ScaledApplicationFont(const ScaledApplicationFont&) = delete;
    ScaledApplicationFont& operator=(const ScaledApplicationFont&) = delete;

  private:
    QFont saved_;
};

inline void ExpectTidy(QWidget& window) {
    window.show();
    WaitUntil([] { return true; });
    QApplication::processEvents();
    std::vector<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&window) && !widget->isWindow() && IsControl(widget) &&
            !InsideCompound(widget)) {
            controls.push_back(widget);
        }
    }
    ASSERT_FALSE(controls.empty());
    for (QWidget* widget : controls) {
        const std::string name =
            widget->objectName().toStdString() + " (" + widget->metaObject()->className() + ")";
        const QRect place = widget->geometry();
        EXPECT_TRUE(widget->parentWidget()->rect().contains(place)) << name << " leaves its parent";
        const QSize needed = widget->minimumSizeHint();
        if (!widget->hasHeightForWidth()) {
            EXPECT_GE(place.height(), needed.height()) << name;
        }
        EXPECT_GE(place.width(), needed.width()) << name;
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label && !label->wordWrap() && !qobject_cast<const ui::ElidedLabel*>(label) &&
            !label->text().isEmpty()) {
            QString shown = label->text();
            if (label->buddy() != nullptr) {  // "&Latitude:" shows as "Latitude:"
                shown.remove(QLatin1Char('&'));
            }
            const int textWidth = label->fontMetrics().boundingRect(shown).width();
            EXPECT_GE(label->contentsRect().width(), textWidth) << name << " cut short";
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->parentWidget() != controls[j]->parentWidget()) {
                continue;
            }
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " overlaps "
                << controls[j]->objectName().toStdString();
        }
    }
}

}  // namespace chronoreel::testing
