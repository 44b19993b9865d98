#pragma once

#include "city.h"

#include <QString>
#include <QStringList>

#include <vector>

class Network;

// The names of a typed list of cities, separated by spaces: runs of spaces (leading, trailing,
// doubled) make no empty name. Only U+0020 separates; a tab stays part of a name.
QStringList splitCityNames(const QString &text);

// The names that match no city exactly, each once, in the order given.
QStringList unknownCityNames(const std::vector<City> &cities, const QStringList &names);

// A typed list of cities as people write it: names separated by spaces or commas; a name in
// double quotes taken as it stands; otherwise the longest run of words that names a city
// ("Le Havre") is one name. A word that starts no city name is an unknown name of its own.
struct TypedCities
{
    QStringList names;   // every name, known or not, in the order typed
    QStringList unknown; // those that name no city, each once
};
TypedCities parseCityList(const std::vector<City> &cities, const QString &text);
// The same, the names looked up in the network's index (no set of every name made).
TypedCities parseCityList(const Network &network, const QString &text);

// Up to `count` city names closest to `name` ignoring case and accents ("lyon" -> "Lyon",
// "Rennnes" -> "Rennes", "havre" -> "Le Havre"), nearest first (then in the cities' order);
// none when nothing is close.
QStringList closestCityNames(const std::vector<City> &cities, const QString &name, int count = 3);

// The same answers from an index of the names made once: a question looks only at names (and
// words of names) of about its length, so that many questions, or a very long name, cost about
// what a known name does.
class NameSuggester
{
public:
    explicit NameSuggester(const std::vector<City> &cities);
    QStringList closest(const QString &name, int count = 3) const;

private:
    struct Entry
    {
        int candidate; // in `names`
        int extra;     // 0 for the whole name, 1 for one of its words
        QString key;   // folded
    };
    QStringList names;                        // each once, in the cities' order
    std::vector<std::vector<Entry>> byLength; // by the folded key's length
};

// Where the city name being typed at `cursor` starts: the longest run of words before the
// cursor (after the last comma or quote mark) that begins some name of `names`, ignoring case;
// -1 when none does. `names` is sorted by QString::compare(..., Qt::CaseInsensitive).
qsizetype completionStart(const QString &text, qsizetype cursor, const QStringList &names);

// Up to `most` names of `names` that start with `prefix`, ignoring case, in the list's order:
// a binary search and `most` steps at most, never a pass over every name. `names` is sorted as for
// completionStart. `compared`, when given, counts the names compared.
QStringList namesStartingWith(const QStringList &names, QStringView prefix, int most,
                              qint64 *compared = nullptr);

// Lower case without accents, for comparing names as people type them: "Évreux" -> "evreux",
// "Kraków" -> "krakow".
QString folded(const QString &text);
