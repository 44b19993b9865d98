#include "citynames.h"

#include <QSet>

QStringList splitCityNames(const QString &text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

QStringList unknownCityNames(const std::vector<City> &cities, const QStringList &names)
{
    QSet<QString> known;
    for (const City &city : cities)
        known.insert(city.getName());
    QStringList unknown;
    for (const QString &name : names)
        if (!known.contains(name) && !unknown.contains(name))
            unknown << name;
    return unknown;
}
