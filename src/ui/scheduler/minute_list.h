#pragma once

#include <QListWidget>
#include <vector>

namespace chronoreel {
class Task;
}

namespace chronoreel::ui::scheduler {

// lstSelectTimes: the 1440 minutes of the day, "12:00 AM" to "11:59 PM". A click turns a
// minute on or off; the minutes selected are the task's start times.
class MinuteList final : public QListWidget {
    Q_OBJECT

  public:
    explicit MinuteList(QWidget* parent = nullptr);

    // Selects exactly the minutes at which the task starts, keeping the scroll position and
    // the current entry.
    void ShowMinutes(const Task& task);

    // The minutes turned on or off by a selection change, in the order of the change.
    struct Change {
        int minute;
        bool on;
    };
    static std::vector<Change> Changes(const QItemSelection& selected,
                                       const QItemSelection& deselected);

    // As wide as the longest time with a scroll bar, about ten entries high.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

}  // namespace chronoreel::ui::scheduler
