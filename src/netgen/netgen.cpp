#include "netgen.h"

#include "csvtext.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <queue>
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

std::vector<Place> gridPlaces(int n, std::uint32_t seed)
{
    std::vector<Place> places = randomPlaces(n, seed);
    const int side = std::max(1, int(std::ceil(std::sqrt(double(std::max(0, n))))));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(0.1, 0.9);
    const double height = (51.09 - 42.33) / side, width = (8.23 + 4.79) / side;
    for (int i = 0; i < n; ++i) {
        Place &p = places[std::size_t(i)];
        p.lat = std::round((42.33 + (i / side + jitter(rng)) * height) * 1e5) / 1e5;
        p.lon = std::round((-4.79 + (i % side + jitter(rng)) * width) * 1e5) / 1e5;
    }
    return places;
}

namespace {

// Places as points on the unit sphere in a k-d tree: the straight-line distance between two
// points grows with the great-circle one, so the tree finds neighbours without a matrix of all
// distances. Results are ordered by greatCircleKm, then position, as a full sort would give them.
class PlaceTree
{
public:
    explicit PlaceTree(const std::vector<Place> &places) : places(places)
    {
        const std::size_t n = places.size();
        points.resize(n);
        constexpr double rad = 3.14159265358979323846 / 180.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double lat = places[i].lat * rad, lon = places[i].lon * rad;
            points[i] = {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon),
                         std::sin(lat)};
        }
        order.resize(n);
        std::iota(order.begin(), order.end(), 0);
        axis.assign(n, 0);
        remaining.assign(n, 0);
        at.assign(n, 0);
        build(0, int(n));
        for (std::size_t i = 0; i < n; ++i)
            at[order[i]] = int(i);
    }

    // Takes a place out of the searches for the nearest remaining place.
    void remove(int place)
    {
        int lo = 0, hi = int(order.size());
        const int target = at[place];
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            --remaining[mid];
            if (mid == target)
                return;
            if (target < mid)
                hi = mid;
            else
                lo = mid + 1;
        }
    }

    // Up to `count` places of the same group as `of`, nearest first; with `remainingOnly`, only
    // places not removed.
    std::vector<int> nearest(int of, int count, bool remainingOnly) const
    {
        Query q{of, std::size_t(count), remainingOnly, {}};
        search(q, 0, int(order.size()));
        std::vector<int> out;
        for (const Candidate &c : q.best)
            out.push_back(c.place);
        return out;
    }

    double km(int a, int b) const { return greatCircleKm(places[a], places[b]); }

private:
    struct Candidate
    {
        double km, chord2;
        int place;
        bool operator<(const Candidate &o) const
        {
            return km != o.km ? km < o.km : place < o.place;
        }
    };
    struct Query
    {
        int of;
        std::size_t count;
        bool remainingOnly;
        std::vector<Candidate> best; // sorted, at most `count`
    };

    double chord2(int a, int b) const
    {
        double sum = 0;
        for (int d = 0; d < 3; ++d)
            sum += (points[a][d] - points[b][d]) * (points[a][d] - points[b][d]);
        return sum;
    }

    void build(int lo, int hi)
    {
        if (hi - lo <= 0)
            return;
        const int mid = lo + (hi - lo) / 2;
        // Split along the widest extent.
        double low[3] = {2, 2, 2}, high[3] = {-2, -2, -2};
        for (int i = lo; i < hi; ++i)
            for (int d = 0; d < 3; ++d) {
                low[d] = std::min(low[d], points[order[i]][d]);
                high[d] = std::max(high[d], points[order[i]][d]);
            }
        int split = 0;
        for (int d = 1; d < 3; ++d)
            if (high[d] - low[d] > high[split] - low[split])
                split = d;
        std::nth_element(order.begin() + lo, order.begin() + mid, order.begin() + hi,
                         [&](int a, int b) { return points[a][split] < points[b][split]; });
        axis[mid] = split;
        remaining[mid] = hi - lo;
        build(lo, mid);
        build(mid + 1, hi);
    }

    void search(Query &q, int lo, int hi) const
    {
        if (hi <= lo)
            return;
        const int mid = lo + (hi - lo) / 2;
        if (q.remainingOnly && remaining[mid] == 0)
            return;
        const int here = order[mid];
        const bool taken = q.remainingOnly && !middleRemains(lo, hi);
        if (here != q.of && !taken && places[here].group == places[q.of].group) {
            const Candidate c{km(q.of, here), chord2(q.of, here), here};
            if (q.best.size() < q.count || c < q.best.back()) {
                q.best.insert(std::upper_bound(q.best.begin(), q.best.end(), c), c);
                if (q.best.size() > q.count)
                    q.best.pop_back();
            }
        }
        const double gap = points[q.of][axis[mid]] - points[here][axis[mid]];
        const bool lowFirst = gap < 0;
        search(q, lowFirst ? lo : mid + 1, lowFirst ? mid : hi);
        // The far side can only hold nearer places if the splitting plane is nearer than the
        // farthest kept one (with room for rounding between the two distances).
        if (q.best.size() < q.count || gap * gap <= q.best.back().chord2 * (1 + 1e-9) + 1e-18)
            search(q, lowFirst ? mid + 1 : lo, lowFirst ? hi : mid);
    }

    // Whether the place at the middle of [lo, hi) is still in: its node's count exceeds its
    // two halves'.
    bool middleRemains(int lo, int hi) const
    {
        const int mid = lo + (hi - lo) / 2;
        auto count = [&](int l, int h) { return h <= l ? 0 : remaining[l + (h - l) / 2]; };
        return remaining[mid] > count(lo, mid) + count(mid + 1, hi);
    }

    const std::vector<Place> &places;
    std::vector<std::array<double, 3>> points;
    std::vector<int> order;     // places, arranged as the tree
    std::vector<int> axis;      // split axis of the node whose middle is at that index
    std::vector<int> remaining; // places not removed in the node whose middle is at that index
    std::vector<int> at;        // index in `order` of each place
};

} // namespace

