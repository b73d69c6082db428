#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace chronoreel {
class Prompter;
class TaskFile;
}  // namespace chronoreel

namespace chronoreel::ui::scheduler {

// frmSettings: where the movie maker is. Every change of the path is stored in the task file at
// once; a note under the box says when the path names nothing that can be run.
class FrmSettings final : public QWidget {
    Q_OBJECT

  public:
    FrmSettings(TaskFile& tasks, Prompter& prompter, QWidget* parent = nullptr);

  private:
    void ShowRunnable();
    void Browse();

    TaskFile& tasks_;
    Prompter& prompter_;
    QLineEdit* txtChronoreelLocation_ = nullptr;
    QLabel* lblNotRunnable_ = nullptr;
};

// Whether a movie maker path can be started: a name without a folder is looked up on PATH
// when the run starts, so it is taken as it is; a path must name an executable file.
bool MovieMakerRunnable(const std::string& path);

}  // namespace chronoreel::ui::scheduler
