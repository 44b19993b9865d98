#pragma once

// What osmnet's parts share: the searches on the road graph, the grid that finds a place's
// nearest road node, what an extract is, and names made unique.

#include "infinity.h"
#include "osmnet.h"

#include <osmium/osm/location.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

namespace osmium {
class TagList;
}

namespace osmnet::detail {

// A way's tags (osmtags.cpp): cars may use it (a road class, not an area, not closed to them);
// its direction, +1 along the way, -1 against it, 0 both ways. A node's: a barrier that stops
// cars there.
bool forCars(const osmium::TagList &tags);
int onewayOf(const osmium::TagList &tags);
bool stopsCars(const osmium::TagList &tags);

// How far from a place of this kind (its place= value) its town reaches, in km: a path that
// comes this close passes it (osmtowns.cpp).
double townKm(const QString &kind);

// A search's find: place `to` reached from place `from` in `forth` minutes, passing no other
// place; `oneWay` when that drive takes a one-way road (the way back may take longer). `link`
// holds the pair and the drive's length, `kept` its shape's road nodes.
struct Found
{
    int from, to;
    double forth;
    bool oneWay;
    Link link;
    std::vector<std::int32_t> kept;
};

// What a place's search settled on its way: the time to each place node it settled (sorted),
// and the time it had reached when it stopped (a node it did not settle is no nearer).
struct Passed
{
    std::vector<std::pair<std::int32_t, double>> places;
    double reach = 0;
    // The time to place node `v`, or kNoTime where the search did not settle it.
    double timeTo(int v) const;
};

// The roads from the finds, each at the slower direction's time: the way back is the other
// end's find, or, where that end's search did not meet this one (another town on the way
// back), what it settled there, else searched. `passed`: per place, its search's.
// Returns how many finds have no way back (left out).
long long slowerWays(const Network &net, std::vector<Found> found,
                     const std::vector<Passed> &passed, int threads,
                     const std::function<bool()> &cancelled, std::vector<Found> *roads);
// The network's roads from `roads`: each pair once, at the slower time found, of two as slow
// the smaller shape (the same files whichever thread found it first), shapes placed.
std::vector<Link> placedRoads(const RoadGraph &g, std::vector<Found> roads);

// Where two roads through a neighbouring town take longer than the drive between two places
// (by over kDetourMinutes), joins them directly too, at the drive's time (the slower way's
// where roads are one-way: each end searches its way there): `roads` as the searches found
// them, `at` the places at each node (the first stands for them). Any detour, not only one
// past the routes' 3 %: a route charged a little more than the drive takes another way of
// nearly the same time, often a longer one.
// Searches on `threads` threads; `cancelled`, when set and true, stops them (Cancelled).
constexpr double kDetourMinutes = 0.02;
// What a place's search settled (`passed`) is searched again only for the drives it does
// not settle, or for a road's shape.
void joinPastTowns(const Network &net, const std::unordered_map<int, std::vector<int>> &at,
                   std::vector<Passed> passed, int threads, const std::function<bool()> &cancelled,
                   std::vector<Found> *roads);

// Per road node, how many nodes its strongly connected part of the graph holds: those it can
// reach and be reached from.
std::vector<std::int32_t> strongComponentSizes(const RoadGraph &g);
// The nodes a place may be joined to: on a road that is no motorway (`mainRoad`: per node, the
// fastest such road's speed, 0 for none) and joined to another such node (1), and of those,
// the ones from which the region's roads can be reached both ways (2); others 0.
// A place mapped as a closed way: its outline's nodes, placed once they are read.
struct AreaPlace
{
    Place place;
    std::vector<std::int64_t> outline;
    bool ring = true; // one closed way; else the outer ways of a multipolygon, one after another
};
// Adds the places mapped as areas, each at its outline's centre (`outlines`: their nodes' ids,
// sorted; `at`: their positions, invalid where the extract lacks them). One whose name a place
// node within its outline holds is that place already, and left out.
void placeAreas(std::vector<AreaPlace> areas, const std::vector<std::int64_t> &outlines,
                const std::vector<osmium::Location> &at, Network *net);

// (Where the largest part has kRegionNodes nodes or more, a part of fewer than kJoinablePart
// is cut off.)
constexpr std::int32_t kRegionNodes = 200, kJoinablePart = 50;
std::vector<char> joinableNodes(const RoadGraph &g, const std::vector<float> &mainRoad);

// The drive along `path` (road nodes) for a link from place `a`'s node to `b`'s: its length
// in the link, and in `kept` the road nodes of its shape, simplified so that it leaves the road
// by no more than kShapeMetres (4 bytes a point, where the link's shape takes 16), put in the
// link by placeShape() once the link is kept.
constexpr double kShapeMetres = 5.0;
void shapeLink(const RoadGraph &g, const std::vector<std::int32_t> &path, Link *link,
               std::vector<std::int32_t> *kept);
void placeShape(const RoadGraph &g, const std::vector<std::int32_t> &kept, Link *link);

constexpr double kNoTime = kInf;

// Gives a vector's memory back (`v = {}` keeps it: that assigns an empty list).
template <typename T> void release(std::vector<T> &v)
{
    std::vector<T>().swap(v);
}

// Runs work() on `threads` threads, the caller's among them (fewer where the system gives no
// more), and waits for all; the first exception one throws is thrown here, once `stop()` has
// told the others to end.
template <typename Work, typename Stop> void onThreads(int threads, Work work, Stop stop)
{
    std::mutex lock;
    std::exception_ptr failure;
    const auto run = [&] {
        try {
            work();
        } catch (...) {
            const std::lock_guard<std::mutex> hold(lock);
            if (!failure)
                failure = std::current_exception();
            stop();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error &) {
            break;
        }
    }
    run();
    for (std::thread &t : pool)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// Road nodes by cells of a hundredth of a degree, for the nearest one to a place.
class NodeGrid
{
public:
    // Nodes that some arc leaves or reaches (`used`), by cell.
    NodeGrid(const RoadGraph &g, const std::vector<char> &used) : g(g)
    {
        std::vector<std::pair<std::int64_t, std::int32_t>> byCell;
        for (int v = 0; v < g.nodeCount(); ++v)
            if (used[std::size_t(v)])
                byCell.push_back(
                    {key(cell(g.lat[std::size_t(v)]), around(cell(g.lon[std::size_t(v)]))), v});
        std::sort(byCell.begin(), byCell.end());
        nodes.reserve(byCell.size());
        for (const auto &[k, v] : byCell) {
            if (keys.empty() || keys.back() != k) {
                keys.push_back(k);
                starts.push_back(std::int32_t(nodes.size()));
            }
            nodes.push_back(v);
        }
        starts.push_back(std::int32_t(nodes.size()));
    }

    // Calls f(node, km) for each node within `withinKm` of the point.
    template <typename F> void within(double lat, double lon, double withinKm, F f) const
    {
        const int la = cell(lat), lo = cell(lon);
        const int dLat = int(std::ceil(withinKm / 111.0 / kCell)) + 1;
        const double shrink = std::max(0.01, std::cos(lat * kRadiansPerDegree));
        const int dLon =
            std::min(kRound / 2, int(std::ceil(withinKm / (111.0 * shrink) / kCell)) + 1);
        for (int i = la - dLat; i <= la + dLat; ++i)
            for (int j = lo - dLon; j <= lo + dLon; ++j) {
                const std::int64_t k = key(i, around(j)); // across 180° too
                const auto it = std::lower_bound(keys.begin(), keys.end(), k);
                if (it == keys.end() || *it != k)
                    continue;
                const std::size_t c = std::size_t(it - keys.begin());
                for (std::int32_t s = starts[c]; s < starts[c + 1]; ++s) {
                    const int v = nodes[std::size_t(s)];
                    const double km =
                        distanceKm(lat, lon, g.lat[std::size_t(v)], g.lon[std::size_t(v)]);
                    if (km <= withinKm)
                        f(v, km);
                }
            }
    }

    // The nearest node for which `take(node)` is true.
    template <typename Take> int nearest(double lat, double lon, double withinKm, Take take) const
    {
        int best = -1;
        double bestKm = withinKm;
        within(lat, lon, withinKm, [&](int v, double km) {
            if (take(v) && (best < 0 || km < bestKm || (km == bestKm && v < best))) {
                bestKm = km;
                best = v;
            }
        });
        return best;
    }

private:
    static constexpr double kCell = 0.01;
    static constexpr int kRound = 36000; // cells of longitude around the Earth
    static int cell(double degrees) { return int(std::floor(degrees / kCell)); }
    // Longitude cells from -180° on, the same cell whichever way round it is counted.
    static int around(int lonCell) { return ((lonCell + kRound / 2) % kRound + kRound) % kRound; }
    static std::int64_t key(int a, int b) { return (std::int64_t(a) << 32) ^ std::uint32_t(b); }

    const RoadGraph &g;
    // The cells that hold nodes, sorted; cell c's nodes: nodes[starts[c]...starts[c + 1]).
    std::vector<std::int64_t> keys;
    std::vector<std::int32_t> starts, nodes;
};

// One search at a time on a graph, its arrays reused: only what a search touched is reset.
class Search
{
public:
    explicit Search(int n) : node(std::size_t(n)) {}

    // The road nodes of the last search's path from its start to `v` (settled by it).
    std::vector<std::int32_t> pathTo(int v) const
    {
        std::vector<std::int32_t> path;
        for (int at = v; at >= 0; at = node[std::size_t(at)].parent)
            path.push_back(at);
        std::reverse(path.begin(), path.end());
        return path;
    }

    // From `start` over the arcs: the fastest time to every place whose fastest path passes
    // through no other place's town. `town[v]` is the node of the place whose town holds road
    // node v (-1: none; a place's own node is in its town): a path that enters another town
    // reaches that town's place, and one that leaves it ends there. Calls found(node, minutes,
    // oneWay) for each such place node, `oneWay` when its path takes a one-way road (then the
    // way back may take longer; otherwise it takes no longer).
    // Records in `passed` every place node it settles.
    template <typename Found>
    void places(const RoadGraph &g, const std::vector<std::int32_t> &town, int start, Found found,
                Passed *passed)
    {
        reset();
        set(start, 0.0, false, false, -1);
        long long open = 1; // entries in the heap not past a place
        while (open > 0 && !heap.empty()) {
            const Item top = pop();
            if (!top.blocked())
                --open;
            State &at = node[std::size_t(top.v)];
            if (at.done || top.d() != at.dist || top.blocked() != bool(at.blocked))
                continue;
            at.done = 1;
            passed->reach = top.d();
            const int here = town[std::size_t(top.v)];
            if (top.v != start && here == top.v) {
                passed->places.push_back({top.v, top.d()});
                if (!top.blocked())
                    found(top.v, top.d(), bool(at.viaOneWay));
            }
            const bool inOther = here >= 0 && here != start;
            const bool viaOneWay = at.viaOneWay;
            for (std::int64_t a = g.out[std::size_t(top.v)]; a < g.out[std::size_t(top.v) + 1];
                 ++a) {
                const int w = g.to[std::size_t(a)];
                const State &next = node[std::size_t(w)];
                if (next.done)
                    continue;
                // Past another place's town once the path leaves it.
                const bool after = top.blocked() || (inOther && town[std::size_t(w)] != here);
                const double d = top.d() + double(g.minutes[std::size_t(a)]);
                const bool oneWay = viaOneWay || g.oneWay[std::size_t(a)];
                // An equal time that passes no place wins: that pair is joined directly; then
                // one that takes no one-way road, whose way back is no longer.
                const bool better =
                    d < next.dist ||
                    (d == next.dist && ((!after && next.blocked) || (after == bool(next.blocked) &&
                                                                     !oneWay && next.viaOneWay)));
                if (better) {
                    set(w, d, after, oneWay, top.v);
                    open += !after;
                }
            }
        }
        std::sort(passed->places.begin(), passed->places.end());
        passed->places.shrink_to_fit(); // kept until the place's roads are all found
    }

    // Plain: the fastest times from `start` until every node of `targets` is settled, or the
    // times reach `limit` (those beyond: kNoTime).
    std::vector<double> times(const RoadGraph &g, int start, const std::vector<int> &targets,
                              double limit = kNoTime)
    {
        reset();
        set(start, 0.0, false, false, -1);
        std::size_t left = 0; // targets not settled, each node once
        for (int t : targets)
            if (t != start && !node[std::size_t(t)].target) {
                node[std::size_t(t)].target = 1;
                touched.push_back(t);
                ++left;
            }
        while (left > 0 && !heap.empty()) {
            const Item top = pop();
            State &at = node[std::size_t(top.v)];
            if (at.done || top.d() != at.dist)
                continue;
            if (top.d() > limit)
                break;
            at.done = 1;
            left -= at.target;
            for (std::int64_t a = g.out[std::size_t(top.v)]; a < g.out[std::size_t(top.v) + 1];
                 ++a) {
                const int w = g.to[std::size_t(a)];
                const double d = top.d() + double(g.minutes[std::size_t(a)]);
                if (d < node[std::size_t(w)].dist)
                    set(w, d, false, false, top.v);
            }
        }
        std::vector<double> result;
        for (int t : targets)
            result.push_back(node[std::size_t(t)].done ? node[std::size_t(t)].dist : kNoTime);
        return result;
    }

private:
    struct Item
    {
        // The time's bits, then whether it is blocked: as (time, blocked) compare, since a
        // time is never negative, in one comparison.
        std::uint64_t key;
        std::int32_t v;
        Item(double d, std::int32_t node, bool blocked)
            : key(std::bit_cast<std::uint64_t>(d) << 1 | std::uint64_t(blocked)), v(node)
        {
        }
        double d() const { return std::bit_cast<double>(key >> 1); }
        bool blocked() const { return key & 1; }
    };

    // A node's state in one place (one cache line's worth, for the searches' scattered reads).
    struct State
    {
        double dist = kNoTime;
        std::int32_t parent = -1; // the node it was reached from, -1 at the start
        std::uint8_t done = 0, blocked = 0, viaOneWay = 0;
        std::uint8_t target = 0;
    };

    void set(int v, double d, bool isBlocked, bool oneWay, int from)
    {
        State &s = node[std::size_t(v)];
        if (s.dist == kNoTime)
            touched.push_back(v);
        s.dist = d;
        s.parent = from;
        s.blocked = isBlocked;
        s.viaOneWay = oneWay;
        push(Item(d, std::int32_t(v), isBlocked));
    }

    // A heap of four children a node (half as deep as a binary one, its children side by side),
    // popped as Floyd does: the hole goes down to a leaf, choosing the smallest child without a
    // branch (those choices would be mispredicted half the time), then the last item rises from
    // there (mostly not at all).
    static bool less(const Item &x, const Item &y) { return x.key < y.key; } // unblocked first

    void push(const Item &item)
    {
        std::size_t at = heap.size();
        heap.push_back(item);
        for (std::size_t up; at > 0 && less(item, heap[up = (at - 1) / 4]); at = up)
            heap[at] = heap[up];
        heap[at] = item;
    }

    Item pop()
    {
        const Item top = heap.front();
        const Item last = heap.back();
        heap.pop_back();
        const std::size_t size = heap.size();
        if (size == 0)
            return top;
        std::size_t at = 0;
        for (std::size_t child = 1; child < size; child = 4 * at + 1) {
            if (child + 3 < size) {
                const std::size_t x = child + std::size_t(less(heap[child + 1], heap[child]));
                const std::size_t y =
                    child + 2 + std::size_t(less(heap[child + 3], heap[child + 2]));
                child = x ^ ((x ^ y) & (std::size_t(0) - std::size_t(less(heap[y], heap[x]))));
            } else {
                for (std::size_t c = child + 1; c < size; ++c)
                    child = less(heap[c], heap[child]) ? c : child;
            }
            heap[at] = heap[child];
            at = child;
        }
        for (std::size_t up; at > 0 && less(last, heap[up = (at - 1) / 4]); at = up)
            heap[at] = heap[up];
        heap[at] = last;
        return top;
    }

    void reset()
    {
        for (int v : touched)
            node[std::size_t(v)] = State();
        touched.clear();
        heap.clear();
    }

    std::vector<State> node;
    std::vector<int> touched;
    std::vector<Item> heap;
};

// Throws Error: "PATH: WHY".
[[noreturn]] void refuse(const QString &path, const QString &why);
// The format of the extract at `path` for libosmium ("pbf", "osm", "osm.bz2", "osm.gz"), from
// its first bytes; throws Error, saying what it is, where it is none gpsnet reads.
std::string formatOf(const QString &path);

// A name or region as GPS will read it from the file: commas as spaces, white space
// simplified, a character no file carries (a control character, U+FFFE...) as U+FFFD.
QString asGpsReads(QString text);

// Each name once as GPS reads it: those that repeat get their region, then a number
// ("Vineuil (41)", "Montaigut (63) 2"); a place whose name is empty once read so is left out.
void uniqueNames(Network *net);

} // namespace osmnet::detail
