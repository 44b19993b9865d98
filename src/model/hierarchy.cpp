#include "hierarchy.h"
#include "infinity.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <queue>

namespace {

// A witness search stops after this many nodes: a shortcut too many is harmless, a search per
// pair of a crowded node's neighbours is not. (200 made more shortcuts on grids, whose core
// then grew crowded: their build took a fifth longer; road-like networks build as fast.)
constexpr int kWitnessSettled = 1000;
// Witness searches for more nodes than this keep the longest time through as their bound.
constexpr std::size_t kSortedTargets = 64;
// Estimating a node's shortcuts needs less.
constexpr int kEstimateSettled = 10;
// Where contracting costs more than this many arcs looked at per arc of the network, beyond a
// second's worth that any network may take, the hierarchy is given up: searches go on without
// it. Road-like networks take 100 to 300, towns of streets and grids of equal times about 1,200.
constexpr long long kWorkPerArc = 1500;
constexpr long long kWorkAnyway = 20'000'000;
// Nor more than this in all (half a minute or so) where someone waits for it (gpsroute's first
// run on a network); a build that nobody waits for goes on (see unhurriedBudget).
constexpr long long kWorkAtMost = 2'500'000'000;

struct Edge
{
    std::int32_t to;
    double time;
};

// The graph still to contract: per node, arcs out and in among the nodes left (in: not kept
// where every arc goes both ways).
struct Remaining
{
    std::vector<std::vector<Edge>> out, in;
    bool symmetric = false;

    long long scanned = 0; // arcs looked at by add() and drop(), for the budget

