#include "preferencesdialog.h"

#include "ui_preferencesdialog.h"

#include <QPushButton>

PreferencesDialog::PreferencesDialog(QWidget *parent, const appsettings::Preferences &preferences,
                                     const QString &key)
    : QDialog(parent), ui(new Ui::PreferencesDialog), keyShown(key)
{
    ui->setupUi(this);
    ui->checkBoxRemember->setChecked(preferences.remember);
    ui->comboBoxLanguage->setCurrentIndex(int(preferences.language));
    ui->checkBoxReadersOrder->setChecked(preferences.readersOrder);
    ui->checkBoxWind->setChecked(preferences.windInKmh);
    ui->checkBoxRouteInTitle->setChecked(preferences.routeInTitle);
    ui->checkBoxClockUnit->setChecked(preferences.clockUnit);
    ui->checkBoxTypingHelp->setChecked(preferences.typingHelp);
    ui->checkBoxRingStops->setChecked(preferences.ringStops);
    ui->checkBoxTotalInSight->setChecked(preferences.totalInSight);
    ui->lineEditKey->setText(key);
    ui->lineEditKey->setAccessibleName(tr("Weather service key"));
    if (!qEnvironmentVariableIsEmpty("OPENWEATHER_API_KEY"))
        ui->lineEditKey->setToolTip(
            tr("Without a key here, the environment's OPENWEATHER_API_KEY is used."));
    connect(ui->pushButtonForgetKey, &QPushButton::clicked, ui->lineEditKey, &QLineEdit::clear);
}

PreferencesDialog::~PreferencesDialog()
{
    delete ui;
}

appsettings::Preferences PreferencesDialog::preferences() const
{
    appsettings::Preferences p;
    p.remember = ui->checkBoxRemember->isChecked();
    p.language = appsettings::Language(ui->comboBoxLanguage->currentIndex());
    p.readersOrder = ui->checkBoxReadersOrder->isChecked();
    p.windInKmh = ui->checkBoxWind->isChecked();
    p.routeInTitle = ui->checkBoxRouteInTitle->isChecked();
    p.clockUnit = ui->checkBoxClockUnit->isChecked();
    p.typingHelp = ui->checkBoxTypingHelp->isChecked();
    p.ringStops = ui->checkBoxRingStops->isChecked();
    p.totalInSight = ui->checkBoxTotalInSight->isChecked();
    return p;
}

bool PreferencesDialog::keyChanged() const
{
    return key() != keyShown.trimmed();
}

QString PreferencesDialog::key() const
{
    return ui->lineEditKey->text().trimmed();
}
