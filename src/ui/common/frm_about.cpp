#include "ui/common/frm_about.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <optional>

#include "base/error_report.h"
#include "base/prompter.h"
#include "os/child_process.h"
#include "os/system_info_program.h"
#include "ui/common/program_images.h"
#include "ui/common/qt_text.h"

namespace chronoreel::ui {
namespace {

constexpr std::string_view kModule = "frmAbout";
constexpr int kIconSide = 64;
const QSize kBannerSize(296, 73);

}  // namespace

QString AboutVersionText() {
    return QStringLiteral("Version " CHRONOREEL_VERSION);
}

QString SplashVersionText() {
    return QStringLiteral("Version: " CHRONOREEL_VERSION);
}

FrmAbout::FrmAbout(std::string_view programTitle, Prompter& prompter, AboutTitleLine titleLine,
                   QWidget* parent)
    : QDialog(parent), programTitle_(programTitle), prompter_(prompter) {
    Trap(kModule, "Form_Load", [&] {
        setObjectName(QStringLiteral("frmAbout"));
        setWindowTitle(QStringLiteral("About ") + ToQString(programTitle_));

        auto* picIcon = new QLabel(this);
        picIcon->setObjectName(QStringLiteral("picIcon"));
        picIcon->setPixmap(ProgramIconPicture(kIconSide, devicePixelRatioF()));
        picIcon->setAlignment(Qt::AlignTop);
        auto* image1 = new QLabel(this);
        image1->setObjectName(QStringLiteral("Image1"));
        image1->setPixmap(ProgramBannerPicture(kBannerSize, devicePixelRatioF()));
        auto* lblVersion = new QLabel(AboutVersionText(), this);
        lblVersion->setObjectName(QStringLiteral("lblVersion"));
        auto* line = new QFrame(this);
        line->setObjectName(QStringLiteral("Line1"));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);

        auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
        cmdOK->setObjectName(QStringLiteral("cmdOK"));
        cmdOK->setDefault(true);
        auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
        cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

        auto* texts = new QVBoxLayout;
        texts->addWidget(image1);
        if (titleLine == AboutTitleLine::kBelowBanner) {
            auto* lblTitle = new QLabel(ToQString(programTitle_), this);
            lblTitle->setObjectName(QStringLiteral("lblTitle"));
            QFont font = lblTitle->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 1.25);
            lblTitle->setFont(font);
            texts->addWidget(lblTitle);
        }
        texts->addWidget(lblVersion);
        texts->addStretch(1);
        auto* top = new QHBoxLayout;
        top->addWidget(picIcon);
        top->addSpacing(fontMetrics().averageCharWidth() * 2);
        top->addLayout(texts, 1);

        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(cmdOK);
        buttons->addWidget(cmdSysInfo);

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(top);
        layout->addWidget(line);
        layout->addLayout(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);

        connect(cmdOK, &QPushButton::clicked, this,
                [this] { Trap(kModule, "cmdOK_Click", [&] { close(); }); });
        connect(cmdSysInfo, &QPushButton::clicked, this,
                [this] { Trap(kModule, "cmdSysInfo_Click", [&] { StartSysInfo(); }); });
    });
}

void FrmAbout::StartSysInfo() {
    const char* const searchPath = std::getenv("PATH");
    const std::optional<std::string> program =
        FindSystemInfoProgram(searchPath != nullptr ? searchPath : "");
    if (program) {
        ChildProcess started = ChildProcess::Start({*program});
        if (started.Status(std::chrono::milliseconds(0)) != ProcessStatus::kFailed) {
            // The tool lives on by itself; it is reaped when it ends.
            started.Release();
            return;
        }
    }
    prompter_.Message("System Information Is Unavailable At This Time", programTitle_,
                      MessageButtons::kOk, MessageIcon::kNone);
}

}  // namespace chronoreel::ui
