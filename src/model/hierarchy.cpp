#include "hierarchy.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
// A witness search stops after this many nodes: a shortcut too many is harmless, a search per
// pair of a crowded node's neighbours is not.
constexpr int kWitnessSettled = 50;
// Estimating a node's shortcuts needs less.
constexpr int kEstimateSettled = 10;
// Where contracting costs more than this many arcs looked at per arc of the network, beyond a
// second's worth that any network may take (a large grid of equal times everywhere, where
// every node gets crowded), the hierarchy is given up: searches go on without it.
constexpr long long kWorkPerArc = 400;
constexpr long long kWorkAnyway = 20'000'000;
// Nor more than this in all (a few seconds): the first opening of a network waits for it.
constexpr long long kWorkAtMost = 150'000'000;

struct Edge
{
    std::int32_t to;
    double time;
};

// The graph still to contract: per node, arcs out and in among the nodes left.
struct Remaining
{
    std::vector<std::vector<Edge>> out, in;

    long long scanned = 0; // arcs looked at by add() and drop(), for the budget

    // An arc u -> x, or a shorter time for the one there.
    void add(int u, int x, double time)
    {
        scanned += static_cast<long long>(out[std::size_t(u)].size() + in[std::size_t(x)].size());
        auto set = [](std::vector<Edge> &list, int to, double t) {
            for (Edge &e : list)
                if (e.to == to) {
                    e.time = std::min(e.time, t);
                    return;
                }
            list.push_back({std::int32_t(to), t});
        };
        set(out[std::size_t(u)], x, time);
        set(in[std::size_t(x)], u, time);
    }
    void drop(std::vector<Edge> &list, int to)
    {
        scanned += static_cast<long long>(list.size());
        for (std::size_t k = 0; k < list.size(); ++k)
            if (list[k].to == to) {
                list[k] = list.back();
                list.pop_back();
                return;
            }
    }
};

// Searches for a way between two neighbours of a node that avoids it.
class Witness
{
public:
    explicit Witness(int nodes) : want(std::size_t(nodes), 0), dist(std::size_t(nodes), inf) {}

    // Until every node marked as wanted (the stamp given) is settled, or nothing under `bound`
    // is left, or the search has gone far enough.
    void run(const Remaining &g, int from, int avoid, double bound, int wanted, int limit)
    {
        for (int v : touched)
            dist[std::size_t(v)] = inf;
        touched.clear();
        heap.clear();
        dist[std::size_t(from)] = 0;
        touched.push_back(from);
        heap.push_back({0, from});
        int settled = 0;
        while (!heap.empty() && settled < limit) {
            std::pop_heap(heap.begin(), heap.end(), std::greater<>());
            const auto [d, v] = heap.back();
            heap.pop_back();
            if (d > dist[std::size_t(v)])
                continue;
            if (d > bound)
                break;
            ++settled;
            work += g.out[std::size_t(v)].size();
            if (want[std::size_t(v)] == wantStamp && --wanted == 0)
                break;
            for (const Edge &e : g.out[std::size_t(v)]) {
                if (e.to == avoid)
                    continue;
                const double nd = d + e.time;
                double &old = dist[std::size_t(e.to)];
                if (nd < old) {
                    if (old == inf)
                        touched.push_back(e.to);
                    old = nd;
                    heap.push_back({nd, e.to});
                    std::push_heap(heap.begin(), heap.end(), std::greater<>());
                }
            }
        }
    }
    double at(int v) const { return dist[std::size_t(v)]; }
    long long work = 0; // arcs looked at, all searches together

    // Marks the nodes a search waits for; then run() with their count.
    void clearWanted()
    {
        if (++wantStamp == 0) {
            std::fill(want.begin(), want.end(), 0);
            wantStamp = 1;
        }
    }
    void setWanted(int v) { want[std::size_t(v)] = wantStamp; }

private:
    std::vector<std::uint32_t> want;
    std::uint32_t wantStamp = 0;
    std::vector<double> dist;
    std::vector<int> touched;
    std::vector<std::pair<double, int>> heap;
};

