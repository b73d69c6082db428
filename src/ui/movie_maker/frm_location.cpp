#include "ui/movie_maker/frm_location.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/error_report.h"
#include "movie_setup/location_fields.h"
#include "movie_setup/program_state.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_placement.h"

namespace chronoreel::ui {
namespace {

constexpr std::string_view kModule = "frmLocation";

QLabel* NamedLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

}  // namespace

FrmLocation::FrmLocation(ProgramState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state) {
    setObjectName(QStringLiteral("frmLocation"));
    setWindowTitle(QStringLiteral("Location"));

    txtLatitudeDegrees_ = NumberBox("txtLatitudeDegrees");
    txtLatitudeMinutes_ = NumberBox("txtLatitudeMinutes");
    txtLongitudeDegrees_ = NumberBox("txtLongitudeDegrees");
    txtLongitudeMinutes_ = NumberBox("txtLongitudeMinutes");
    cmbLatitude_ = new QComboBox(this);
    cmbLatitude_->setObjectName(QStringLiteral("cmbLatitude"));
    cmbLongitude_ = new QComboBox(this);
    cmbLongitude_->setObjectName(QStringLiteral("cmbLongitude"));
    // Minutes take four decimals; degrees need fewer digits.
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    txtLatitudeDegrees_->setMinimumWidth(digit * 6);
    txtLongitudeDegrees_->setMinimumWidth(digit * 6);
    txtLatitudeMinutes_->setMinimumWidth(digit * 10);
    txtLongitudeMinutes_->setMinimumWidth(digit * 10);

    auto* latitudeLabel = NamedLabel(QStringLiteral("&Latitude:"), "Label2", this);
    latitudeLabel->setBuddy(txtLatitudeDegrees_);
    auto* longitudeLabel = NamedLabel(QStringLiteral("L&ongitude:"), "Label5", this);
    longitudeLabel->setBuddy(txtLongitudeDegrees_);

    auto* grid = new QGridLayout;
    grid->addWidget(latitudeLabel, 0, 0);
    grid->addWidget(txtLatitudeDegrees_, 0, 1);
    grid->addWidget(NamedLabel(QStringLiteral("°"), "Label3", this), 0, 2);
    grid->addWidget(txtLatitudeMinutes_, 0, 3);
    grid->addWidget(NamedLabel(QStringLiteral("'"), "Label4", this), 0, 4);
    grid->addWidget(cmbLatitude_, 0, 5);
    grid->addWidget(longitudeLabel, 1, 0);
    grid->addWidget(txtLongitudeDegrees_, 1, 1);
    grid->addWidget(NamedLabel(QStringLiteral("°"), "Label6", this), 1, 2);
    grid->addWidget(txtLongitudeMinutes_, 1, 3);
    grid->addWidget(NamedLabel(QStringLiteral("'"), "Label7", this), 1, 4);
    grid->addWidget(cmbLongitude_, 1, 5);
    grid->setColumnStretch(6, 1);

    QPushButton* cmdExit = nullptr;
    QHBoxLayout* buttons = OkButtonRow(this, cmdExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        NamedLabel(QStringLiteral("Location Information for Sunrise/Sunset:"), "Label9", this));
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormLoad();

    const auto changed = [this](const char* procedure) {
        return [this, procedure] { Trap(kModule, procedure, [&] { UpdateCoordinates(); }); };
    };
    connect(txtLatitudeDegrees_, &QLineEdit::textChanged, this,
            changed("txtLatitudeDegrees_Change"));
    connect(txtLatitudeMinutes_, &QLineEdit::textChanged, this,
            changed("txtLatitudeMinutes_Change"));
    connect(txtLongitudeDegrees_, &QLineEdit::textChanged, this,
            changed("txtLongitudeDegrees_Change"));
    connect(txtLongitudeMinutes_, &QLineEdit::textChanged, this,
            changed("txtLongitudeMinutes_Change"));
    connect(cmbLatitude_, &QComboBox::currentIndexChanged, this, changed("cmbLatitude_Click"));
    connect(cmbLongitude_, &QComboBox::currentIndexChanged, this, changed("cmbLongitude_Click"));
    connect(cmdExit, &QPushButton::clicked, this,
            [this] { Trap(kModule, "cmdExit_Click", [&] { close(); }); });
}

QLineEdit* FrmLocation::NumberBox(const char* name) {
    auto* box = new QLineEdit(QStringLiteral("0"), this);
    box->setObjectName(QLatin1String(name));
    return box;
}

void FrmLocation::FormLoad() {
    Trap(kModule, "Form_Load", [&] {
        loading_ = true;
        cmbLatitude_->clear();
        cmbLatitude_->addItems({QStringLiteral("N"), QStringLiteral("S")});
        cmbLongitude_->clear();
        cmbLongitude_->addItems({QStringLiteral("W"), QStringLiteral("E")});
        const LocationFields fields = LocationFieldsFrom({state_.latitude, state_.longitude});
        cmbLongitude_->setCurrentIndex(static_cast<int>(fields.longitudeHemisphere));
        cmbLatitude_->setCurrentIndex(static_cast<int>(fields.latitudeHemisphere));
        txtLatitudeDegrees_->setText(ToQString(fields.latitudeDegrees));
        txtLongitudeDegrees_->setText(ToQString(fields.longitudeDegrees));
        txtLatitudeMinutes_->setText(ToQString(fields.latitudeMinutes));
        txtLongitudeMinutes_->setText(ToQString(fields.longitudeMinutes));
        loading_ = false;
    });
}

void FrmLocation::UpdateCoordinates() {
    if (loading_) {
        return;
    }
    LocationFields fields;
    fields.latitudeDegrees = ToStdString(txtLatitudeDegrees_->text());
    fields.latitudeMinutes = ToStdString(txtLatitudeMinutes_->text());
    fields.latitudeHemisphere = static_cast<LatitudeHemisphere>(cmbLatitude_->currentIndex());
    fields.longitudeDegrees = ToStdString(txtLongitudeDegrees_->text());
    fields.longitudeMinutes = ToStdString(txtLongitudeMinutes_->text());
    fields.longitudeHemisphere = static_cast<LongitudeHemisphere>(cmbLongitude_->currentIndex());
    const Location location = LocationFromFields(fields);
    // Each run computes its sun times afresh from the program's location, so nothing cached
    // survives the change.
    state_.latitude = location.latitude;
    state_.longitude = location.longitude;
}

void FrmLocation::closeEvent(QCloseEvent* event) {
    Trap(kModule, "Form_QueryUnload", [&] {
        event->accept();
        if (!closedOnce_) {
            closedOnce_ = true;
            emit closed();
        }
    });
}

}  // namespace chronoreel::ui
