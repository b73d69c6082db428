#pragma once

#include <QDialog>
#include <string>
#include <string_view>

namespace chronoreel {
class Prompter;
}

namespace chronoreel::ui {

// Whether the About box names the program on a line of its own: the banner names the movie
// maker only.
enum class AboutTitleLine { kBannerOnly, kBelowBanner };

// The About box of either program, "About " and the program's title: the icon, the banner, the
// version and "&System Info...", which starts the first system-information program found on
// PATH.
class FrmAbout final : public QDialog {
    Q_OBJECT

  public:
    // programTitle: "Chronoreel" or "Chronoreel Scheduler"; also the title of its messages.
    FrmAbout(std::string_view programTitle, Prompter& prompter,
             AboutTitleLine titleLine = AboutTitleLine::kBannerOnly, QWidget* parent = nullptr);

  private:
    void StartSysInfo();

    std::string programTitle_;
    Prompter& prompter_;
};

// "Version 1.0.14" (About) and "Version: 1.0.14" (splash).
QString AboutVersionText();
QString SplashVersionText();

}  // namespace chronoreel::ui
