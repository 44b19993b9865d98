#include "cityprompt.h"

#include "citycompleter.h"
#include "citynames.h"
#include "network.h"
#include "plaintext.h"
#include "trip.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The choice of order, put between the text and the buttons of the input dialog (whose layout
// exists once it is asked for its size); none where that layout is not a box.
QComboBox *addOrderChoice(QInputDialog &dialog, RouteOrder current)
{
    dialog.sizeHint();
    auto *box = qobject_cast<QBoxLayout *>(dialog.layout());
    if (!box)
        return nullptr;
    auto *choice = new QComboBox(&dialog);
    choice->setObjectName(QStringLiteral("comboBoxOrder"));
    choice->setAccessibleName(CityPrompt::tr("Order of the cities"));
    choice->addItem(CityPrompt::tr("Visit them in the order typed"), int(RouteOrder::AsTyped));
    choice->addItem(CityPrompt::tr("Best order from the first city"),
                    int(RouteOrder::BestKeepFirst));
    choice->addItem(CityPrompt::tr("Best order from the first city to the last"),
                    int(RouteOrder::BestKeepFirstAndLast));
    choice->addItem(CityPrompt::tr("Best round trip from the first city"),
                    int(RouteOrder::BestRound));
    choice->setCurrentIndex(std::max(0, choice->findData(int(current))));
    box->insertWidget(box->count() - 1, choice);
    // Tab in reading order: the text, the order, then the buttons (made before it).
    if (auto *text = dialog.findChild<QLineEdit *>())
        QWidget::setTabOrder(text, choice);
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        QWidget *before = choice;
        for (QAbstractButton *button : buttons->buttons()) {
            QWidget::setTabOrder(before, button);
            before = button;
        }
    }
    return choice;
}

} // namespace

QStringList CityPrompt::ask(QWidget *parent, const Network &network, const QStringList &completions,
                            RouteOrder *order, QStringList *history)
{
    const std::vector<City> &cities = network.cities();
    QString text;
    RouteOrder chosen = order ? *order : RouteOrder::AsTyped;
    for (;;) {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(tr("Cities"));
        dialog.setLabelText(tr("Enter cities name split by ' ' like : Paris Marseille"));
        dialog.setTextValue(text);
        if (auto *edit = dialog.findChild<QLineEdit *>();
            edit && (!completions.isEmpty() || history)) {
            auto *completer = new CityCompleter(completions, edit);
            if (history)
                completer->setHistory(*history);
        }
        QComboBox *choice = order ? addOrderChoice(dialog, chosen) : nullptr;
        // Cancel gives no text, and goes on as no text would: no route.
        text = dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
        if (choice)
            chosen = RouteOrder(choice->currentData().toInt());
        const TypedCities typed = parseCityList(network, text);
        QStringList distinct = typed.names;
        distinct.removeDuplicates();
        if (typed.unknown.isEmpty() && typed.names.size() >= 2 && chosen != RouteOrder::AsTyped &&
            distinct.size() > kMostTripStops) {
            plainMessage(parent, QMessageBox::Information, tr("ALLERTE"),
                         tr("A best order takes at most %1 cities, not %2. The route "
                            "is unchanged.")
                             .arg(kMostTripStops)
                             .arg(distinct.size()));
            continue;
        }
        if (typed.unknown.isEmpty()) {
            // (One name, or none, makes no route: the caller clears the one on show.)
            if (order && typed.names.size() >= 2)
                *order = chosen;
            if (history && typed.names.size() >= 2) {
                history->removeAll(text);
                history->append(text);
                while (history->size() > kListsKept)
                    history->removeFirst();
            }
            return typed.names;
        }
        // The text comes back for correction, with the names that come close.
        QStringList lines;
        for (const QString &name : typed.unknown) {
            const QStringList close = closestCityNames(cities, name);
            lines << (close.isEmpty() ? tr("\"%1\"").arg(name)
                                      : tr("\"%1\" (did you mean %2?)")
                                            .arg(name, close.join(QStringLiteral(", "))));
        }
        plainMessage(parent, QMessageBox::Information, tr("ALLERTE"),
                     tr("Unknown cities: %1. The route is unchanged.\n\nNames with "
                        "spaces can be typed as they are, or in double quotes; commas "
                        "also separate.")
                         .arg(lines.join(QStringLiteral(", "))));
    }
}
