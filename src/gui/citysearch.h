#pragma once

#include "city.h"

#include <QCompleter>
#include <QStringList>

#include <vector>

class QLineEdit;

// Finds a city by any part of its name, whatever the case and the accents: "krak" offers
// Kraków, "evr" Évreux and Lévrier. Offers, in the list's order, every name that holds what is
// typed; a name taken from the list replaces the text.
class CitySearch : public QCompleter
{
    Q_OBJECT

public:
    // `names`: each once, in the order to offer them. The search belongs to `edit`.
    CitySearch(const QStringList &names, QLineEdit *edit);

    // The names holding `text` (see above), in order.
    QStringList matches(const QString &text) const;
    // Offers the names holding `text` (as when it is typed).
    void offer(const QString &text);

private:
    QLineEdit *edit;
    QStringList names;
    QStringList keys; // the names folded, as they are compared
};

// The names of `names` that hold `text`, whatever the case and the accents, in order.
QStringList namesHolding(const QStringList &names, const QString &text);

// `names` in the reader's alphabetical order, as the user's language sorts them (Épinal,
// Évreux, then Villeurbanne; "Paris 2" before "Paris 10"), a name twice kept twice. (A "C"
// locale has no order but the code units': the common one then.)
QStringList inReadersOrder(QStringList names);
// The cities' names, the same way.
QStringList inReadersOrder(const std::vector<City> &cities);
// The names in code-unit order without case, as the typed list's completion looks them up.
QStringList withoutCaseOrder(QStringList names);
