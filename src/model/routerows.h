#pragma once

// What the route's writers share (routetable.cpp, routeexport.cpp): the rows of a route and
// positions back in degrees.

#include "city.h"

#include <QString>
#include <QStringList>

#include <cmath>
#include <vector>

namespace routerows {

// The rows every table of a route is made of: the names, the legs known (one fewer than the
// names when complete), and their sum.
struct RouteRows
{
    QStringList names;
    std::vector<double> legs;
    double total = 0;
};

inline RouteRows routeRows(const std::vector<City> &cities, const std::vector<int> &path,
                           const std::vector<double> &legTimes)
{
    RouteRows rows;
    for (const int at : path)
        rows.names << (at >= 0 && std::size_t(at) < cities.size() ? cities[at].getName()
                                                                  : QString());
    for (std::size_t i = 0; i < legTimes.size() && i + 1 < path.size(); ++i) {
        rows.legs.push_back(legTimes[i]);
        rows.total += legTimes[i];
    }
    return rows;
}

// Back from map units to degrees (the loader's projection, undone).
inline double latitude(const City &c)
{
    return latitudeOfMapY(c.getCoordLat());
}

inline double longitude(const City &c)
{
    return longitudeOfMapX(c.getCoordLong());
}

// To the micro-degree (10 cm): the files give five decimals, the projection adds noise below.
inline double rounded(double degrees)
{
    return std::round(degrees * 1e6) / 1e6;
}

inline QString degrees(double value)
{
    return QString::number(rounded(value), 'f', 6);
}

} // namespace routerows
