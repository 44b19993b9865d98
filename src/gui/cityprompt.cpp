#include "cityprompt.h"

#include "citycompleter.h"
#include "citynames.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

QStringList CityPrompt::ask(QWidget *parent, const std::vector<City> &cities,
                            const QStringList &completions)
{
    QString text;
    for (;;) {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(tr("Cities"));
        dialog.setLabelText(tr("Enter cities name split by ' ' like : Paris Marseille"));
        dialog.setTextValue(text);
        if (auto *edit = dialog.findChild<QLineEdit *>())
            new CityCompleter(completions, edit);
        if (dialog.exec() != QDialog::Accepted)
            return {}; // Cancel leaves the route as it was
        text = dialog.textValue();
        const TypedCities typed = parseCityList(cities, text);
        if (typed.unknown.isEmpty() && typed.names.size() >= 2)
            return typed.names;
        if (typed.unknown.isEmpty()) {
            // One name (or none) makes no route: the one on show stays.
            QMessageBox::information(parent, tr("ALLERTE"),
                                     tr("A route needs two cities or more. The route is "
                                        "unchanged."));
            continue;
        }
        // The text comes back for correction, with the names that come close.
        QStringList lines;
        for (const QString &name : typed.unknown) {
            const QStringList close = closestCityNames(cities, name);
            lines << (close.isEmpty() ? tr("\"%1\"").arg(name)
                                      : tr("\"%1\" (did you mean %2?)")
                                            .arg(name, close.join(QStringLiteral(", "))));
        }
        QMessageBox::information(parent, tr("ALLERTE"),
                                 tr("Unknown cities: %1. The route is unchanged.\n\nNames with "
                                    "spaces can be typed as they are, or in double quotes; commas "
                                    "also separate.")
                                     .arg(lines.join(QStringLiteral(", "))));
    }
}
