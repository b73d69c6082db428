#pragma once

#include <QSystemTrayIcon>
#include <memory>

class QAction;
class QMenu;

namespace chronoreel::ui::scheduler {

// The scheduler's icon in the notification area, tip "Chronoreel Scheduler": a click (or a
// double click) asks for the window, the context menu mPopupSys offers "&Open Scheduler Window"
// and "&Exit".
class TrayIcon final : public QSystemTrayIcon {
    Q_OBJECT

  public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    QMenu& Menu() { return *mPopupSys_; }

  signals:
    void restoreRequested();
    void exitRequested();

  private:
    // A menu needs a widget as parent or none; the icon owns it.
    std::unique_ptr<QMenu> mPopupSys_;
};

}  // namespace chronoreel::ui::scheduler
