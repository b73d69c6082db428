#include "ui/scheduler/frm_settings.h"

#include <unistd.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <optional>
#include <string>

#include "base/error_report.h"
#include "base/text.h"
#include "scheduler/task_file.h"
#include "ui/common/browse_dialogs.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_placement.h"

namespace chronoreel::ui::scheduler {
namespace {

constexpr std::string_view kModule = "frmSettings";
const QString kPathSample = QStringLiteral("/usr/local/bin/chronoreel-1.0/chronoreel");

}  // namespace

bool MovieMakerRunnable(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (path.find('/') == std::string::npos) {
        return true;
    }
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

FrmSettings::FrmSettings(TaskFile& tasks, Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), tasks_(tasks), prompter_(prompter) {
    Trap(kModule, "Form_Load", [&] {
        setObjectName(QStringLiteral("frmSettings"));
        setWindowTitle(QStringLiteral("Settings"));

        auto* label1 =
            new QLabel(QStringLiteral("Chronoreel Executable (chronoreel) location:"), this);
        label1->setObjectName(QStringLiteral("Label1"));
        txtChronoreelLocation_ = new QLineEdit(ToQString(tasks_.ChronoreelPath()), this);
        txtChronoreelLocation_->setObjectName(QStringLiteral("txtChronoreelLocation"));
        txtChronoreelLocation_->setMinimumWidth(
            txtChronoreelLocation_->fontMetrics().horizontalAdvance(kPathSample));
        label1->setBuddy(txtChronoreelLocation_);
        auto* cmdBrowse = new QPushButton(QStringLiteral("Browse"), this);
        cmdBrowse->setObjectName(QStringLiteral("cmdSetupFileBrowse"));
        lblNotRunnable_ = new QLabel(
            QStringLiteral("No program can be started from this path: runs will end with "
                           "\"Error\"."),
            this);
        lblNotRunnable_->setObjectName(QStringLiteral("lblNotRunnable"));
        lblNotRunnable_->setWordWrap(true);
        QPushButton* cmdExit = nullptr;
        QHBoxLayout* buttons = OkButtonRow(this, cmdExit);

        auto* path = new QHBoxLayout;
        path->addWidget(txtChronoreelLocation_, 1);
        path->addWidget(cmdBrowse);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label1);
        layout->addLayout(path);
        layout->addWidget(lblNotRunnable_);
        layout->addStretch(1);
        layout->addLayout(buttons);
        ShowRunnable();

        connect(txtChronoreelLocation_, &QLineEdit::textChanged, this, [this](const QString& text) {
            Trap(kModule, "txtChronoreelLocation_Change", [&] {
                tasks_.SetChronoreelPath(std::string(TrimBlanks(ToStdString(text))));
                tasks_.SaveSetup();
                ShowRunnable();
            });
        });
        connect(cmdBrowse, &QPushButton::clicked, this,
                [this] { Trap(kModule, "cmdSetupFileBrowse_Click", [&] { Browse(); }); });
        connect(cmdExit, &QPushButton::clicked, this,
                [this] { Trap(kModule, "cmdExit_Click", [&] { close(); }); });
    });
}

void FrmSettings::ShowRunnable() {
    lblNotRunnable_->setVisible(!MovieMakerRunnable(tasks_.ChronoreelPath()));
}

void FrmSettings::Browse() {
    // Any file: the movie maker may have any name; the note says when it cannot be run.
    if (const auto chosen =
            BrowseFile(prompter_, "Chronoreel Executable Location Selection", "Programs (*)|*",
                       ToStdString(txtChronoreelLocation_->text()))) {
        txtChronoreelLocation_->setText(ToQString(*chosen));
    }
}

}  // namespace chronoreel::ui::scheduler
