// The shapes and lengths of gpsnet osm's roads: the drive a road stands for, simplified for
// drawing.

#include "osmstages.h"
#include "simplifyline.h"

#include <cmath>

namespace osmnet::detail {

namespace {

// Douglas–Peucker on a local flat projection (metres): keeps the points that leave the line
// between the kept ones by more than `metres`; the ends always.
std::vector<char> simplify(const RoadGraph &g, const std::vector<std::int32_t> &path, double metres,
                           const std::function<bool()> *cancelled)
{
    if (path.empty())
        return {};
    const double lat0 = g.lat[std::size_t(path.front())] * kRadiansPerDegree;
    const double mx = 111320.0 * std::cos(lat0), my = 110574.0;
    return simplifyLine(
        path.size(),
        [&](std::size_t k) {
            return std::pair(g.lon[std::size_t(path[k])] * mx, g.lat[std::size_t(path[k])] * my);
        },
        metres,
        [cancelled] {
            if (cancelled && *cancelled && (*cancelled)())
                throw Cancelled();
        });
}

} // namespace

void shapeLink(const RoadGraph &g, const std::vector<std::int32_t> &path, Link *link,
               std::vector<std::int32_t> *kept, const std::function<bool()> *cancelled)
{
    link->km = 0;
    for (std::size_t k = 1; k < path.size(); ++k)
        link->km += distanceKm(g.lat[std::size_t(path[k - 1])], g.lon[std::size_t(path[k - 1])],
                               g.lat[std::size_t(path[k])], g.lon[std::size_t(path[k])]);
    const std::vector<char> keep = simplify(g, path, kShapeMetres, cancelled);
    kept->clear();
    for (std::size_t k = 0; k < path.size(); ++k)
        if (keep[k])
            kept->push_back(path[k]);
}

void placeShape(const RoadGraph &g, const std::vector<std::int32_t> &kept, Link *link)
{
    link->shape.clear();
    link->shape.reserve(2 * kept.size());
    for (const std::int32_t v : kept) {
        link->shape.push_back(g.lat[std::size_t(v)]);
        link->shape.push_back(g.lon[std::size_t(v)]);
    }
}

} // namespace osmnet::detail
