#include "routefinder.h"
#include "drive.h"
#include "hierarchy.h"
#include "infinity.h"

#include <algorithm>
#include <limits>

namespace {

struct Item
{
    double d;
    std::int32_t via;
    std::int32_t v;
    // Ordered by time, then by the largest intermediate position: a min-heap through greater<>.
    bool operator>(const Item &o) const { return d != o.d ? d > o.d : via > o.via; }
};

} // namespace

// One search from a source, stopped as soon as the target asked for is settled and resumed when
// a farther one is asked for.
struct RouteFinder::Search
{
    Search(const Network &net, int source)
        : source(source), dist(std::size_t(net.nodeCount()), kInf),
          via(std::size_t(net.nodeCount()), std::numeric_limits<std::int32_t>::max()),
          done(std::size_t(net.nodeCount()), 0)
    {
        start(source);
    }

    void start(int from)
    {
        for (const std::int32_t v : touched) {
            dist[std::size_t(v)] = kInf;
            via[std::size_t(v)] = std::numeric_limits<std::int32_t>::max();
            done[std::size_t(v)] = 0;
        }
        touched.clear();
        heap.clear();
        source = from;
        dist[std::size_t(from)] = 0.0;
        via[std::size_t(from)] = -1;
        touched.push_back(from);
        heap.push_back({0.0, -1, from});
    }

    // True when `target` is settled (then dist and via hold its final values).
    bool settle(const Network &net, int target)
    {
        while (!done[target] && !heap.empty())
            step(net);
        return done[target];
    }

    // Settles every city as near as `target`, ties included (zero-minute roads can put
    // cities of the same time on its shortest routes).
    void settleAsNearAs(const Network &net, int target)
    {
        settle(net, target);
        while (!heap.empty() && heap.front().d <= dist[target])
            step(net);
    }

    void step(const Network &net)
    {
        step(net, [](int, double) { return true; });
    }

    // `keep(node, time)` says whether a node reached at that time may be on a route wanted.
    template <typename Keep> void step(const Network &net, Keep keep)
    {
        std::pop_heap(heap.begin(), heap.end(), std::greater<>());
        const Item top = heap.back();
        heap.pop_back();
        if (done[top.v] || top.d != dist[top.v] || top.via != via[top.v])
            return; // stale entry
        done[top.v] = 1;
        // A road from the source has no intermediate city; any other adds the one it
        // leaves (a name's node is no city).
        const std::int32_t through = top.v == source      ? -1
                                     : !net.isCity(top.v) ? top.via
                                                          : std::max(top.via, top.v);
        for (const Network::Arc *a = net.arcsBegin(top.v), *end = net.arcsEnd(top.v); a != end;
             ++a) {
            const double d = top.d + a->time;
            const std::int32_t w = a->to;
            if (done[w] || d > dist[w] || (d == dist[w] && through >= via[w]) || !keep(w, d))
                continue;
            if (dist[w] == kInf)
                touched.push_back(w);
            dist[w] = d;
            via[w] = through;
            heap.push_back({d, through, w});
            std::push_heap(heap.begin(), heap.end(), std::greater<>());
        }
    }

    int source;
    std::vector<double> dist;
    std::vector<std::int32_t> via; // K(source, v) once v is settled
    std::vector<char> done;
    std::vector<Item> heap;
    std::vector<std::int32_t> touched; // what start() resets
};

RouteFinder::RouteFinder(const Network &network, int keptSearches)
    : net(network), kept(std::max(2, keptSearches))
{
}

RouteFinder::~RouteFinder() = default;

DriveFinder &RouteFinder::drives()
{
    if (!driveFinder)
        driveFinder = std::make_unique<DriveFinder>(net);
    return *driveFinder;
}

RouteFinder::Search &RouteFinder::searchFrom(int source)
{
    for (auto it = cache.begin(); it != cache.end(); ++it)
        if ((*it)->source == source) {
            cache.splice(cache.begin(), cache, it);
            return *cache.front();
        }
    if (int(cache.size()) >= kept)
        cache.pop_back();
    ++searches;
    cache.push_front(std::make_unique<Search>(net, source));
    return *cache.front();
}

