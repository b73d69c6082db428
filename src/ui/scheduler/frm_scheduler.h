#pragma once

#include <QWidget>
#include <array>
#include <string_view>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace chronoreel {
class Schedule;
}

namespace chronoreel::ui::scheduler {

// frmScheduler, "Schedule Setup": a task's daily window, the whole day or from a start to a
// stop, each an absolute time or an offset in minutes from sunrise or sunset. Every edit takes
// effect on the schedule at once; there is no cancel. "&OK" or the close box closes it.
class FrmScheduler final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmScheduler(QWidget* parent = nullptr);
    ~FrmScheduler() override;

    // The schedule edited; nullptr lets go of it (the controls then change nothing).
    void SetSchedule(Schedule* schedule) { schedule_ = schedule; }
    Schedule* EditedSchedule() const { return schedule_; }
    // Fills the controls from the schedule; nothing is written back meanwhile.
    void Update();
    // 0 while open, 1 after "&OK".
    int Result() const { return result_; }

  signals:
    // The window is closing, however it was closed.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The controls of one edge of the window (start or stop).
    struct Edge {
        QLabel* heading = nullptr;
        QButtonGroup* options = nullptr;
        std::array<QRadioButton*, 3> buttons{};
        QLineEdit* absolute = nullptr;
        QLineEdit* sunriseOffset = nullptr;
        QLineEdit* sunsetOffset = nullptr;
        std::array<QLabel*, 2> units{};
    };

    QWidget* BuildEdge(Edge& edge, bool start);
    void ConnectEdge(const Edge& edge, bool start);
    // A box whose trimmed text, read as a number or a time, is stored at once.
    void OnEdgeText(QLineEdit* box, void (Schedule::*store)(double),
                    double (*read)(std::string_view));
    void FillEdge(const Edge& edge, bool start);
    void EnableEdges(bool fromStartToStop);

    Schedule* schedule_ = nullptr;
    bool loading_ = false;
    bool closedOnce_ = false;
    int result_ = 0;
    QButtonGroup* optEnableType_ = nullptr;
    Edge start_;
    Edge stop_;
};

}  // namespace chronoreel::ui::scheduler