    // An arc u -> x, or a shorter time for the one there.
    void add(int u, int x, double time)
    {
        auto set = [this](std::vector<Edge> &list, int to, double t) {
            scanned += static_cast<long long>(list.size());
            for (Edge &e : list)
                if (e.to == to) {
                    e.time = std::min(e.time, t);
                    return;
                }
            list.push_back({std::int32_t(to), t});
        };
        set(out[std::size_t(u)], x, time);
        if (!symmetric)
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

// Searches for ways between neighbours of a node that avoid it, each at most as long as the
// way through it.
class Witness
{
public:
    explicit Witness(int nodes)
        : wantStamp(std::size_t(nodes), 0), wantVia(std::size_t(nodes), 0),
          dist(std::size_t(nodes), kInf)
    {
    }

    // The nodes the next search looks for, each with the time through the node left out.
    void clearWanted()
    {
        targets.clear();
        if (++stamp == 0) {
            std::fill(wantStamp.begin(), wantStamp.end(), 0);
            stamp = 1;
        }
    }
    void setWanted(int v, double via)
    {
        wantStamp[std::size_t(v)] = stamp;
        wantVia[std::size_t(v)] = via;
        targets.push_back({via, v});
        ++work; // a node of thousands of neighbours costs as much before any search
    }

    // Until each wanted node is reached within its time, or no way left can be, or the search
    // has settled `limit` nodes.
    void run(const Remaining &g, int from, int avoid, int limit)
    {
        for (int v : touched)
            dist[std::size_t(v)] = kInf;
        touched.clear();
        heap.clear();
        // Longest first: the bound is the longest time through of the nodes not yet reached
        // (for many targets, the longest of all: sorting them would cost more than it saves).
        if (targets.size() <= kSortedTargets)
            std::sort(targets.begin(), targets.end(), std::greater<>());
        else
            std::swap(targets.front(), *std::max_element(targets.begin(), targets.end()));
        std::size_t open = 0;
        int left = int(targets.size());
        auto bound = [&] {
            while (open < targets.size() && targets.size() <= kSortedTargets &&
                   wantStamp[std::size_t(targets[open].second)] != stamp)
                ++open;
            return open < targets.size() ? targets[open].first : -kInf;
        };
        dist[std::size_t(from)] = 0;
        touched.push_back(from);
        heap.push_back({0, from});
        int settled = 0;
        while (!heap.empty() && settled < limit && left > 0) {
            std::pop_heap(heap.begin(), heap.end(), std::greater<>());
            const auto [d, v] = heap.back();
            heap.pop_back();
            if (d > dist[std::size_t(v)])
                continue;
            const double most = bound();
            if (d > most)
                break;
            ++settled;
            work += static_cast<long long>(g.out[std::size_t(v)].size());
            for (const Edge &e : g.out[std::size_t(v)]) {
                if (e.to == avoid)
                    continue;
                const double nd = d + e.time;
                double &old = dist[std::size_t(e.to)];
                if (nd < old && nd <= most) {
                    if (old == kInf)
                        touched.push_back(e.to);
                    old = nd;
                    // Reached within its time: a witness, whether or not this way is the
                    // shortest.
                    if (wantStamp[std::size_t(e.to)] == stamp && nd <= wantVia[std::size_t(e.to)]) {
                        wantStamp[std::size_t(e.to)] = 0;
                        if (--left == 0)
                            break;
                    }
                    heap.push_back({nd, e.to});
                    std::push_heap(heap.begin(), heap.end(), std::greater<>());
                }
            }
        }
    }
    bool wanting() const { return !targets.empty(); }
    double at(int v) const { return dist[std::size_t(v)]; }
    long long work = 0; // arcs looked at, all searches together

private:
    std::vector<std::uint32_t> wantStamp;
    std::uint32_t stamp = 0;
    std::vector<double> wantVia;
    std::vector<std::pair<double, int>> targets;
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
        g.symmetric = symmetric;
        g.out.resize(std::size_t(nodes));
        g.in.resize(symmetric ? 0 : std::size_t(nodes));
        // Numbered in breadth-first order, so that neighbours lie near each other in memory: on
        // a large network the searches otherwise wait on memory more than they work.
        newId.assign(std::size_t(nodes), -1);
        oldId.reserve(std::size_t(nodes));
        for (int start = 0; start < nodes; ++start) {
            if (newId[std::size_t(start)] >= 0)
                continue;
            std::size_t head = oldId.size();
            newId[std::size_t(start)] = std::int32_t(oldId.size());
            oldId.push_back(start);
            for (; head < oldId.size(); ++head)
                for (const Network::Arc *a = net.arcsBegin(oldId[head]);
                     a != net.arcsEnd(oldId[head]); ++a)
                    if (newId[std::size_t(a->to)] < 0) {
                        newId[std::size_t(a->to)] = std::int32_t(oldId.size());
                        oldId.push_back(a->to);
                    }
        }
        // Listed as they come, then the same arc twice kept once at its shorter time: add()
        // would look through a list per arc (a name shared by thousands of cities has a
        // list as long).
        for (int v = 0; v < nodes; ++v)
            for (const Network::Arc *a = net.arcsBegin(oldId[std::size_t(v)]);
                 a != net.arcsEnd(oldId[std::size_t(v)]); ++a) {
                const std::int32_t to = newId[std::size_t(a->to)];
                if (to != v) {
                    g.out[std::size_t(v)].push_back({to, a->time});
                    if (!symmetric)
                        g.in[std::size_t(to)].push_back({std::int32_t(v), a->time});
                }
            }
        for (auto *lists : {&g.out, &g.in}) // (in: empty where symmetric)
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

    Hierarchy run(const std::atomic<bool> *cancelled, long long workBudget)
    {
        cancel = cancelled;
        budget = workBudget >= 0 ? workBudget
                                 : std::min(kWorkPerArc * baseArcs + kWorkAnyway, kWorkAtMost);
        using Entry = std::pair<long long, int>;
        std::vector<Entry> first(static_cast<std::size_t>(nodes));
        for (int v = 0; v < nodes; ++v) {
            priority[std::size_t(v)] = priorityOf(v);
            first[std::size_t(v)] = {priority[std::size_t(v)], v};
            if (stopped())
                return Hierarchy();
        }
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue(std::greater<>(),
                                                                             std::move(first));
        Hierarchy h;
        h.rank.assign(std::size_t(nodes), 0);
        upLists.resize(std::size_t(nodes));
        downLists.resize(std::size_t(nodes));
        int next = 0;
        while (!queue.empty()) {
            const auto [p, v] = queue.top();
            queue.pop();
            if (contracted[std::size_t(v)])
                continue;
            // Each node in line once: raised meanwhile (below), it goes back at its new place.
            if (p < priority[std::size_t(v)]) {
                queue.push({priority[std::size_t(v)], v});
                continue;
            }
            // Lazy: a node whose priority has grown since goes back in line.
            const long long now = priorityOf(v);
            if (now > p && !queue.empty() && now > queue.top().first) {
                priority[std::size_t(v)] = now;
                queue.push({now, v});
                continue;
            }
            if (stopped())
                return Hierarchy();
            contract(v);
            if (stopped())
                return Hierarchy();
            h.rank[std::size_t(oldId[std::size_t(v)])] = next++;
            for (const auto *list : {&upLists[std::size_t(v)], &downLists[std::size_t(v)]})
                for (const Edge &e : *list) {
                    const auto x = std::size_t(e.to);
                    ++deleted[x];
                    const long long lifted = std::max(level[x], level[std::size_t(v)] + 1);
                    // The estimate made again only when the node comes up (see above).
                    priority[x] += 2 + lifted - level[x];
                    level[x] = lifted;
                }
        }
        pack(upLists, &h.upOffsets, &h.up);
        if (!symmetric)
            pack(downLists, &h.downOffsets, &h.down);
        return h;
    }

private:
    struct Shortcut
    {
        std::int32_t from, to;
        double time;
    };

    // The shortcuts between v's neighbours that the search from its i-th neighbour finds no
    // other way for: from the i-th arc into v where arcs go one way, else from the i-th arc out,
    // towards the later ones (each pair once).
    void searchFrom(int v, std::size_t i, int limit)
    {
        Witness &w = witness;
        const std::vector<Edge> &outs = g.out[std::size_t(v)];
        const Edge from = symmetric ? outs[i] : g.in[std::size_t(v)][i];
        const std::size_t first = symmetric ? i + 1 : 0;
        w.clearWanted();
        for (std::size_t j = first; j < outs.size(); ++j)
            if (outs[j].to != from.to)
                w.setWanted(outs[j].to, from.time + outs[j].time);
        if (!w.wanting())
            return;
        w.run(g, from.to, v, limit);
        w.work += static_cast<long long>(outs.size() - first);
        for (std::size_t j = first; j < outs.size(); ++j) {
            const double via = from.time + outs[j].time;
            if (outs[j].to != from.to && w.at(outs[j].to) > via)
                found.push_back({from.to, outs[j].to, via});
        }
    }

    // Cancelled, or over the budget: checked between searches, as a single node may have
    // thousands of neighbours.
    bool stopped() const
    {
        return (cancel && cancel->load(std::memory_order_relaxed)) ||
               witness.work + g.scanned > budget;
    }

    // How many shortcuts contracting v would add (found with shorter searches).
    long long estimate(int v)
    {
        const std::size_t searches =
            symmetric ? g.out[std::size_t(v)].size() : g.in[std::size_t(v)].size();
        long long count = 0;
        for (std::size_t i = 0; i < searches && !stopped(); ++i) {
            found.clear();
            searchFrom(v, i, kEstimateSettled);
            count += static_cast<long long>(found.size());
        }
        return symmetric ? 2 * count : count;
    }

    // Each shortcut added after its search, so that the later searches find their way through
    // it: fewer shortcuts.
    void contract(int v)
    {
        const std::size_t searches =
            symmetric ? g.out[std::size_t(v)].size() : g.in[std::size_t(v)].size();
        for (std::size_t i = 0; i < searches; ++i) {
            if (stopped())
                return; // the whole build is given up
            found.clear();
            searchFrom(v, i, kWitnessSettled);
            for (const Shortcut &s : found) {
                g.add(s.from, s.to, s.time);
                if (symmetric) // made both ways: the arcs down are the arcs up
                    g.add(s.to, s.from, s.time);
            }
        }
        // The node leaves the graph; its arcs stay as the hierarchy's.
        upLists[std::size_t(v)] = std::move(g.out[std::size_t(v)]);
        if (symmetric) {
            for (const Edge &e : upLists[std::size_t(v)])
                g.drop(g.out[std::size_t(e.to)], v);
        } else {
            downLists[std::size_t(v)] = std::move(g.in[std::size_t(v)]);
            for (const Edge &e : upLists[std::size_t(v)])
                g.drop(g.in[std::size_t(e.to)], v);
            for (const Edge &e : downLists[std::size_t(v)])
                g.drop(g.out[std::size_t(e.to)], v);
        }
        g.out[std::size_t(v)] = {};
        if (!symmetric)
            g.in[std::size_t(v)] = {};
        contracted[std::size_t(v)] = 1;
    }

    // Few shortcuts for the arcs taken away first; then nodes whose neighbours went, and low
    // levels, so that the contraction spreads over the graph.
    long long priorityOf(int v)
    {
        const long long added = estimate(v);
        const auto outs = static_cast<long long>(g.out[std::size_t(v)].size());
        const long long removed =
            symmetric ? 2 * outs : outs + static_cast<long long>(g.in[std::size_t(v)].size());
        return 4 * (added - removed) + 2 * deleted[std::size_t(v)] + level[std::size_t(v)];
    }

    // In the network's numbering again.
    void pack(std::vector<std::vector<Edge>> &lists, std::vector<std::int64_t> *offsets,
              std::vector<Network::Arc> *arcs) const
    {
        offsets->assign(lists.size() + 1, 0);
        std::size_t total = 0;
        for (const auto &list : lists)
            total += list.size();
        arcs->reserve(total);
        for (std::size_t v = 0; v < lists.size(); ++v) {
            std::vector<Edge> &list = lists[std::size_t(newId[v])];
            for (Edge &e : list)
                e.to = oldId[std::size_t(e.to)];
            std::sort(list.begin(), list.end(),
                      [](const Edge &a, const Edge &b) { return a.to < b.to; });
            for (const Edge &e : list)
                arcs->push_back({e.to, e.time});
            (*offsets)[v + 1] = std::int64_t(arcs->size());
            list = std::vector<Edge>(); // (= {} would keep its memory)
        }
    }

    int nodes;
    bool symmetric; // no shared names: each arc goes both ways, at the same time
    long long baseArcs = 0;
    Remaining g;
    Witness witness;
    std::vector<Shortcut> found; // by the last search
    const std::atomic<bool> *cancel = nullptr;
    long long budget = 0;
    std::vector<long long> deleted, level, priority;
    std::vector<char> contracted;
    std::vector<std::vector<Edge>> upLists, downLists;
    std::vector<std::int32_t> newId, oldId; // the network's node numbers and the builder's
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
            if (a.to < 0 || std::size_t(a.to) >= nodes || !(a.time >= 0 && a.time < kInf) ||
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

long long Hierarchy::unhurriedBudget(const Network &net)
{
    const int nodes = net.nodeCount();
    const long long arcs = nodes > 0 ? net.arcsEnd(nodes - 1) - net.arcsBegin(0) : 0;
    return kWorkPerArc * std::max<long long>(arcs, nodes) + kWorkAnyway;
}

// (Here, not beside the network: the network knows of a hierarchy only that it may have one.)
void Network::buildHierarchy(long long workBudget)
{
    if (hierarchy())
        return;
    auto made = std::make_shared<const Hierarchy>(Hierarchy::build(*this, nullptr, workBudget));
    const long long unhurried = Hierarchy::unhurriedBudget(*this);
    buildLeft = made->empty() && (workBudget >= 0 ? workBudget < unhurried
                                                  : std::min(unhurried, kWorkAtMost) < unhurried);
    if (!made->empty())
        speedUp.set(std::move(made));
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