RouteFinder::Search *RouteFinder::cachedSettling(int a, int b)
{
    // A kept search from a that has already reached b costs nothing. Not one from b: with times
    // not exact in binary its sums, taken the other way, may pick another route of the same
    // time, and the answer would depend on the queries asked before.
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        const Search &s = **it;
        if (s.source == a && s.done[b]) {
            cache.splice(cache.begin(), cache, it);
            return cache.front().get();
        }
    }
    return nullptr;
}

std::vector<int> RouteFinder::route(int start, int end)
{
    const int n = net.size();
    if (start < 0 || end < 0 || start >= n || end >= n)
        return {};
    if (start == end)
        return {start};
    if (net.hierarchy()) {
        std::vector<int> path = routeByHierarchy(start, end);
        if (!path.empty())
            return path;
    }
    // One search from the start settles the whole route: every shortest route between two of
    // its cities is made of roads that search found tight (dist(u) + time = dist(v)), so each
    // split is found among the few cities that lie on some shortest route between the ends.
    Search *s = cachedSettling(start, end);
    if (!s) {
        s = &searchFrom(start);
        s->settle(net, end);
    }
    std::vector<int> path{start};
    if (!s->done[end] || s->via[end] < 0) {
        path.push_back(end);
    } else if (s->settleAsNearAs(net, end), !walkTight(*s, end, &path)) {
        return routeBySearches(start, end); // sums not exact enough to follow (see README)
    }
    return path;
}

bool RouteFinder::walkTight(const Search &s, int target, std::vector<int> *path)
{
    const int n = net.nodeCount();
    if (int(mark.size()) != n) {
        mark.assign(std::size_t(n), 0);
        seen.assign(std::size_t(n), 0);
        bestVia.assign(std::size_t(n), 0);
        stamp = 0;
    }
    // Marks are stamps, so that nothing the size of the network is cleared per route.
    auto nextStamp = [&] {
        if (++stamp == 0) { // wrapped round: start afresh
            std::fill(mark.begin(), mark.end(), 0);
            std::fill(seen.begin(), seen.end(), 0);
            stamp = 1;
        }
        return stamp;
    };
    auto tight = [&](int u, const Network::Arc &arc) {
        return s.done[u] && s.done[arc.to] && s.dist[u] + arc.time == s.dist[arc.to];
    };

    // The cities on some shortest route to the target: back from it along tight roads.
    const std::uint32_t onRoute = nextStamp();
    std::vector<int> queue{target};
    mark[target] = onRoute;
    // Where each of them is reached by one tight road alone (no two routes take the same
    // time), that one way is the route.
    bool oneWay = true;
    for (std::size_t q = 0; q < queue.size(); ++q) {
        const int v = queue[q];
        int ways = 0;
        for (const Network::Arc *a = net.inArcsBegin(v), *end = net.inArcsEnd(v); a != end; ++a) {
            const int u = a->to; // (an arc from u to v)
            if (!tight(u, {std::int32_t(v), a->time}))
                continue;
            ++ways;
            bestVia[v] = u;
            if (mark[u] != onRoute) {
                mark[u] = onRoute;
                queue.push_back(u);
            }
        }
        oneWay = oneWay && ways == (v == s.source ? 0 : 1);
    }
    if (oneWay) {
        const std::size_t from = path->size();
        for (int v = target, steps = 0; v != s.source; v = bestVia[v])
            if (++steps > net.nodeCount())
                return false;
            else if (net.isCity(v))
                path->push_back(v);
        std::reverse(path->begin() + std::ptrdiff_t(from), path->end());
        return true;
    }

    // K(x, y) between two cities of the route: the smallest largest intermediate position over
    // the tight ways from x to y.
    struct Item
    {
        std::int32_t via, v;
        bool operator>(const Item &o) const { return via > o.via; }
    };
    std::vector<Item> heap;
    auto split = [&](int x, int y) {
        if (x == s.source)
            return s.via[y];
        const std::uint32_t visit = nextStamp();
        heap.clear();
        heap.push_back({-1, x});
        seen[x] = visit;
        bestVia[x] = -1;
        while (!heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), std::greater<>());
            const Item top = heap.back();
            heap.pop_back();
            if (top.via != bestVia[top.v])
                continue;
            if (top.v == y)
                return top.via;
            const std::int32_t through = top.v == x           ? -1
                                         : !net.isCity(top.v) ? top.via
                                                              : std::max(top.via, top.v);
            for (const Network::Arc *a = net.arcsBegin(top.v), *end = net.arcsEnd(top.v); a != end;
                 ++a) {
                const int w = a->to;
                if (w == x || mark[w] != onRoute || s.dist[w] > s.dist[y] || !tight(top.v, *a))
                    continue;
                if (seen[w] == visit && bestVia[w] <= through)
                    continue;
                seen[w] = visit;
                bestVia[w] = through;
                heap.push_back({through, w});
                std::push_heap(heap.begin(), heap.end(), std::greater<>());
            }
        }
        return -2; // y cannot be reached along tight roads
    };

    // route(x, y) = route(x, K) + route(K, y), unfolded with a stack of pairs still to walk.
    std::vector<std::pair<int, int>> todo{{s.source, target}};
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        const int k = split(x, y);
        if (k == -2 || int(path->size()) > net.size())
            return false;
        if (k < 0) {
            path->push_back(y);
            continue;
        }
        todo.emplace_back(k, y);
        todo.emplace_back(x, k);
    }
    return true;
}

