#pragma once

#include "city.h"

#include <QString>
#include <QStringList>

#include <vector>

// The names of a typed list of cities, separated by spaces: runs of spaces (leading, trailing,
// doubled) make no empty name. Only U+0020 separates; a tab stays part of a name.
QStringList splitCityNames(const QString &text);

// The names that match no city exactly, each once, in the order given.
QStringList unknownCityNames(const std::vector<City> &cities, const QStringList &names);
