#include "ui/common/qt_prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

#include "ui/common/gui_thread.h"
#include "ui/common/qt_text.h"

namespace chronoreel::ui {
namespace {

// The window a dialog belongs to: the active one, unless it is disabled (a main window during a
// run), where a dialog would open disabled too.
QWidget* DialogParent() {
    QWidget* const active = QApplication::activeWindow();
    return active != nullptr && active->isEnabled() ? active : nullptr;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::kInformation:
            return QMessageBox::Information;
        case MessageIcon::kQuestion:
            return QMessageBox::Question;
        case MessageIcon::kExclamation:
            return QMessageBox::Warning;
        case MessageIcon::kCritical:
            return QMessageBox::Critical;
        case MessageIcon::kNone:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::kOkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::kYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::kYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::kOk:
            break;
    }
    return QMessageBox::Ok;
}

MessageAnswer AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return MessageAnswer::kOk;
        case QMessageBox::Yes:
            return MessageAnswer::kYes;
        case QMessageBox::No:
            return MessageAnswer::kNo;
        default:
            return MessageAnswer::kCancel;
    }
}

// The stored filter's parts: description, pattern, description, pattern...
QStringList FilterParts(std::string_view filter) {
    return ToQString(filter).split(QLatin1Char('|'));
}

}  // namespace

QString QtNameFilters(std::string_view filter) {
    const QStringList parts = FilterParts(filter);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.contains(QLatin1Char('(') + patterns + QLatin1Char(')'))) {
            filters << description;
        } else if (description.isEmpty()) {
            filters << patterns;
        } else {
            filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
    }
    return filters.join(QStringLiteral(";;"));
}

QString DefaultSuffix(std::string_view filter) {
    const QStringList parts = FilterParts(filter);
    if (parts.size() < 2) {
        return {};
    }
    const QString pattern = parts[1].split(QLatin1Char(';')).first().trimmed();
    if (!pattern.startsWith(QStringLiteral("*.")) || pattern.size() < 3) {
        return {};
    }
    const QString suffix = pattern.mid(2);
    const bool plain = !suffix.contains(QLatin1Char('*')) && !suffix.contains(QLatin1Char('?')) &&
                       !suffix.contains(QLatin1Char('.'));
    return plain ? suffix : QString();
}

MessageAnswer QtPrompter::Message(std::string_view text, std::string_view title,
                                  MessageButtons buttons, MessageIcon icon) {
    MessageAnswer answer =
        buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kCancel;
    RunOnGuiThreadAndWait([&] {
        QMessageBox box(BoxIcon(icon), ToQString(title), ToQString(text), BoxButtons(buttons),
                        DialogParent());
        box.setTextFormat(Qt::PlainText);
        answer = AnswerOf(box.exec());
    });
    return answer;
}

std::optional<std::string> QtPrompter::Input(std::string_view prompt, std::string_view title,
                                             std::string_view initialText) {
    std::optional<std::string> answer;
    RunOnGuiThreadAndWait([&] {
        bool accepted = false;
        const QString text =
            QInputDialog::getText(DialogParent(), ToQString(title), ToQString(prompt),
                                  QLineEdit::Normal, ToQString(initialText), &accepted);
        if (accepted) {
            answer = ToStdString(text);
        }
    });
    return answer;
}

std::optional<std::string> QtPrompter::FileDialog(const FileDialogRequest& request) {
    std::optional<std::string> answer;
    RunOnGuiThreadAndWait([&] {
        QFileDialog dialog(DialogParent(), ToQString(request.title),
                           ToQString(request.startFolder));
        if (request.style == FileDialogStyle::kFolder) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
        } else {
            // Both styles take names of files that do not exist yet; the commands themselves ask
            // before an existing file is replaced.
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setAcceptMode(request.style == FileDialogStyle::kSave ? QFileDialog::AcceptSave
                                                                         : QFileDialog::AcceptOpen);
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
            const QString filters = QtNameFilters(request.filter);
            if (!filters.isEmpty()) {
                dialog.setNameFilter(filters);
            }
            dialog.setDefaultSuffix(DefaultSuffix(request.filter));
            if (!request.fileName.empty()) {
                dialog.selectFile(ToQString(request.fileName));
            }
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        const QStringList chosen = dialog.selectedFiles();
        answer = chosen.isEmpty() ? std::string() : ToStdString(chosen.first());
    });
    return answer;
}

}  // namespace chronoreel::ui
