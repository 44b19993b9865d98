#pragma once

#include "appsettings.h"

#include <QDialog>

namespace Ui {
class PreferencesDialog;
}

// The one place where the desktop behaviours are turned on (appsettings::Preferences), and
// where the weather service's key is changed or forgotten.
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    // Shows `preferences` and `key` (the key in use, if any).
    PreferencesDialog(QWidget *parent, const appsettings::Preferences &preferences,
                      const QString &key);
    ~PreferencesDialog() override;

    appsettings::Preferences preferences() const;
    // The key typed (empty: forgotten), when it was changed.
    bool keyChanged() const;
    QString key() const;

private:
    Ui::PreferencesDialog *ui;
    QString keyShown;
};