std::vector<int> RouteFinder::routeByHierarchy(int start, int end)
{
    if (!toTarget)
        toTarget = std::make_unique<TimesTo>(*net.hierarchy());
    toTarget->setTarget(end);
    const double total = toTarget->from(start);
    if (!(total < kInf))
        return {start, end};
    // The same search as route()'s, that only goes where a shortest route can pass: it finds
    // the same times and splits there. Sums taken in another order may differ in their last
    // bits, so a node a hair past the bound is kept too.
    const double bound = total + 1e-9 * std::max(1.0, total);
    if (!pruned)
        pruned = std::make_unique<Search>(net, start);
    else
        pruned->start(start);
    Search &s = *pruned;
    const auto onSomeRoute = [&](int w, double d) { return d + toTarget->from(w) <= bound; };
    while (!s.heap.empty())
        s.step(net, onSomeRoute);
    if (!s.done[end])
        return {}; // the structure does not fit this network: searched without it
    std::vector<int> path{start};
    if (s.via[end] < 0)
        path.push_back(end);
    else if (!walkTight(s, end, &path))
        return routeBySearches(start, end);
    return path;
}

std::vector<int> RouteFinder::routeBySearches(int start, int end)
{
    // The same splits, each found by a search of its own.
    std::vector<int> path{start};
    std::vector<std::pair<int, int>> todo{{start, end}};
    while (!todo.empty()) {
        const auto [a, b] = todo.back();
        todo.pop_back();
        Search *s = cachedSettling(a, b);
        if (!s) {
            s = &searchFrom(a);
            s->settle(net, b);
        }
        const int k = s->done[b] ? s->via[b] : -1;
        if (k < 0 || int(path.size()) > net.size()) {
            path.push_back(b);
            continue;
        }
        todo.emplace_back(k, b);
        todo.emplace_back(a, k);
    }
    return path;
}

std::vector<int> RouteFinder::route(const QString &cityStart, const QString &cityEnd)
{
    const int start = net.lastIndexOf(cityStart);
    const int end = net.lastIndexOf(cityEnd);
    if (start < 0 || end < 0)
        return {};
    return route(start, end);
}

std::vector<int> RouteFinder::routeThrough(const std::vector<QString> &names)
{
    std::vector<int> joined;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        std::vector<int> leg = route(names[i], names[i + 1]);
        if (i + 2 < names.size() && !leg.empty())
            leg.pop_back(); // it starts the next leg
        joined.insert(joined.end(), leg.begin(), leg.end());
    }
    return joined;
}

double RouteFinder::time(int from, int to)
{
    const int n = net.size();
    if (from < 0 || to < 0 || from >= n || to >= n)
        return kInf;
    if (from == to)
        return net.roundTrip(from);
    if (net.hierarchy()) {
        if (!toTarget)
            toTarget = std::make_unique<TimesTo>(*net.hierarchy());
        toTarget->setTarget(to);
        return toTarget->from(from);
    }
    Search *s = cachedSettling(from, to);
    if (!s) {
        s = &searchFrom(from);
        s->settle(net, to);
    }
    return s->done[to] ? s->dist[to] : kInf;
}
