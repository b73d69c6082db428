#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace chronoreel {
struct ProgramState;
}

namespace chronoreel::ui {

// "Location": latitude and longitude as whole degrees, minutes and hemisphere. Every change
// takes effect at once on the program's location (the next run's sun times use it); there is
// no Cancel. Closing it by "&OK" or the close box keeps the changes.
class FrmLocation final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmLocation(ProgramState& state, QWidget* parent = nullptr);

  signals:
    // The window is closing (Form_QueryUnload), however it was closed.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormLoad();
    void UpdateCoordinates();
    QLineEdit* NumberBox(const char* name);

    ProgramState& state_;
    bool loading_ = false;
    bool closedOnce_ = false;
    QLineEdit* txtLatitudeDegrees_;
    QLineEdit* txtLatitudeMinutes_;
    QComboBox* cmbLatitude_;
    QLineEdit* txtLongitudeDegrees_;
    QLineEdit* txtLongitudeMinutes_;
    QComboBox* cmbLongitude_;
};

}  // namespace chronoreel::ui
