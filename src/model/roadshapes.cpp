#include "roadshapes.h"

#include "csvtext.h"
#include "loadproblems.h"
#include "network.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace loadtext;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Longer than any road on Earth: a larger figure is a slip, not a distance.
constexpr double kLongestKm = 100000.0;
// Pairs of cities a line may stand for when its names are held by several.
constexpr int kMostPairs = 64;

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

// Douglas–Peucker: appends to `out` the points of `line` that leave the line between those
// kept by more than `tolerance` (the ends always).
void simplified(std::span<const QPointF> line, double tolerance, std::vector<QPointF> *out)
{
    const std::size_t n = line.size();
    if (n < 3) {
        out->insert(out->end(), line.begin(), line.end());
        return;
    }
    std::vector<char> keep(n, 0);
    keep.front() = keep.back() = 1;
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, n - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        const QPointF a = line[first], d = line[last] - a;
        const double length2 = QPointF::dotProduct(d, d);
        double worst = -1;
        std::size_t at = first;
        for (std::size_t k = first + 1; k < last; ++k) {
            const QPointF p = line[k] - a;
            const double t =
                length2 > 0 ? std::clamp(QPointF::dotProduct(p, d) / length2, 0.0, 1.0) : 0.0;
            const QPointF e = p - t * d;
            if (QPointF::dotProduct(e, e) > worst) {
                worst = QPointF::dotProduct(e, e);
                at = k;
            }
        }
        if (worst > tolerance * tolerance) {
            keep[at] = 1;
            spans.push_back({first, at});
            spans.push_back({at, last});
        }
    }
    for (std::size_t k = 0; k < n; ++k)
        if (keep[k])
            out->push_back(line[k]);
}

} // namespace

void RoadShapes::read(const QString &dir, const Network &net, QStringList *messages)
{
    *this = RoadShapes();
    const QString path = QDir(dir).filePath(fileName());
    if (!QFileInfo::exists(path))
        return;
    QByteArray bytes;
    if (readFile(QDir::toNativeSeparators(path), &bytes, messages))
        parse(bytes, net, messages);
}

void RoadShapes::parse(const QByteArray &bytes, const Network &net, QStringList *messages)
{
    *this = RoadShapes();
    Problems problems(fileName(), messages);
    std::vector<QPointF> shape;
    csv::forEachLine(bytes, [&](QStringView line, int number) {
        if (line.trimmed().isEmpty())
            return;
        const QList<QStringView> fields = line.split(u',');
        double km = 0;
        const csv::Number read =
            fields.size() >= 3 ? csv::parseNumber(fields[2], &km) : csv::Number::NotANumber;
        if (number == 1 && read != csv::Number::Ok)
            return; // the header
        if (fields.size() < 3) {
            problems.add(number, QStringLiteral("a road's shape is FROM,TO,KM then LAT,LON "
                                                "points; this line has %1 field(s)")
                                     .arg(fields.size()));
            return;
        }
        if (read != csv::Number::Ok || km < 0 || km > kLongestKm) {
            problems.add(number, QStringLiteral("the length %1 is not a number of km from 0 to "
                                                "100000; the road is drawn straight")
                                     .arg(Problems::quote(fields[2])));
            return;
        }
        const std::span<const int> from = net.positionsOf(fields[0]);
        const std::span<const int> to = net.positionsOf(fields[1]);
        if (from.empty() || to.empty()) {
            problems.add(number, QStringLiteral("%1 names no city of villes.csv")
                                     .arg(Problems::quote(from.empty() ? fields[0] : fields[1])));
            return;
        }
        if ((fields.size() - 3) % 2 != 0) {
            problems.add(number, QStringLiteral("a point has a latitude and no longitude; the "
                                                "road is drawn straight"));
            return;
        }
        shape.clear();
        for (qsizetype f = 3; f + 1 < fields.size(); f += 2) {
            double lat = 0, lon = 0;
            if (csv::parseNumber(fields[f], &lat) != csv::Number::Ok ||
                csv::parseNumber(fields[f + 1], &lon) != csv::Number::Ok || std::abs(lat) > 90 ||
                std::abs(lon) > 180) {
                problems.add(number,
                             QStringLiteral("the point %1,%2 is no latitude and longitude "
                                            "on the Earth; the road is drawn straight")
                                 .arg(Problems::quote(fields[f]), Problems::quote(fields[f + 1])));
                return;
            }
            shape.emplace_back(mapXOfLongitude(lon), mapYOfLatitude(lat));
        }
        int pairs = 0;
        bool joined = false;
        for (const int a : from)
            for (const int b : to) {
                if (a == b || !std::isfinite(net.direct(a, b)) || ++pairs > kMostPairs)
                    continue;
                joined = true;
                keys.push_back({std::min(a, b), std::max(a, b), std::int32_t(kmOf.size())});
                kmOf.push_back(km);
                if (a < b)
                    points_.insert(points_.end(), shape.begin(), shape.end());
                else
                    points_.insert(points_.end(), shape.rbegin(), shape.rend());
                starts.push_back(std::int64_t(points_.size()));
                simplified(std::span<const QPointF>(points_.data() + starts[starts.size() - 2],
                                                    points_.data() + starts.back()),
                           kCoarse, &coarse);
                coarseStarts.push_back(std::int64_t(coarse.size()));
                // (QRectF::united passes over an empty rectangle, a point's among them.)
                double left = 0, top = 0, right = 0, bottom = 0;
                for (std::size_t k = 0; k < shape.size(); ++k) {
                    const QPointF &p = shape[k];
                    left = k == 0 ? p.x() : std::min(left, p.x());
                    right = k == 0 ? p.x() : std::max(right, p.x());
                    top = k == 0 ? p.y() : std::min(top, p.y());
                    bottom = k == 0 ? p.y() : std::max(bottom, p.y());
                }
                box.push_back(shape.empty() ? QRectF()
                                            : QRectF(QPointF(left, top), QPointF(right, bottom)));
            }
        if (!joined)
            problems.add(number, QStringLiteral("no road of temps.csv joins %1 and %2")
                                     .arg(Problems::quote(fields[0]), Problems::quote(fields[1])));
    });
    // A pair given twice: the later line holds, as in temps.csv.
    std::stable_sort(keys.begin(), keys.end(), [](const Key &x, const Key &y) {
        return x.lo != y.lo ? x.lo < y.lo : x.hi < y.hi;
    });
    std::vector<Key> kept;
    for (std::size_t k = 0; k < keys.size(); ++k)
        if (k + 1 == keys.size() || keys[k + 1].lo != keys[k].lo || keys[k + 1].hi != keys[k].hi)
            kept.push_back(keys[k]);
    keys = std::move(kept);
}

int RoadShapes::find(int a, int b) const
{
    const Key key{std::min(a, b), std::max(a, b), 0};
    const auto it = std::lower_bound(keys.begin(), keys.end(), key, [](const Key &x, const Key &y) {
        return x.lo != y.lo ? x.lo < y.lo : x.hi < y.hi;
    });
    return it != keys.end() && it->lo == key.lo && it->hi == key.hi ? it->shape : -1;
}

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
    // Through a town, a leg runs to the town's own point and the next comes back the same way
    // to the road it left: that stretch is no part of the drive, in the km or the exports.
    for (std::size_t k = 1; k < route.legLines.size(); ++k) {
        if (path[k] < 0 || path[k] >= net.size() ||
            std::find(stops.begin(), stops.end(), cities[std::size_t(path[k])].getName()) !=
                stops.end())
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
