// The shapes and lengths of gpsnet osm's roads: the drive a road stands for, simplified for
// drawing.

#include "osmstages.h"

#include <cmath>

namespace osmnet::detail {

namespace {

// Douglas–Peucker on a local flat projection (metres): keeps the points that leave the line
// between the kept ones by more than `metres`; the ends always.
std::vector<char> simplify(const RoadGraph &g, const std::vector<std::int32_t> &path, double metres,
                           const std::function<bool()> *cancelled)
{
    const std::size_t n = path.size();
    std::vector<char> keep(n, 0);
    if (n == 0)
        return keep;
    keep.front() = keep.back() = 1;
    if (n < 3)
        return keep;
    const double lat0 = g.lat[std::size_t(path.front())] * kRadiansPerDegree;
    const double mx = 111320.0 * std::cos(lat0), my = 110574.0;
    const auto x = [&](std::size_t k) { return g.lon[std::size_t(path[k])] * mx; };
    const auto y = [&](std::size_t k) { return g.lat[std::size_t(path[k])] * my; };
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, n - 1}};
    std::size_t looked = 0; // (a long zigzag takes long: a cancel is heard meanwhile)
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        looked += last - first;
        if (looked > (std::size_t(1) << 22)) {
            looked = 0;
            if (cancelled && *cancelled && (*cancelled)())
                throw Cancelled();
        }
        const double ax = x(first), ay = y(first), dx = x(last) - ax, dy = y(last) - ay;
        const double length2 = dx * dx + dy * dy;
        double worst = -1;
        std::size_t at = first;
        for (std::size_t k = first + 1; k < last; ++k) {
            const double px = x(k) - ax, py = y(k) - ay;
            // Distance to the segment (to its ends beyond them): a road that turns back counts.
            const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0;
            const double ex = px - t * dx, ey = py - t * dy;
            const double d = ex * ex + ey * ey;
            if (d > worst) {
                worst = d;
                at = k;
            }
        }
        if (worst > metres * metres) {
            keep[at] = 1;
            spans.push_back({first, at});
            spans.push_back({at, last});
        }
    }
    return keep;
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