std::vector<Link> nearestRoads(const std::vector<Place> &places, double roadsPerPlace,
                               const TimeModel &model)
{
    const int n = int(places.size());
    PlaceTree tree(places);

    QSet<std::uint64_t> present;
    std::vector<Link> links;
    auto add = [&](int a, int b) {
        if (a > b)
            std::swap(a, b);
        const std::uint64_t key = (std::uint64_t(a) << 32) | std::uint32_t(b);
        if (a == b || present.contains(key))
            return;
        present.insert(key);
        links.push_back({a, b, model.minutes(tree.km(a, b))});
    };

    // Prim's tree inside every group, from its first place: each step joins the place nearest
    // to the tree (the first in the list among equals) to the earliest tree place that is that
    // near. Each tree place offers its nearest outside place; an offer whose place has joined
    // since is renewed.
    struct Offer
    {
        double km;
        int place, joinedAt, from;
        bool operator>(const Offer &o) const
        {
            return km != o.km         ? km > o.km
                   : place != o.place ? place > o.place
                                      : joinedAt > o.joinedAt;
        }
    };
    std::vector<bool> inTree(std::size_t(n), false);
    std::vector<int> joinedAt(std::size_t(n), 0);
    int joined = 0;
    std::priority_queue<Offer, std::vector<Offer>, std::greater<>> offers;
    auto offer = [&](int from) {
        const std::vector<int> next = tree.nearest(from, 1, true);
        if (!next.empty())
            offers.push({tree.km(from, next[0]), next[0], joinedAt[from], from});
    };
    auto join = [&](int place) {
        inTree[place] = true;
        joinedAt[place] = joined++;
        tree.remove(place);
        offer(place);
    };
    for (int root = 0; root < n; ++root) {
        if (inTree[root])
            continue;
        join(root);
        while (!offers.empty()) {
            const Offer best = offers.top();
            offers.pop();
            if (!inTree[best.place]) {
                join(best.place);
                add(best.from, best.place);
            }
            offer(best.from);
        }
    }

    // Then each place's 1st, 2nd, ... nearest neighbour in its group, rank by rank.
    const std::size_t target = std::size_t(std::llround(roadsPerPlace * n));
    std::vector<std::vector<int>> byDistance;
    int listed = 0; // neighbours listed per place
    for (int rank = 0; links.size() < target && rank + 1 < n; ++rank) {
        if (rank >= listed) {
            listed = std::max(8, 2 * listed);
            byDistance.assign(std::size_t(n), {});
            for (int i = 0; i < n; ++i)
                byDistance[i] = tree.nearest(i, listed, false);
        }
        for (int i = 0; i < n && links.size() < target; ++i)
            if (std::size_t(rank) < byDistance[i].size())
                add(i, byDistance[i][std::size_t(rank)]);
    }
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
    std::vector<Place> places;
    bool bad = false;
    csv::forEachLine(bytes, [&](QStringView line, int number) {
        if (bad || number == 1 || line.trimmed().isEmpty())
            return;
        const QList<QStringView> f = line.split(u',');
        Place p;
        if (f.size() < 5 || csv::parseNumber(f[3], &p.lat) != csv::Number::Ok ||
            csv::parseNumber(f[4], &p.lon) != csv::Number::Ok) {
            if (error)
                *error = QStringLiteral("line %1: expected id,name,dept,lat,lon").arg(number);
            bad = true;
            return;
        }
        p.id = f[0].toString();
        p.name = f[1].toString();
        p.dept = f[2].toString();
        places.push_back(p);
    });
    if (bad)
        return {};
    return places;
}

} // namespace netgen