class Builder
{
public:
    explicit Builder(const Network &net)
        : nodes(net.nodeCount()), symmetric(net.nodeCount() == net.size()), witness(nodes),
          deleted(std::size_t(nodes), 0), level(std::size_t(nodes), 0),
          priority(std::size_t(nodes), 0), contracted(std::size_t(nodes), 0)
    {
        g.out.resize(std::size_t(nodes));
        g.in.resize(std::size_t(nodes));
        // Listed as they come, then the same arc twice kept once at its shorter time: add()
        // would look through a list per arc (a name shared by thousands of cities has a
        // list as long).
        for (int v = 0; v < nodes; ++v)
            for (const Network::Arc *a = net.arcsBegin(v); a != net.arcsEnd(v); ++a)
                if (a->to != v) {
                    g.out[std::size_t(v)].push_back({a->to, a->time});
                    g.in[std::size_t(a->to)].push_back({std::int32_t(v), a->time});
                }
        for (auto *lists : {&g.out, &g.in})
            for (std::vector<Edge> &list : *lists) {
                std::sort(list.begin(), list.end(), [](const Edge &a, const Edge &b) {
                    return a.to != b.to ? a.to < b.to : a.time < b.time;
                });
                list.erase(std::unique(list.begin(), list.end(),
                                       [](const Edge &a, const Edge &b) { return a.to == b.to; }),
                           list.end());
            }
        for (const auto &list : g.out)
            baseArcs += std::max<long long>(1, static_cast<long long>(list.size()));
    }

    Hierarchy run(const std::atomic<bool> *cancel, long long budget)
    {
        if (budget < 0)
            budget = std::min(kWorkPerArc * baseArcs + kWorkAnyway, kWorkAtMost);
        using Entry = std::pair<long long, int>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
        for (int v = 0; v < nodes; ++v) {
            priority[std::size_t(v)] = priorityOf(v);
            queue.push({priority[std::size_t(v)], v});
        }
        Hierarchy h;
        h.rank.assign(std::size_t(nodes), 0);
        upLists.resize(std::size_t(nodes));
        downLists.resize(std::size_t(nodes));
        int next = 0;
        while (!queue.empty()) {
            const auto [p, v] = queue.top();
            queue.pop();
            if (contracted[std::size_t(v)] || p != priority[std::size_t(v)])
                continue;
            // Lazy: a node whose priority has grown since goes back in line.
            const long long now = priorityOf(v);
            if (now > p && !queue.empty() && now > queue.top().first) {
                priority[std::size_t(v)] = now;
                queue.push({now, v});
                continue;
            }
            if ((cancel && cancel->load(std::memory_order_relaxed)) ||
                witness.work + g.scanned > budget)
                return Hierarchy();
            contract(v, nullptr);
            h.rank[std::size_t(v)] = next++;
            for (const auto *list : {&upLists[std::size_t(v)], &downLists[std::size_t(v)]})
                for (const Edge &e : *list) {
                    const auto x = std::size_t(e.to);
                    ++deleted[x];
                    const long long lifted = std::max(level[x], level[std::size_t(v)] + 1);
                    // The estimate made again only when the node comes up (see above).
                    priority[x] += 2 + lifted - level[x];
                    level[x] = lifted;
                    queue.push({priority[x], e.to});
                }
        }
        pack(upLists, &h.upOffsets, &h.up);
        if (!symmetric)
            pack(downLists, &h.downOffsets, &h.down);
        return h;
    }

private:
    // Shortcuts that contracting v would add, each added unless `count` is given.
    void contract(int v, int *count)
    {
        const std::vector<Edge> &ins = g.in[std::size_t(v)];
        const std::vector<Edge> &outs = g.out[std::size_t(v)];
        for (std::size_t i = 0; i < ins.size() && !symmetric; ++i) {
            const Edge into = ins[i];
            double farthest = 0;
            int wanted = 0;
            witness.clearWanted();
            for (const Edge &e : outs)
                if (e.to != into.to) {
                    farthest = std::max(farthest, into.time + e.time);
                    witness.setWanted(e.to);
                    ++wanted;
                }
            if (wanted == 0)
                continue;
            witness.run(g, into.to, v, farthest, wanted,
                        count ? kEstimateSettled : kWitnessSettled);
            for (std::size_t o = 0; o < outs.size(); ++o) {
                const Edge e = outs[o];
                const double via = into.time + e.time;
                if (e.to == into.to || witness.at(e.to) <= via)
                    continue;
                if (count)
                    ++*count;
                else
                    g.add(into.to, e.to, via);
            }
        }
        // Where every road goes both ways, each pair of neighbours is searched once, and its
        // shortcut made both ways: half the searches, and the arcs down are the arcs up.
        for (std::size_t i = 0; i < outs.size() && symmetric; ++i) {
            const Edge from = outs[i];
            double farthest = 0;
            witness.clearWanted();
            for (std::size_t j = i + 1; j < outs.size(); ++j) {
                farthest = std::max(farthest, from.time + outs[j].time);
                witness.setWanted(outs[j].to);
            }
            if (i + 1 >= outs.size())
                continue;
            witness.run(g, from.to, v, farthest, int(outs.size() - i - 1),
                        count ? kEstimateSettled : kWitnessSettled);
            for (std::size_t j = i + 1; j < outs.size(); ++j) {
                const Edge e = outs[j];
                const double via = from.time + e.time;
                if (witness.at(e.to) <= via)
                    continue;
                if (count) {
                    *count += 2;
                } else {
                    g.add(from.to, e.to, via);
                    g.add(e.to, from.to, via);
                }
            }
        }
        if (count)
            return;
        // The node leaves the graph; its arcs stay as the hierarchy's.
        upLists[std::size_t(v)] = std::move(g.out[std::size_t(v)]);
        if (!symmetric)
            downLists[std::size_t(v)] = std::move(g.in[std::size_t(v)]);
        else
            for (const Edge &e : upLists[std::size_t(v)])
                g.drop(g.out[std::size_t(e.to)], v);
        for (const Edge &e : upLists[std::size_t(v)])
            g.drop(g.in[std::size_t(e.to)], v);
        for (const Edge &e : downLists[std::size_t(v)])
            g.drop(g.out[std::size_t(e.to)], v);
        g.out[std::size_t(v)] = {};
        g.in[std::size_t(v)] = {};
        contracted[std::size_t(v)] = 1;
    }

