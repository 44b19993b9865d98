#include "routeshape.h"

#include "network.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Great-circle kilometres between two points in map units.
double kmBetween(const QPointF &a, const QPointF &b)
{
    constexpr double radians = 3.14159265358979323846 / 180.0;
    const double lat1 = latitudeOfMapY(a.y()) * radians, lat2 = latitudeOfMapY(b.y()) * radians;
    const double dLat = lat2 - lat1;
    const double dLon = (longitudeOfMapX(b.x()) - longitudeOfMapX(a.x())) * radians;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * 6371.0088 * std::asin(std::min(1.0, std::sqrt(h)));
}

} // namespace

double RouteShape::kmTo(std::size_t k) const
{
    return !shaped ? kNaN : k == 0 ? 0.0 : k <= legKm.size() ? legKm[k - 1] : kNaN;
}

double RouteShape::totalKm() const
{
    if (!shaped)
        return kNaN;
    double sum = 0;
    for (const double km : legKm)
        sum += km; // NaN stays NaN
    return sum;
}

RouteShape routeShape(const Network &net, const std::vector<int> &path,
                      const std::vector<QString> &stops)
{
    RouteShape route;
    const RoadShapes &shapes = net.shapes();
    route.shaped = !shapes.isEmpty();
    const std::vector<double> times = net.legTimes(path);
    const std::vector<City> &cities = net.cities();
    for (std::size_t k = 0; k + 1 < path.size(); ++k) {
        const int a = path[k], b = path[k + 1];
        std::vector<QPointF> line;
        const int shape = std::isfinite(times[k]) ? shapes.find(a, b) : -1;
        if (std::isfinite(times[k])) {
            const City &x = cities[std::size_t(a)], &y = cities[std::size_t(b)];
            line.emplace_back(x.getCoordLong(), x.getCoordLat());
            if (shape >= 0) {
                const std::span<const QPointF> p = shapes.points(shape);
                if (a < b)
                    line.insert(line.end(), p.begin(), p.end());
                else
                    line.insert(line.end(), p.rbegin(), p.rend());
            }
            line.emplace_back(y.getCoordLong(), y.getCoordLat());
            // The shape starts and ends at its cities as a rule: each point once.
            line.erase(std::unique(line.begin(), line.end()), line.end());
        }
        if (!shapes.isEmpty())
            route.legKm.push_back(shape >= 0 ? shapes.km(shape) : kNaN);
        route.legLines.push_back(std::move(line));
    }
    const QSet<QString> asked(stops.begin(), stops.end()); // (thousands of stops, millions of legs)
    // Through a town, a leg runs to the town's own point and the next comes back the same way
    // to the road it left: that stretch is no part of the drive, in the km or the exports.
    for (std::size_t k = 1; k < route.legLines.size(); ++k) {
        if (path[k] < 0 || path[k] >= net.size() ||
            asked.contains(cities[std::size_t(path[k])].getName()))
            continue; // asked for: driven to
        std::vector<QPointF> &in = route.legLines[k - 1], &out = route.legLines[k];
        std::size_t back = 0;
        while (back + 2 < in.size() && back + 2 < out.size() &&
               in[in.size() - 2 - back] == out[back + 1])
            ++back;
        if (back == 0)
            continue;
        // (From the town's point to its road node is no part of the km either way.)
        double km = 0;
        for (std::size_t p = 1; p < back; ++p)
            km += kmBetween(out[p], out[p + 1]);
        in.resize(in.size() - back);
        out.erase(out.begin(), out.begin() + std::ptrdiff_t(back));
        if (route.shaped) {
            route.legKm[k - 1] = std::max(0.0, route.legKm[k - 1] - km);
            route.legKm[k] = std::max(0.0, route.legKm[k] - km);
        }
    }
    return route;
}
