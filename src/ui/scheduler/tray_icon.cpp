#include "ui/scheduler/tray_icon.h"

#include <QAction>
#include <QMenu>

#include "base/error_report.h"
#include "ui/common/program_images.h"

namespace chronoreel::ui::scheduler {
namespace {

constexpr std::string_view kModule = "frmMain";

}  // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QSystemTrayIcon(ProgramIcon(), parent), mPopupSys_(std::make_unique<QMenu>()) {
    setObjectName(QStringLiteral("pctSysTray"));
    setToolTip(QStringLiteral("Chronoreel Scheduler"));
    mPopupSys_->setObjectName(QStringLiteral("mPopupSys"));
    QAction* restore = mPopupSys_->addAction(QStringLiteral("&Open Scheduler Window"));
    restore->setObjectName(QStringLiteral("mPopRestore"));
    QAction* exit = mPopupSys_->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("mPopExit"));
    setContextMenu(mPopupSys_.get());

    connect(restore, &QAction::triggered, this,
            [this] { Trap(kModule, "mPopRestore_Click", [&] { emit restoreRequested(); }); });
    connect(exit, &QAction::triggered, this,
            [this] { Trap(kModule, "mPopExit_Click", [&] { emit exitRequested(); }); });
    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        Trap(kModule, "pctSysTray_MouseMove", [&] {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                emit restoreRequested();
            }
        });
    });
}

TrayIcon::~TrayIcon() {
    // The icon leaves the notification area before its menu goes.
    hide();
    setContextMenu(nullptr);
}

}  // namespace chronoreel::ui::scheduler
