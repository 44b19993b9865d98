#pragma once

#include "city.h"

#include <QCompleter>
#include <QStringList>

#include <vector>

class QLineEdit;
class QStringListModel;

// Finds a city by any part of its name, whatever the case and the accents: "krak" offers
// Kraków, "evr" Évreux and Lévrier. Offers every name that holds what is typed, best first:
// those that start with it, then those with a word that does, then the others, each in the
// list's order; the first is highlighted, and a name taken from the list replaces the text.
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
    QStringList keys;        // the names folded, as they are compared
    QStringListModel *shown; // what is offered
};

// The names of `names` that hold `text`, whatever the case and the accents, best first (as
// CitySearch offers them).
QStringList namesHolding(const QStringList &names, const QString &text);

// `names` in the reader's alphabetical order, as the user's language sorts them (Épinal,
// Évreux, then Villeurbanne; "Paris 2" before "Paris 10"), a name twice kept twice. (A "C"
// locale has no order but the code units': the common one then.)
QStringList inReadersOrder(QStringList names);
// The cities' names, the same way.
QStringList inReadersOrder(const std::vector<City> &cities);
// The names in code-unit order without case, as the typed list's completion looks them up.
QStringList withoutCaseOrder(QStringList names);
