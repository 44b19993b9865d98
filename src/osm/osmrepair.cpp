// The repair stage: the roads the searches found, each at the slower direction's time, pairs
// that a detour through a neighbouring town would charge too much joined directly, and each
// pair once, with its shape.

#include "infinity.h"
#include "osmsearch.h"
#include "osmstages.h"
#include "osmthreads.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>

namespace osmnet::detail {

namespace {

constexpr double kDetourMinutes = 0.02;

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

// The roads from the finds, each at the slower direction's time: the way back is the other
// end's find, or, where that end's search did not meet this one (another town on the way
// back), what it settled there, else searched. `passed`: per place, its search's.
// Returns how many finds have no way back (left out).
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

// The network's roads from `roads`: each pair once, at the slower time found, of two as slow
// the smaller shape (the same files whichever thread found it first), shapes placed.
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

// Where two roads through a neighbouring town take longer than the drive between two places
// (by over kDetourMinutes), joins them directly too, at the drive's time (the slower way's
// where roads are one-way: each end searches its way there): `roads` as the searches found
// them, `at` the places at each node (the first stands for them). Any detour, not only one
// past the routes' 3 %: a route charged a little more than the drive takes another way of
// nearly the same time, often a longer one. What a place's search settled (`passed`) is
// searched again only for the drives it does not settle, or for a road's shape.
// Searches on `threads` threads; `cancelled`, when set and true, stops them (Cancelled).
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
                        shapeLink(g, path, &f.link, &f.kept, &cancelled);
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

} // namespace

void repairRoads(const Towns &towns, Searched searched, int threads, const Progress &progress,
                 Network *net)
{
    const std::function<bool()> &cancelled = progress.options().cancelled;
    std::vector<Found> roads;
    net->oneWayPairs =
        slowerWays(*net, std::move(searched.found), searched.passed, threads, cancelled, &roads);
    // A route through a town is charged the way to its place's node and back: where that
    // costs too much, the pair is joined directly too.
    progress.say(QStringLiteral("looking for detours through towns"));
    joinPastTowns(*net, towns.at, std::move(searched.passed), threads, cancelled, &roads);
    net->links = placedRoads(net->graph, std::move(roads));
    std::vector<char> joinedByRoad(net->places.size(), 0);
    for (const Link &l : net->links)
        joinedByRoad[std::size_t(l.a)] = joinedByRoad[std::size_t(l.b)] = 1;
    for (std::size_t i = 0; i < net->places.size() && net->places.size() > 1; ++i)
        if (!joinedByRoad[i])
            net->roadless << net->places[i].name;
}

} // namespace osmnet::detail
