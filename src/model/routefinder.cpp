#include "routefinder.h"

#include <algorithm>
#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

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
        : source(source), dist(std::size_t(net.size()), inf),
          via(std::size_t(net.size()), std::numeric_limits<std::int32_t>::max()),
          done(std::size_t(net.size()), 0)
    {
        dist[source] = 0.0;
        via[source] = -1;
        heap.push_back({0.0, -1, source});
    }

    // True when `target` is settled (then dist and via hold its final values).
    bool settle(const Network &net, int target)
    {
        while (!done[target] && !heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), std::greater<>());
            const Item top = heap.back();
            heap.pop_back();
            if (done[top.v] || top.d != dist[top.v] || top.via != via[top.v])
                continue; // stale entry
            done[top.v] = 1;
            // A road from the source has no intermediate city; any other adds the one it
            // leaves.
            const std::int32_t through = top.v == source ? -1 : std::max(top.via, top.v);
            for (const Network::Arc *a = net.arcsBegin(top.v); a != net.arcsEnd(top.v); ++a) {
                const double d = top.d + a->time;
                const std::int32_t w = a->to;
                if (done[w] || d > dist[w] || (d == dist[w] && through >= via[w]))
                    continue;
                dist[w] = d;
                via[w] = through;
                heap.push_back({d, through, w});
                std::push_heap(heap.begin(), heap.end(), std::greater<>());
            }
        }
        return done[target];
    }

    int source;
    std::vector<double> dist;
    std::vector<std::int32_t> via; // K(source, v) once v is settled
    std::vector<char> done;
    std::vector<Item> heap;
};

RouteFinder::RouteFinder(const Network &network, int keptSearches)
    : net(network), kept(std::max(2, keptSearches))
{
}

RouteFinder::~RouteFinder() = default;

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
    // A kept search from either end that has already reached the other end costs nothing.
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        const Search &s = **it;
        if ((s.source == a && s.done[b]) || (s.source == b && s.done[a])) {
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
    std::vector<int> path{start};
    if (start == end)
        return path;
    // route(a, b) = route(a, K) + route(K, b), unfolded with a stack of pairs still to walk.
    std::vector<std::pair<int, int>> todo{{start, end}};
    while (!todo.empty()) {
        const auto [a, b] = todo.back();
        todo.pop_back();
        Search *s = cachedSettling(a, b);
        if (!s) {
            s = &searchFrom(a);
            s->settle(net, b);
        }
        const int other = s->source == a ? b : a;
        const bool reached = s->done[other];
        const int k = reached ? s->via[other] : -1;
        if (k < 0) {
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
        return inf;
    if (from == to)
        return net.roundTrip(from);
    Search *s = cachedSettling(from, to);
    if (!s) {
        s = &searchFrom(from);
        s->settle(net, to);
    }
    const int other = s->source == from ? to : from;
    return s->done[other] ? s->dist[other] : inf;
}
