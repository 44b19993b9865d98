#include "roadshapes.h"

#include "city.h"
#include "csvtext.h"
#include "imagebytes.h"
#include "loadproblems.h"
#include "simplifyline.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace loadtext;

namespace {

// Pairs of cities a line may stand for when its names are held by several.
constexpr int kMostPairs = 64;

// Appends to `out` the points of `line` that leave the line between those kept by more than
// `tolerance` (the ends always).
void simplified(std::span<const QPointF> line, double tolerance, std::vector<QPointF> *out)
{
    const std::vector<char> keep = simplifyLine(
        line.size(), [&line](std::size_t k) { return std::pair(line[k].x(), line[k].y()); },
        tolerance);
    for (std::size_t k = 0; k < line.size(); ++k)
        if (keep[k])
            out->push_back(line[k]);
}

} // namespace

void RoadShapes::read(const QString &dir, const Roads &roads, QStringList *messages)
{
    *this = RoadShapes();
    const QString path = QDir(dir).filePath(fileName());
    if (!QFileInfo::exists(path))
        return;
    QByteArray bytes;
    if (readFile(QDir::toNativeSeparators(path), &bytes, messages))
        parse(bytes, roads, messages);
}

void RoadShapes::parse(const QByteArray &bytes, const Roads &roads, QStringList *messages)
{
    *this = RoadShapes();
    Problems problems(fileName(), messages);
    std::vector<QPointF> shape;
    csv::forEachLine(bytes, [&](QStringView line, int number) {
        if (line.trimmed().isEmpty())
            return;
        // Field after field: a line of a million points is not made a list of them first.
        const qsizetype fieldCount = line.count(u',') + 1;
        qsizetype at = 0;
        const auto next = [&line, &at] {
            qsizetype comma = line.indexOf(u',', at);
            if (comma < 0)
                comma = line.size();
            const QStringView field = line.sliced(at, comma - at);
            at = comma + 1;
            return field;
        };
        const QStringView fromName = next(), toName = fieldCount >= 2 ? next() : QStringView();
        const QStringView kmField = fieldCount >= 3 ? next() : QStringView();
        double km = 0;
        const csv::Number read =
            fieldCount >= 3 ? csv::parseNumber(kmField, &km) : csv::Number::NotANumber;
        if (number == 1 && read != csv::Number::Ok)
            return; // the header
        if (fieldCount < 3) {
            problems.add(number, QStringLiteral("a road's shape is FROM,TO,KM then LAT,LON "
                                                "points; this line has %1 field(s)")
                                     .arg(fieldCount));
            return;
        }
        if (read != csv::Number::Ok || km < 0 || km > RoadShapes::kLongestKm) {
            problems.add(number, QStringLiteral("the length %1 is not a number of km from 0 to "
                                                "100000; the road is drawn straight")
                                     .arg(Problems::quote(kmField)));
            return;
        }
        const std::span<const int> from = roads.positionsOf(fromName);
        const std::span<const int> to = roads.positionsOf(toName);
        if (from.empty() || to.empty()) {
            problems.add(number, QStringLiteral("%1 names no city of villes.csv")
                                     .arg(Problems::quote(from.empty() ? fromName : toName)));
            return;
        }
        if ((fieldCount - 3) % 2 != 0) {
            problems.add(number, QStringLiteral("a point has a latitude and no longitude; the "
                                                "road is drawn straight"));
            return;
        }
        shape.clear();
        for (qsizetype f = 3; f + 1 < fieldCount; f += 2) {
            const QStringView latField = next(), lonField = next();
            double lat = 0, lon = 0;
            if (csv::parseNumber(latField, &lat) != csv::Number::Ok ||
                csv::parseNumber(lonField, &lon) != csv::Number::Ok || std::abs(lat) > 90 ||
                std::abs(lon) > 180) {
                problems.add(number,
                             QStringLiteral("the point %1,%2 is no latitude and longitude "
                                            "on the Earth; the road is drawn straight")
                                 .arg(Problems::quote(latField), Problems::quote(lonField)));
                return;
            }
            shape.emplace_back(mapXOfLongitude(lon), mapYOfLatitude(lat));
        }
        // The pairs of cities its names join share the line's points: kept once each way.
        int pairs = 0, forwards = -1, backwards = -1;
        for (const int a : from)
            for (const int b : to) {
                if (a == b || !roads.joined(a, b) || ++pairs > kMostPairs)
                    continue;
                int &kept = a < b ? forwards : backwards;
                if (kept < 0)
                    kept = add(km, shape, a > b);
                keys.push_back({std::min(a, b), std::max(a, b), std::int32_t(kept)});
            }
        if (pairs == 0)
            problems.add(number, QStringLiteral("no road of temps.csv joins %1 and %2")
                                     .arg(Problems::quote(fromName), Problems::quote(toName)));
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

int RoadShapes::add(double km, const std::vector<QPointF> &shape, bool backwards)
{
    const auto shapeIndex = std::int32_t(kmOf.size());
    kmOf.push_back(km);
    if (backwards)
        points_.insert(points_.end(), shape.rbegin(), shape.rend());
    else
        points_.insert(points_.end(), shape.begin(), shape.end());
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
    box.push_back(shape.empty() ? QRectF() : QRectF(QPointF(left, top), QPointF(right, bottom)));
    return shapeIndex;
}

void RoadShapes::put(imagebytes::Writer *out) const
{
    out->putArray(keys);
    out->putArray(kmOf);
    out->putArray(starts);
    out->putArray(points_);
    out->putArray(box);
    out->putArray(coarseStarts);
    out->putArray(coarse);
}

bool RoadShapes::take(imagebytes::Reader *in, int cities)
{
    *this = RoadShapes();
    const auto runs = [](const std::vector<std::int64_t> &at, std::size_t count, std::size_t all) {
        if (at.size() != count + 1 || at.front() != 0 || std::uint64_t(at.back()) != all)
            return false;
        for (std::size_t k = 1; k < at.size(); ++k)
            if (at[k] < at[k - 1])
                return false;
        return true;
    };
    const auto finite = [](const std::vector<QPointF> &points) {
        return std::all_of(points.begin(), points.end(), [](const QPointF &p) {
            return std::isfinite(p.x()) && std::isfinite(p.y());
        });
    };
    bool ok = in->getArray(&keys) && in->getArray(&kmOf) && in->getArray(&starts) &&
              in->getArray(&points_) && in->getArray(&box) && in->getArray(&coarseStarts) &&
              in->getArray(&coarse) && runs(starts, kmOf.size(), points_.size()) &&
              runs(coarseStarts, kmOf.size(), coarse.size()) && box.size() == kmOf.size() &&
              finite(points_) && finite(coarse) &&
              std::all_of(box.begin(), box.end(), [](const QRectF &r) {
                  return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
                         std::isfinite(r.height());
              });
    for (std::size_t k = 0; ok && k < keys.size(); ++k)
        ok = keys[k].lo >= 0 && keys[k].lo < keys[k].hi && keys[k].hi < cities &&
             keys[k].shape >= 0 && std::size_t(keys[k].shape) < kmOf.size() &&
             (k == 0 || keys[k - 1].lo < keys[k].lo ||
              (keys[k - 1].lo == keys[k].lo && keys[k - 1].hi < keys[k].hi));
    for (std::size_t k = 0; ok && k < kmOf.size(); ++k)
        ok = kmOf[k] >= 0 && kmOf[k] <= kLongestKm;
    if (!ok)
        *this = RoadShapes();
    return ok;
}

int RoadShapes::find(int a, int b) const
{
    const Key key{std::min(a, b), std::max(a, b), 0};
    const auto it = std::lower_bound(keys.begin(), keys.end(), key, [](const Key &x, const Key &y) {
        return x.lo != y.lo ? x.lo < y.lo : x.hi < y.hi;
    });
    return it != keys.end() && it->lo == key.lo && it->hi == key.hi ? it->shape : -1;
}