    // Few shortcuts for the arcs taken away first; then nodes whose neighbours went, and low
    // levels, so that the contraction spreads over the graph.
    long long priorityOf(int v)
    {
        int added = 0;
        contract(v, &added);
        const auto removed =
            static_cast<long long>(g.in[std::size_t(v)].size() + g.out[std::size_t(v)].size());
        return 4 * (added - removed) + 2 * deleted[std::size_t(v)] + level[std::size_t(v)];
    }

    static void pack(std::vector<std::vector<Edge>> &lists, std::vector<std::int64_t> *offsets,
                     std::vector<Network::Arc> *arcs)
    {
        offsets->assign(lists.size() + 1, 0);
        std::size_t total = 0;
        for (const auto &list : lists)
            total += list.size();
        arcs->reserve(total);
        for (std::size_t v = 0; v < lists.size(); ++v) {
            std::sort(lists[v].begin(), lists[v].end(),
                      [](const Edge &a, const Edge &b) { return a.to < b.to; });
            for (const Edge &e : lists[v])
                arcs->push_back({e.to, e.time});
            (*offsets)[v + 1] = std::int64_t(arcs->size());
            lists[v] = {};
        }
    }

    int nodes;
    bool symmetric; // no shared names: each arc goes both ways, at the same time
    long long baseArcs = 0;
    Remaining g;
    Witness witness;
    std::vector<long long> deleted, level, priority;
    std::vector<char> contracted;
    std::vector<std::vector<Edge>> upLists, downLists;
};

bool validSide(const std::vector<std::int64_t> &offsets, const std::vector<Network::Arc> &arcs,
               const std::vector<std::int32_t> &rank)
{
    const std::size_t nodes = rank.size();
    if (offsets.size() != nodes + 1 || offsets.front() != 0 ||
        offsets.back() != std::int64_t(arcs.size()))
        return false;
    // Ascending from 0 to the arcs' count, before any arc is looked up through them.
    for (std::size_t v = 0; v < nodes; ++v)
        if (offsets[v] > offsets[v + 1])
            return false;
    for (std::size_t v = 0; v < nodes; ++v) {
        for (std::int64_t k = offsets[v]; k < offsets[v + 1]; ++k) {
            const Network::Arc &a = arcs[std::size_t(k)];
            if (a.to < 0 || std::size_t(a.to) >= nodes || !(a.time >= 0 && a.time < inf) ||
                rank[std::size_t(a.to)] <= rank[v])
                return false;
        }
    }
    return true;
}

} // namespace

Hierarchy Hierarchy::build(const Network &net, const std::atomic<bool> *cancel,
                           long long workBudget)
{
    return Builder(net).run(cancel, workBudget);
}

bool Hierarchy::valid(int nodes) const
{
    if (int(rank.size()) != nodes)
        return false;
    for (std::int32_t r : rank)
        if (r < 0 || r >= nodes)
            return false;
    return validSide(upOffsets, up, rank) &&
           ((downOffsets.empty() && down.empty()) || validSide(downOffsets, down, rank));
}
