#pragma once

#include <QString>

// The longest road time a file may give, in minutes (about 1.9 million years): far above any real
// road, and low enough that no sum of roads can overflow into "no road".
inline constexpr double kLongestRoadMinutes = 1e12;

// "unused" is the marker for "no city chosen".
inline const QString kUnusedCity = QStringLiteral("unused");

// A road between two cities named by their names; usable both ways.
struct Road
{
    QString cityStart = kUnusedCity;
    QString cityEnd = kUnusedCity;
    double time = 0.0; // minutes
};
