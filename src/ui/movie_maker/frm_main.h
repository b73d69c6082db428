#pragma once

#include <QMainWindow>
#include <QUrl>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "movie/make_movie.h"
#include "movie_setup/setup_session.h"
#include "movie_setup/setup_view.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace chronoreel {
class Clock;
struct MovieMakerObjects;
}  // namespace chronoreel

namespace chronoreel::ui {

class FrmAbout;
class FrmLocation;
class MovieRunner;

// What the main window works with.
struct MainWindowContext {
    MovieMakerObjects& objects;
    Prompter& prompter;
    const Clock& clock;
    std::filesystem::path settingsFolder;  // where Chronoreel.INI is written at the end
    std::filesystem::path programFolder;   // where the manual is looked for
    // Opens the manual; empty: the desktop's handler for file: URLs.
    std::function<bool(const QUrl&)> openUrl;
};

// frmMain: the setup's controls, each bound to one MovieGen setting and written back the moment
// it changes; the File, Settings and Help menus; "Compression Options", "&Make Movie" and
// "&Quit". The setup commands reach it as their SetupView.
class FrmMain final : public QMainWindow, public SetupView {
    Q_OBJECT

  public:
    explicit FrmMain(MainWindowContext context, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Copies every setting into the controls; nothing is written back meanwhile.
    void UpdateSetupControls();
    SetupSession Session();
    bool IsMakingMovie() const;
    MovieRunner& Runner() { return *runner_; }
    // Sizes the window for its controls, within the screen (they scroll when it is too small).
    void FitToScreen();

    // SetupView
    void RecentFilesChanged(const RecentFiles& files) override;
    void EnableSaveCommands() override;
    void RefreshSetupControls() override { UpdateSetupControls(); }
    void ShowTitle(std::string_view title) override;

  signals:
    // The window closed after Shutdown agreed: the program ends.
    void shutDown();
    // A movie run started from the window has ended and the window is enabled again.
    void movieFinished(chronoreel::RunOutcome outcome);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct TimeFrame;

    void BuildMenus();
    void BuildInput(QGridLayout* grid, int row);
    void BuildOutput(QGridLayout* grid, int row);
    void BuildTimeFrame(TimeFrame& frame, const QString& prefix, const QString& title);
    QButtonGroup* OptionGroup(const QString& name, std::function<void(int)> clicked);
    enum class BoxWidth { kFixed, kStretch };
    QLineEdit* Box(const QString& name, const QString& sample, BoxWidth kind);
    void OnTextChanged(QLineEdit* box, std::function<void(const QString&)> store);
    void SelectOption(QButtonGroup* group, int index);
    void FillTimeFrame(const TimeFrame& frame, bool start);
    void ConnectTimeFrame(const TimeFrame& frame, bool start);
    void ApplyTimeFilterEnabling(bool useWindow);

    void OnBrowseImageDirectory();
    void OnBrowseOutputPath();
    void OnShowCompressionOptions();
    void OnMakeMovie();
    void OnMovieFinished(RunOutcome outcome);
    void OnRecentFile(int index);
    void OnLocation();
    void OnOpenManual();
    void OnAbout();

    MainWindowContext context_;
    bool loading_ = false;
    bool locationOpen_ = false;  // the main window waits disabled meanwhile
    bool shutDown_ = false;
    MovieRunner* runner_;
    QWidget* content_ = nullptr;
    // Windows of their own (a child window would be disabled with the main window).
    std::unique_ptr<FrmLocation> location_;
    std::unique_ptr<FrmAbout> about_;
    std::array<std::function<void(int)>, 6> optionHandlers_;

    // Menu items.
    QAction* mnuSave_ = nullptr;
    QAction* mnuSaveAs_ = nullptr;
    QAction* mnuSepFiles_ = nullptr;
    std::array<QAction*, 4> mnuFiles_{};

    // Input.
    QLineEdit* txtImageDirectory_ = nullptr;
    QLineEdit* txtImageFilter_ = nullptr;
    QButtonGroup* optUseTimeFilter_ = nullptr;
    QLabel* lblStart_ = nullptr;
    QLabel* lblStop_ = nullptr;
    struct TimeFrame {
        QGroupBox* frame = nullptr;
        QButtonGroup* options = nullptr;
        QLineEdit* relative = nullptr;
        QLineEdit* today = nullptr;
        QLineEdit* absolute = nullptr;
        QLineEdit* sunriseRelative = nullptr;
        QLineEdit* sunsetRelative = nullptr;
        QLineEdit* yesterday = nullptr;
    };
    TimeFrame start_;
    TimeFrame stop_;
    QButtonGroup* optImageInterval_ = nullptr;
    QLineEdit* txtImageInterval_ = nullptr;
    QLabel* lblDuplicateCount_ = nullptr;
    QLineEdit* txtDuplicateCount_ = nullptr;
    QButtonGroup* optTimeStamp_ = nullptr;

    // Output.
    QLineEdit* txtOutputPath_ = nullptr;
    QButtonGroup* optMovieSize_ = nullptr;
    QLineEdit* txtMovieWidth_ = nullptr;
    QLineEdit* txtMovieHeight_ = nullptr;
    QComboBox* cmbFPS_ = nullptr;
    QCheckBox* chkDeleteOlderImages_ = nullptr;
    QLineEdit* txtDeleteOlderImagesHours_ = nullptr;
    QCheckBox* chkMovieDirection_ = nullptr;
    QLineEdit* txtPostGenerationShell_ = nullptr;
    QPushButton* cmdMakeMovie_ = nullptr;
};

}  // namespace chronoreel::ui
