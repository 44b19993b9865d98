#include "netgen.h"

#include "csvtext.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

namespace netgen {

double TimeModel::minutes(double km) const
{
    return std::max(1.0, std::round(km * roadFactor / speedKmh * 60.0));
}

double greatCircleKm(const Place &a, const Place &b)
{
    constexpr double radiusKm = 6371.0;
    constexpr double rad = 3.14159265358979323846 / 180.0;
    const double dLat = (b.lat - a.lat) * rad;
    const double dLon = (b.lon - a.lon) * rad;
    const double h =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(a.lat * rad) * std::cos(b.lat * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * radiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

std::vector<Place> randomPlaces(int n, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> lat(42.33, 51.09);
    std::uniform_real_distribution<double> lon(-4.79, 8.23);
    std::vector<Place> places(std::size_t(std::max(0, n)));
    for (int i = 0; i < n; ++i) {
        Place &p = places[i];
        p.id = QString::number(i + 1);
        p.name = QStringLiteral("C%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        p.dept = QStringLiteral("00");
        p.lat = std::round(lat(rng) * 1e5) / 1e5;
        p.lon = std::round(lon(rng) * 1e5) / 1e5;
    }
    return places;
}

std::vector<Link> nearestRoads(const std::vector<Place> &places, double roadsPerPlace,
                               const TimeModel &model)
{
    const int n = int(places.size());
    std::vector<double> km(std::size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            km[std::size_t(i) * n + j] = greatCircleKm(places[i], places[j]);
    auto dist = [&](int i, int j) { return km[std::size_t(i) * n + j]; };

    QSet<std::uint64_t> present;
    std::vector<Link> links;
    auto add = [&](int a, int b) {
        if (a > b)
            std::swap(a, b);
        const std::uint64_t key = (std::uint64_t(a) << 32) | std::uint32_t(b);
        if (a == b || present.contains(key))
            return;
        present.insert(key);
        links.push_back({a, b, model.minutes(dist(a, b))});
    };

    // Prim's tree inside every group.
    std::vector<bool> inTree(std::size_t(n), false);
    for (int root = 0; root < n; ++root) {
        if (inTree[root])
            continue;
        std::vector<double> best(std::size_t(n), std::numeric_limits<double>::infinity());
        std::vector<int> from(std::size_t(n), -1);
        best[root] = 0;
        for (;;) {
            int next = -1;
            for (int i = 0; i < n; ++i)
                if (!inTree[i] && places[i].group == places[root].group &&
                    (next < 0 || best[i] < best[next]))
                    next = i;
            if (next < 0)
                break;
            inTree[next] = true;
            if (from[next] >= 0)
                add(from[next], next);
            for (int i = 0; i < n; ++i)
                if (!inTree[i] && places[i].group == places[next].group &&
                    dist(next, i) < best[i]) {
                    best[i] = dist(next, i);
                    from[i] = next;
                }
        }
    }

    std::vector<std::vector<int>> byDistance(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            if (j != i && places[j].group == places[i].group)
                byDistance[i].push_back(j);
        std::sort(byDistance[i].begin(), byDistance[i].end(),
                  [&](int a, int b) { return dist(i, a) < dist(i, b); });
    }
    const std::size_t target = std::size_t(std::llround(roadsPerPlace * n));
    for (std::size_t rank = 0; links.size() < target && rank + 1 < std::size_t(n); ++rank)
        for (int i = 0; i < n && links.size() < target; ++i)
            if (rank < byDistance[i].size())
                add(i, byDistance[i][rank]);
    return links;
}

QByteArray citiesCsv(const std::vector<Place> &places)
{
    QByteArray out = "id,name,dept,lat,lon\n";
    for (const Place &p : places)
        out += QStringLiteral("%1,%2,%3,%4,%5\n")
                   .arg(p.id, p.name, p.dept, QString::number(p.lat, 'f', 5),
                        QString::number(p.lon, 'f', 5))
                   .toUtf8();
    return out;
}

QByteArray roadsCsv(const std::vector<Place> &places, const std::vector<Link> &links)
{
    QByteArray out;
    for (const Link &l : links)
        out += QStringLiteral("%1,%2,%3\n")
                   .arg(places[l.a].name, places[l.b].name, QString::number(l.minutes, 'g', 10))
                   .toUtf8();
    return out;
}

std::vector<Place> readPlaces(const QByteArray &bytes, QString *error)
{
    const QString text = csv::decode(bytes);
    const QList<QStringView> lines = csv::splitLines(text);
    std::vector<Place> places;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const QList<QStringView> f = lines[i].split(u',');
        Place p;
        if (f.size() < 5 || csv::parseNumber(f[3], &p.lat) != csv::Number::Ok ||
            csv::parseNumber(f[4], &p.lon) != csv::Number::Ok) {
            if (error)
                *error = QStringLiteral("line %1: expected id,name,dept,lat,lon").arg(i + 1);
            return {};
        }
        p.id = f[0].toString();
        p.name = f[1].toString();
        p.dept = f[2].toString();
        places.push_back(p);
    }
    return places;
}

} // namespace netgen
