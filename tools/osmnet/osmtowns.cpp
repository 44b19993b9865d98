// The towns of gpsnet osm's places: how far each reaches, and the roads that keep a route
// through a town from costing more than the drive.

#include "infinity.h"
#include "osmdetail.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <limits>

namespace osmnet::detail {

double townKm(const QString &kind)
{
    return kind == QLatin1String("city")      ? 2.0
           : kind == QLatin1String("town")    ? 1.0
           : kind == QLatin1String("village") ? 0.5
                                              : 0.3;
}

double Passed::timeTo(int v) const
{
    const auto it = std::lower_bound(places.begin(), places.end(), std::pair(std::int32_t(v), 0.0));
    return it != places.end() && it->first == v ? it->second : kNoTime;
}

namespace {

bool before(const Found &x, const Found &y)
{
    return x.from != y.from ? x.from < y.from : x.to < y.to;
}

// The find of `to` from `from` among `found` (sorted), or null.
const Found *findOf(const std::vector<Found> &found, int from, int to)
{
    const Found key{from, to, 0.0, false, {}, {}};
    const auto it = std::lower_bound(found.begin(), found.end(), key, before);
    return it != found.end() && it->from == from && it->to == to ? &*it : nullptr;
}

// The fastest time of each of `pairs` (sorted): a search from each place they leave from,
// until the places they reach are settled, on `threads` threads.
std::vector<double> timesOf(const Network &net, const std::vector<std::pair<int, int>> &pairs,
                            int threads, const std::function<bool()> &cancelled)
{
    std::vector<std::size_t> starts;
    for (std::size_t k = 0; k < pairs.size(); ++k)
        if (k == 0 || pairs[k].first != pairs[k - 1].first)
            starts.push_back(k);
    starts.push_back(pairs.size());
    std::vector<double> result(pairs.size(), kNoTime);
    std::atomic<std::size_t> next{0};
    const auto place = [&net](int i) { return net.places[std::size_t(i)].node; };
    onThreads(
        threads,
        [&] {
            Search search(net.graph.nodeCount());
            std::vector<int> targets;
            for (std::size_t s; (s = next++) + 1 < starts.size();) {
                if (cancelled && cancelled())
                    throw Cancelled();
                targets.clear();
                for (std::size_t k = starts[s]; k < starts[s + 1]; ++k)
                    targets.push_back(place(pairs[k].second));
                const std::vector<double> times =
                    search.times(net.graph, place(pairs[starts[s]].first), targets);
                std::copy(times.begin(), times.end(), result.begin() + std::ptrdiff_t(starts[s]));
            }
        },
        [&] { next = starts.size(); });
    return result;
}

// Of two finds of one pair, the one kept: the slower, then the smaller shape.
bool keptFirst(const RoadGraph &g, const Found &x, const Found &y)
{
    if (x.link.a != y.link.a || x.link.b != y.link.b)
        return x.link.a != y.link.a ? x.link.a < y.link.a : x.link.b < y.link.b;
    if (x.link.minutes != y.link.minutes)
        return x.link.minutes > y.link.minutes;
    return std::lexicographical_compare(
        x.kept.begin(), x.kept.end(), y.kept.begin(), y.kept.end(), [&g](int v, int w) {
            return std::pair(g.lat[std::size_t(v)], g.lon[std::size_t(v)]) <
                   std::pair(g.lat[std::size_t(w)], g.lon[std::size_t(w)]);
        });
}

} // namespace

long long slowerWays(const Network &net, std::vector<Found> found,
                     const std::vector<Passed> &passed, int threads,
                     const std::function<bool()> &cancelled, std::vector<Found> *roads)
{
    std::sort(found.begin(), found.end(), before);
    const auto settled = [&](const Found &f) {
        return passed[std::size_t(f.to)].timeTo(net.places[std::size_t(f.from)].node);
    };
    // The ways back no find gives and no search settled, by the place they leave from: a
    // search from each.
    std::vector<std::pair<int, int>> missing;
    for (const Found &f : found)
        if (f.oneWay && !findOf(found, f.to, f.from) && settled(f) == kNoTime)
            missing.push_back({f.to, f.from});
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    const std::vector<double> back = timesOf(net, missing, threads, cancelled);
    long long oneWayOnly = 0;
    std::vector<Found> kept;
    for (Found &f : found) {
        double slower = f.forth;
        if (f.oneWay) {
            const Found *other = findOf(found, f.to, f.from);
            double way = other ? other->forth : settled(f);
            if (way == kNoTime)
                way = back[std::size_t(
                    std::lower_bound(missing.begin(), missing.end(), std::pair(f.to, f.from)) -
                    missing.begin())];
            slower = std::max(slower, way);
        }
        if (slower == kNoTime) {
            ++oneWayOnly;
            continue;
        }
        f.link.minutes = slower;
        kept.push_back(std::move(f));
    }
    release(found);
    // Each pair once (found from both ends as a rule): the same whichever thread found it first.
    std::sort(kept.begin(), kept.end(),
              [&](const Found &x, const Found &y) { return keptFirst(net.graph, x, y); });
    for (std::size_t k = 0; k < kept.size(); ++k)
        if (k == 0 || kept[k].link.a != kept[k - 1].link.a || kept[k].link.b != kept[k - 1].link.b)
            roads->push_back(std::move(kept[k]));
    return oneWayOnly;
}

std::vector<Link> placedRoads(const RoadGraph &g, std::vector<Found> roads)
{
    std::sort(roads.begin(), roads.end(),
              [&](const Found &x, const Found &y) { return keptFirst(g, x, y); });
    std::vector<Link> links;
    for (std::size_t k = 0; k < roads.size(); ++k)
        if (k == 0 || roads[k].link.a != roads[k - 1].link.a ||
            roads[k].link.b != roads[k - 1].link.b) {
            placeShape(g, roads[k].kept, &roads[k].link);
            release(roads[k].kept);
            links.push_back(std::move(roads[k].link));
        }
    return links;
}

void joinPastTowns(const Network &net, const std::unordered_map<int, std::vector<int>> &at,
                   std::vector<Passed> passed, int threads, const std::function<bool()> &cancelled,
                   std::vector<Found> *roads)
{
    const RoadGraph &g = net.graph;
    const int n = g.nodeCount();
    const int total = int(net.places.size());
    std::vector<std::vector<std::pair<int, double>>> near;
    near.resize(std::size_t(total));
    for (const Found &road : *roads) {
        const Link &l = road.link;
        near[std::size_t(l.a)].push_back({l.b, l.minutes});
        near[std::size_t(l.b)].push_back({l.a, l.minutes});
    }
    std::mutex lock;
    std::atomic<int> next{0};
    std::vector<Found> direct;
    const auto work = [&] {
        std::vector<double> twoRoads(std::size_t(total), kInf);
        std::vector<int> seen;
        Search ahead(n);
        std::vector<Found> mine;
        for (int i; (i = next++) < total;) {
            if (cancelled && (i & 63) == 0 && cancelled())
                throw Cancelled();
            const int node = net.places[std::size_t(i)].node;
            if (at.at(node).front() != i)
                continue;
            for (const auto &[j, first] : near[std::size_t(i)])
                for (const auto &[k, second] : near[std::size_t(j)])
                    if (k != i && net.places[std::size_t(k)].node != node) {
                        if (twoRoads[std::size_t(k)] == kInf)
                            seen.push_back(k);
                        twoRoads[std::size_t(k)] =
                            std::min(twoRoads[std::size_t(k)], first + second);
                    }
            for (const auto &[j, time] : near[std::size_t(i)])
                twoRoads[std::size_t(j)] = -1; // joined already
            // Searched: the drives the place's own search did not settle and that may be
            // short enough, and those that are, for their shape.
            std::vector<int> targets, places;
            double limit = 0; // past it, no drive is short enough to matter
            for (const int k : seen) {
                const double two = twoRoads[std::size_t(k)];
                const int to = net.places[std::size_t(k)].node;
                const double drive = passed[std::size_t(i)].timeTo(to);
                // (A drive not settled is no shorter than the search's reach.)
                if (two <= 0 ||
                    !(two > (drive < kInf ? drive : passed[std::size_t(i)].reach) + kDetourMinutes))
                    continue;
                targets.push_back(to);
                places.push_back(k);
                limit = std::max(limit, drive < kInf ? drive : two - kDetourMinutes);
            }
            release(passed[std::size_t(i)].places);
            if (!targets.empty()) {
                const std::vector<double> forth = ahead.times(g, node, targets, limit);
                for (std::size_t t = 0; t < targets.size(); ++t) {
                    const int k = places[t];
                    const double drive = forth[t];
                    if (drive < kInf && twoRoads[std::size_t(k)] > drive + kDetourMinutes) {
                        Found f{i, k, drive, false, {std::min(i, k), std::max(i, k), drive, 0, {}},
                                {}};
                        std::vector<std::int32_t> path = ahead.pathTo(targets[t]);
                        if (i > k)
                            std::reverse(path.begin(), path.end());
                        shapeLink(g, path, &f.link, &f.kept);
                        mine.push_back(std::move(f));
                    }
                }
            }
            for (const int k : seen)
                twoRoads[std::size_t(k)] = kInf;
            for (const auto &[j, time] : near[std::size_t(i)])
                twoRoads[std::size_t(j)] = kInf;
            seen.clear();
        }
        const std::lock_guard<std::mutex> hold(lock);
        direct.insert(direct.end(), std::make_move_iterator(mine.begin()),
                      std::make_move_iterator(mine.end()));
    };
    onThreads(threads, work, [&] { next = total; });
    // A pair is joined where the drive is short enough; where roads are one-way, both ways:
    // each end found its own way there (the test is the same from both ends). At the slower
    // time, along the drive from the pair's first place where both ends found it.
    std::sort(direct.begin(), direct.end(), before);
    for (Found &f : direct) {
        const Found *other = findOf(direct, f.to, f.from);
        if ((net.oneWayRoads && !other) || (other && f.from > f.to))
            continue;
        if (other)
            f.link.minutes = std::max(f.forth, other->forth);
        roads->push_back(std::move(f));
    }
}

std::vector<std::int32_t> strongComponentSizes(const RoadGraph &g)
{
    // Tarjan's, with its own stack of calls: a country's roads would overflow the machine's.
    const int n = g.nodeCount();
    std::vector<std::int32_t> index(std::size_t(n), -1), low(std::size_t(n), 0),
        component(std::size_t(n), -1), sizes, stack;
    std::vector<std::pair<std::int32_t, std::int64_t>> calls; // node, its next arc
    std::int32_t counter = 0;
    const auto enter = [&](int v) {
        index[std::size_t(v)] = low[std::size_t(v)] = counter++;
        stack.push_back(v);
        calls.push_back({v, g.out[std::size_t(v)]});
    };
    for (int start = 0; start < n; ++start) {
        if (index[std::size_t(start)] >= 0)
            continue;
        enter(start);
        while (!calls.empty()) {
            const int v = calls.back().first;
            const std::int64_t a = calls.back().second;
            if (a < g.out[std::size_t(v) + 1]) {
                ++calls.back().second;
                const int w = g.to[std::size_t(a)];
                if (index[std::size_t(w)] < 0)
                    enter(w);
                else if (component[std::size_t(w)] < 0) // still on the stack
                    low[std::size_t(v)] = std::min(low[std::size_t(v)], index[std::size_t(w)]);
                continue;
            }
            if (low[std::size_t(v)] == index[std::size_t(v)]) {
                const auto id = std::int32_t(sizes.size());
                std::int32_t size = 0;
                for (int w = -1; w != v; ++size) {
                    w = stack.back();
                    stack.pop_back();
                    component[std::size_t(w)] = id;
                }
                sizes.push_back(size);
            }
            calls.pop_back();
            if (!calls.empty()) {
                const std::size_t up = std::size_t(calls.back().first);
                low[up] = std::min(low[up], low[std::size_t(v)]);
            }
        }
    }
    std::vector<std::int32_t> result(static_cast<std::size_t>(n));
    for (int v = 0; v < n; ++v)
        result[std::size_t(v)] = sizes[std::size_t(component[std::size_t(v)])];
    return result;
}

std::vector<char> joinableNodes(const RoadGraph &g, const std::vector<float> &mainRoad)
{
    const int n = g.nodeCount();
    std::vector<char> used(std::size_t(n), 0);
    const std::vector<std::int32_t> part = strongComponentSizes(g);
    const std::int32_t largest = part.empty() ? 0 : *std::max_element(part.begin(), part.end());
    // A part of a few nodes, where the region's roads are many, is a street cut off by a barrier
    // or the extract's edge, or one way into a dead end. (A handful of roads is left as it is.)
    const std::int32_t enough = largest >= kRegionNodes ? kJoinablePart : 1;
    const auto joinable = [&](int v) { return part[std::size_t(v)] >= enough; };
    for (int v = 0; v < n; ++v)
        if (mainRoad[std::size_t(v)] > 0)
            for (std::int64_t a = g.out[std::size_t(v)]; a < g.out[std::size_t(v) + 1]; ++a) {
                const int w = g.to[std::size_t(a)];
                if (mainRoad[std::size_t(w)] > 0)
                    for (const int x : {v, w})
                        used[std::size_t(x)] = std::max(used[std::size_t(x)],
                                                        char(joinable(v) && joinable(w) ? 2 : 1));
            }
    return used;
}

void placeAreas(std::vector<AreaPlace> areas, const std::vector<std::int64_t> &outlines,
                const std::vector<osmium::Location> &at, Network *net)
{
    std::unordered_map<QString, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < net->places.size(); ++i)
        byName[net->places[i].name].push_back(i);
    const std::size_t nodes = net->places.size();
    for (AreaPlace &area : areas) {
        std::vector<std::pair<double, double>> ring; // lon, lat
        for (const std::int64_t id : area.outline) {
            const auto it = std::lower_bound(outlines.begin(), outlines.end(), id);
            const osmium::Location &l = at[std::size_t(it - outlines.begin())];
            if (l.valid())
                ring.emplace_back(l.lon(), l.lat());
        }
        if (ring.size() < 3)
            continue; // the extract holds too little of it
        // The centre of its surface (of its corners, for a sliver).
        double twice = 0, cx = 0, cy = 0, mx = 0, my = 0;
        double west = 180, east = -180, south = 90, north = -90;
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const auto [x0, y0] = ring[k];
            const auto [x1, y1] = ring[(k + 1) % ring.size()];
            const double cross = x0 * y1 - x1 * y0;
            twice += cross;
            cx += (x0 + x1) * cross;
            cy += (y0 + y1) * cross;
            mx += x0;
            my += y0;
            west = std::min(west, x0);
            east = std::max(east, x0);
            south = std::min(south, y0);
            north = std::max(north, y0);
        }
        // (The outer ways of a multipolygon come in any order: their corners' mean.)
        const bool surface = area.ring && std::abs(twice) > 1e-12;
        area.place.lon = surface ? cx / (3 * twice) : mx / double(ring.size());
        area.place.lat = surface ? cy / (3 * twice) : my / double(ring.size());
        bool mapped = false;
        if (const auto same = byName.find(area.place.name); same != byName.end())
            for (const std::size_t i : same->second)
                mapped = mapped ||
                         (i < nodes && net->places[i].lon >= west && net->places[i].lon <= east &&
                          net->places[i].lat >= south && net->places[i].lat <= north);
        if (mapped)
            continue;
        ++net->placesFound;
        net->places.push_back(std::move(area.place));
    }
}

} // namespace osmnet::detail
