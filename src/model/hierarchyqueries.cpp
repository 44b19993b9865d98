#include "hierarchy.h"
#include "infinity.h"
#include "workers.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace {

// One climb from a node, up the arcs `begin`/`end` give; a node that the arcs of the other side
// reach sooner is passed by (stalled): no shortest way climbs through it.
template <typename Up, typename Other> class Climb
{
public:
    Climb(int nodes, Up up, Other other) : dist(std::size_t(nodes), kInf), up(up), other(other) {}

    // `settled(node, time)` for each node the climb settles and does not pass by.
    template <typename Settled> void run(int from, Settled settled)
    {
        for (int v : touched)
            dist[std::size_t(v)] = kInf;
        touched.clear();
        heap.clear();
        dist[std::size_t(from)] = 0;
        touched.push_back(from);
        heap.push_back({0, from});
        while (!heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), std::greater<>());
            const auto [d, v] = heap.back();
            heap.pop_back();
            if (d > dist[std::size_t(v)])
                continue;
            bool stalled = false;
            for (auto [a, end] = other(v); a != end && !stalled; ++a)
                stalled = dist[std::size_t(a->to)] + a->time < d;
            if (stalled)
                continue;
            settled(v, d);
            for (auto [a, end] = up(v); a != end; ++a) {
                const double nd = d + a->time;
                double &old = dist[std::size_t(a->to)];
                if (nd < old) {
                    if (old == kInf)
                        touched.push_back(a->to);
                    old = nd;
                    heap.push_back({nd, a->to});
                    std::push_heap(heap.begin(), heap.end(), std::greater<>());
                }
            }
        }
    }

private:
    std::vector<double> dist;
    std::vector<int> touched;
    std::vector<std::pair<double, int>> heap;
    Up up;
    Other other;
};

auto climbUp(const Hierarchy &h)
{
    auto up = [&h](int v) { return std::pair(h.upBegin(v), h.upEnd(v)); };
    auto down = [&h](int v) { return std::pair(h.downBegin(v), h.downEnd(v)); };
    return Climb<decltype(up), decltype(down)>(h.nodeCount(), up, down);
}

// Climbing from a target goes up the arcs that come down to it.
auto climbFromTarget(const Hierarchy &h)
{
    auto up = [&h](int v) { return std::pair(h.downBegin(v), h.downEnd(v)); };
    auto down = [&h](int v) { return std::pair(h.upBegin(v), h.upEnd(v)); };
    return Climb<decltype(up), decltype(down)>(h.nodeCount(), up, down);
}

} // namespace

TimesTo::TimesTo(const Hierarchy &h)
    : h(h), below(std::size_t(h.nodeCount())), known(std::size_t(h.nodeCount())),
      belowStamp(std::size_t(h.nodeCount())), knownStamp(std::size_t(h.nodeCount()))
{
}

void TimesTo::makeReady()
{
    below.clear();
    known.clear();
    belowStamp.clear();
    knownStamp.clear();
    stamp = 0;
}

void TimesTo::setTarget(int target)
{
    if (++stamp == 0) {
        belowStamp.clear();
        knownStamp.clear();
        stamp = 1;
    }
    // The climb from the target, kept whole (not stalled): from() looks its times up.
    heap.clear();
    heap.push_back({0, std::int32_t(target)});
    below[std::size_t(target)] = 0;
    belowStamp[std::size_t(target)] = stamp;
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), std::greater<>());
        const Item top = heap.back();
        heap.pop_back();
        if (top.d > below[std::size_t(top.v)])
            continue;
        for (const Network::Arc *a = h.downBegin(top.v), *end = h.downEnd(top.v); a != end; ++a) {
            const auto w = std::size_t(a->to);
            const double d = top.d + a->time;
            if (belowStamp[w] != stamp || d < below[w]) {
                belowStamp[w] = stamp;
                below[w] = d;
                heap.push_back({d, a->to});
                std::push_heap(heap.begin(), heap.end(), std::greater<>());
            }
        }
    }
}

double TimesTo::from(int node)
{
    if (knownStamp[std::size_t(node)] == stamp)
        return known[std::size_t(node)];
    // The best of: down from here, or up one arc and on from there; nodes above first, each
    // once (the arcs climb, so this ends).
    stack.clear();
    stack.push_back({node, h.upBegin(node)});
    while (!stack.empty()) {
        auto &[v, next] = stack.back();
        const Network::Arc *end = h.upEnd(v);
        while (next != end && knownStamp[std::size_t(next->to)] == stamp)
            ++next;
        if (next != end) {
            const int above = next->to;
            stack.push_back({above, h.upBegin(above)});
            continue;
        }
        double best = belowStamp[std::size_t(v)] == stamp ? below[std::size_t(v)] : kInf;
        for (const Network::Arc *a = h.upBegin(v); a != end; ++a)
            best = std::min(best, a->time + known[std::size_t(a->to)]);
        known[std::size_t(v)] = best;
        knownStamp[std::size_t(v)] = stamp;
        stack.pop_back();
    }
    return known[std::size_t(node)];
}

std::vector<std::vector<double>> hierarchyTable(const Hierarchy &h, const std::vector<int> &sources,
                                                const std::vector<int> &targets, int threads)
{
    std::vector<std::vector<double>> table(sources.size(),
                                           std::vector<double>(targets.size(), kInf));
    // Each target's climb left in buckets at the nodes it met: (column, time to the target).
    struct Entry
    {
        std::int32_t node, column;
        double time;
    };
    std::vector<Entry> entries;
    {
        auto climb = climbFromTarget(h);
        for (std::size_t c = 0; c < targets.size(); ++c)
            climb.run(targets[c], [&](int v, double d) {
                entries.push_back({std::int32_t(v), std::int32_t(c), d});
            });
    }
    std::vector<std::int64_t> starts(std::size_t(h.nodeCount()) + 1, 0);
    for (const Entry &e : entries)
        ++starts[std::size_t(e.node) + 1];
    for (std::size_t v = 0; v + 1 < starts.size(); ++v)
        starts[v + 1] += starts[v];
    std::vector<std::pair<std::int32_t, double>> buckets(entries.size());
    {
        std::vector<std::int64_t> at(starts.begin(), starts.end() - 1);
        for (const Entry &e : entries)
            buckets[std::size_t(at[std::size_t(e.node)]++)] = {e.column, e.time};
    }
    entries = std::vector<Entry>(); // (= {} would keep its memory)

    threads = std::clamp(threads, 1, std::max(1, int(sources.size() / 16)));
    shareOut(
        sources.size(), threads, [&h] { return climbUp(h); },
        [&](auto &climb, std::size_t r) {
            std::vector<double> &row = table[r];
            climb.run(sources[r], [&](int v, double d) {
                for (std::int64_t k = starts[std::size_t(v)]; k < starts[std::size_t(v) + 1]; ++k) {
                    const auto &[column, time] = buckets[std::size_t(k)];
                    row[std::size_t(column)] = std::min(row[std::size_t(column)], d + time);
                }
            });
        });
    return table;
}
