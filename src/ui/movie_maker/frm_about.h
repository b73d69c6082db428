#pragma once

#include <QDialog>
#include <string>

namespace chronoreel {
class Prompter;
}

namespace chronoreel::ui {

// "About Chronoreel": the icon, the banner, the version and "&System Info...", which starts
// the first system-information program found on PATH.
class FrmAbout final : public QDialog {
    Q_OBJECT

  public:
    explicit FrmAbout(Prompter& prompter, QWidget* parent = nullptr);

  private:
    void StartSysInfo();

    Prompter& prompter_;
};

// "Version 1.0.14" (About) and "Version: 1.0.14" (splash).
QString AboutVersionText();
QString SplashVersionText();

}  // namespace chronoreel::ui
