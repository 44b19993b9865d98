#pragma once

#include "city.h"

#include <QString>
#include <QStringList>

#include <vector>

struct RouteShape;

// The route as a table, for the window and for gpsroute alike: one entry per city of the route
// with the time of the leg that reaches it (0 for the first), then the total; and how its times
// and lengths are written (the exports write them so too: routeexport.h).

// Texts of the route table under the map: one column per city of the route with the time of
// the leg that reaches it, then "Total".
struct RouteTableTexts
{
    QStringList headers; // city names, then "Total"
    QString rowHeader;   // "Time(mn)" or "Time(h)"
    QStringList cells;   // one per header
    // Where the roads' lengths are known: "Distance(km)" and a cell per header (the leg's km,
    // empty where unknown; then the total). Empty otherwise.
    QString kmRowHeader;
    QStringList kmCells;
};

// Minutes as the tables write them: 6 significant digits, "inf" for no route.
QString formatNumber(double value);

// A travel time in `unit` ("mn": minutes; "h": hours), the unit glued on: "125mn", "2.08333h";
// or, for "h:mm", hours and minutes as a clock reads them: "2:05".
QString formatTime(double minutes, const QString &unit);
// A time in a sentence: as formatTime, but "h:mm" reads "37 h 16 min" ("45 min" under an
// hour), never a clock-like 37:16 that could be minutes and seconds.
QString formatDuration(double minutes, const QString &unit);

// `path` holds positions in `cities`; `legTimes` has one entry per leg, in minutes. A leg
// between cities that no roads join, and then the total, read "no road".
// With a `shape` whose network knows its roads' lengths, the km row too.
RouteTableTexts routeTableTexts(const std::vector<City> &cities, const std::vector<int> &path,
                                const std::vector<double> &legTimes, const QString &unit,
                                const RouteShape *shape = nullptr);

// Kilometres as the route's tables write them: to the metre, 6 significant digits; empty
// where unknown (NaN).
QString formatKm(double km);
