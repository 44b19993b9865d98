#pragma once

#include <QString>

// "unused" is the marker for "no city chosen".
inline const QString kUnusedCity = QStringLiteral("unused");

// A road between two cities named by their names; usable both ways.
struct Road
{
    QString cityStart = kUnusedCity;
    QString cityEnd = kUnusedCity;
    double time = 0.0; // minutes
};
