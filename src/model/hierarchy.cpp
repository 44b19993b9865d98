#include "hierarchy.h"
#include "hierarchywitness.h"
#include "infinity.h"
#include "workers.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <thread>
#include <tuple>

namespace {

using namespace hierarchybuild;

// A witness search stops after this many nodes: a shortcut too many is harmless, a search per
// pair of a crowded node's neighbours is not. (200 made more shortcuts on grids, whose core
// then grew crowded: their build took a fifth longer; road-like networks build as fast.)
constexpr int kWitnessSettled = 1000;
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
// Rounds of fewer nodes than this a thread share out their searches one by one.
constexpr std::size_t kFewNodes = 16;
// Nodes a thread takes at a time where each takes little work.
constexpr std::size_t kChunk = 4096;
// Each thread has arrays as long as the network (20 bytes a node).
constexpr int kThreadsAtMost = 4;

class Builder
{
public:
    Builder(const Network &net, int threads)
        : nodes(net.nodeCount()), symmetric(net.nodeCount() == net.size()), crew(threads),
          gone(std::size_t(nodes), 0), deleted(std::size_t(nodes), 0), level(std::size_t(nodes), 0),
          priority(std::size_t(nodes), 0), stale(std::size_t(nodes), 0)
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

    // In rounds: the nodes that come before all their neighbours are contracted together, each
    // on one of the crew's threads. The hierarchy does not depend on how many threads there are.
    Hierarchy run(const std::atomic<bool> *cancelled, long long workBudget)
    {
        cancel = cancelled;
        budget = workBudget >= 0 ? workBudget
                                 : std::min(kWorkPerArc * baseArcs + kWorkAnyway, kWorkAtMost);
        for (int t = 0; t < crew.size(); ++t)
            workers.push_back(std::make_unique<Worker>(nodes));
        crew.run(std::size_t(nodes), [this](int t, std::size_t v) {
            if (!stopped())
                priority[v] = priorityOf(int(v), *workers[std::size_t(t)]);
        });
        if (stopped())
            return Hierarchy();
        Hierarchy h;
        h.rank.assign(std::size_t(nodes), 0);
        upLists.resize(std::size_t(nodes));
        downLists.resize(std::size_t(nodes));
        std::vector<int> left(static_cast<std::size_t>(nodes));
        for (int v = 0; v < nodes; ++v)
            left[std::size_t(v)] = v;
        std::vector<int> picked, asked;
        std::vector<std::int32_t> counts;
        int next = 0;
        while (!left.empty()) {
            picked.clear();
            comesFirst.assign(left.size(), 0);
            crew.run(chunks(left.size()), [&](int, std::size_t c) {
                for (std::size_t i = c * kChunk; i < std::min(left.size(), (c + 1) * kChunk); ++i)
                    comesFirst[i] = first(left[i]);
            });
            for (std::size_t i = 0; i < left.size(); ++i)
                if (comesFirst[i])
                    picked.push_back(left[i]);
            // Lazy: a node whose neighbours went since its estimate is estimated again, and
            // waits where it no longer comes first.
            asked.clear();
            for (int v : picked)
                if (stale[std::size_t(v)])
                    asked.push_back(v);
            planSearches(asked);
            counts.assign(items(), 0);
            crew.run(items(), [&](int t, std::size_t item) {
                Worker &w = *workers[std::size_t(t)];
                w.found.clear();
                const auto [k, from, to] = searchesAt(item);
                for (std::size_t i = from; i < to && !stopped(); ++i)
                    searchFrom(asked[k], i, kEstimateSettled, w, w.found);
                counts[item] = std::int32_t(w.found.size());
            });
            if (stopped())
                return Hierarchy();
            for (std::size_t k = 0; k < asked.size(); ++k) {
                long long added = 0;
                for (std::size_t item = itemsOf(k).first; item < itemsOf(k).second; ++item)
                    added += counts[item];
                priority[std::size_t(asked[k])] = priorityFrom(asked[k], added);
                stale[std::size_t(asked[k])] = 0;
            }
            picked.erase(
                std::remove_if(picked.begin(), picked.end(), [this](int v) { return !first(v); }),
                picked.end());
            // The witnesses keep off every node of the round: each leaves with the others.
            for (int v : picked)
                gone[std::size_t(v)] = 1;
            for (auto &w : workers)
                w->witness.shut(picked);
            planSearches(picked);
            found.assign(items(), {});
            for (auto &w : workers)
                w->kept.clear();
            crew.run(items(), [&](int t, std::size_t item) {
                Worker &w = *workers[std::size_t(t)];
                const std::size_t before = w.kept.size();
                const auto [k, from, to] = searchesAt(item);
                for (std::size_t i = from; i < to; ++i) {
                    if (stopped())
                        return; // the whole build is given up
                    searchFrom(picked[k], i, kWitnessSettled, w, w.kept);
                }
                found[item] = {t, before, w.kept.size()};
            });
            for (auto &w : workers)
                w->witness.open(picked);
            if (stopped())
                return Hierarchy();
            // The nodes leave the graph; their arcs stay as the hierarchy's.
            for (int v : picked) {
                upLists[std::size_t(v)] = std::move(g.out[std::size_t(v)]);
                g.out[std::size_t(v)] = {};
                if (!symmetric) {
                    downLists[std::size_t(v)] = std::move(g.in[std::size_t(v)]);
                    g.in[std::size_t(v)] = {};
                }
                h.rank[std::size_t(oldId[std::size_t(v)])] = next++;
            }
            // Each thread changes the lists of its own share of the nodes, in the round's order:
            // they come out as they would one contraction after the other.
            listWork.assign(std::size_t(crew.size()), 0);
            crew.run(listWork.size(), [&](int, std::size_t share) {
                listWork[share] = contract(picked, share, listWork.size());
            });
            for (long long w : listWork)
                scanned += w;
            left.erase(std::remove_if(left.begin(), left.end(),
                                      [this](int v) { return gone[std::size_t(v)] != 0; }),
                       left.end());
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
    struct Worker
    {
        explicit Worker(int nodes) : witness(nodes) {}
        Witness witness;
        std::vector<Shortcut> found; // by the last estimate's search
        std::vector<Shortcut> kept;  // by this thread's searches of the round's contractions
    };
    // Where the shortcuts of a search of the round's contractions were kept.
    struct Found
    {
        int worker = 0;
        std::size_t begin = 0, end = 0;
    };

    // A round of a few nodes shares out their searches one by one, not a node's at a time: a
    // round of a few crowded nodes then keeps every thread busy too (a round of many nodes
    // keeps them busy anyway, and handing out each search costs more than small ones take).
    // Where shared out one by one, the k-th node's i-th search is item firstSearch[k] + i.
    std::size_t searchesOf(int v) const
    {
        return symmetric ? g.out[std::size_t(v)].size() : g.in[std::size_t(v)].size();
    }
    void planSearches(const std::vector<int> &of)
    {
        firstSearch.assign(of.size() + 1, 0);
        for (std::size_t k = 0; k < of.size(); ++k)
            firstSearch[k + 1] = firstSearch[k] + searchesOf(of[k]);
        bySearch = of.size() < kFewNodes * std::size_t(crew.size());
    }
    std::size_t items() const { return bySearch ? firstSearch.back() : firstSearch.size() - 1; }
    std::pair<std::size_t, std::size_t> itemsOf(std::size_t k) const
    {
        return bySearch ? std::pair{firstSearch[k], firstSearch[k + 1]} : std::pair{k, k + 1};
    }
    // The node of an item, and its searches from..to.
    std::tuple<std::size_t, std::size_t, std::size_t> searchesAt(std::size_t item) const
    {
        if (!bySearch)
            return {item, 0, firstSearch[item + 1] - firstSearch[item]};
        const auto k = std::size_t(std::upper_bound(firstSearch.begin(), firstSearch.end(), item) -
                                   firstSearch.begin() - 1);
        return {k, item - firstSearch[k], item - firstSearch[k] + 1};
    }

    // Before each neighbour in the order of contraction: a lower priority, ties broken by a
    // hash of the node (its number would make neighbours wait on each other in a row).
    bool before(int v, int x) const
    {
        const long long pv = priority[std::size_t(v)], px = priority[std::size_t(x)];
        if (pv != px)
            return pv < px;
        const std::uint32_t hv = scramble(v), hx = scramble(x);
        return hv != hx ? hv < hx : v < x;
    }
    static std::uint32_t scramble(int v)
    {
        std::uint32_t x = std::uint32_t(v) * 0x9E3779B1u;
        x ^= x >> 15;
        return x * 0x85EBCA77u;
    }
    bool first(int v) const
    {
        for (const Edge &e : g.out[std::size_t(v)])
            if (!before(v, e.to))
                return false;
        if (!symmetric)
            for (const Edge &e : g.in[std::size_t(v)])
                if (!before(v, e.to))
                    return false;
        return true;
    }

    // The shortcuts between v's neighbours that the search from its i-th neighbour finds no
    // other way for: from the i-th arc into v where arcs go one way, else from the i-th arc out,
    // towards the later ones (each pair once).
    void searchFrom(int v, std::size_t i, int limit, Worker &worker, std::vector<Shortcut> &into)
    {
        Witness &w = worker.witness;
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
        w.told.store(w.work, std::memory_order_relaxed);
        for (std::size_t j = first; j < outs.size(); ++j) {
            const double via = from.time + outs[j].time;
            if (outs[j].to != from.to && w.at(outs[j].to) > via)
                into.push_back({from.to, outs[j].to, via});
        }
    }

    // Cancelled, or over the budget: checked between searches, as a single node may have
    // thousands of neighbours.
    bool stopped() const
    {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return true;
        long long spent = scanned;
        for (const auto &w : workers)
            spent += w->witness.told.load(std::memory_order_relaxed);
        return spent > budget;
    }

    // How many shortcuts contracting v would add (found with shorter searches).
    long long estimate(int v, Worker &worker)
    {
        worker.found.clear();
        for (std::size_t i = 0; i < searchesOf(v) && !stopped(); ++i)
            searchFrom(v, i, kEstimateSettled, worker, worker.found);
        return static_cast<long long>(worker.found.size());
    }

    // The round's changes to the lists of nodes x with x % shares == share: the shortcuts that
    // the searches of each node found, in their order, each node taken out of its neighbours'
    // lists, and their priorities raised. Returns the arcs looked at.
    long long contract(const std::vector<int> &round, std::size_t share, std::size_t shares)
    {
        long long work = 0;
        const auto mine = [&](int x) { return std::size_t(x) % shares == share; };
        for (std::size_t k = 0; k < round.size(); ++k) {
            const int v = round[k];
            for (std::size_t item = itemsOf(k).first; item < itemsOf(k).second; ++item) {
                const Found &at = found[item];
                const std::vector<Shortcut> &kept = workers[std::size_t(at.worker)]->kept;
                for (std::size_t n = at.begin; n < at.end; ++n) {
                    const Shortcut &s = kept[n];
                    if (mine(s.from))
                        Remaining::set(g.out[std::size_t(s.from)], s.to, s.time, work);
                    // Where arcs go both ways, made both ways: the arcs down are the arcs up.
                    if (mine(s.to))
                        Remaining::set(symmetric ? g.out[std::size_t(s.to)]
                                                 : g.in[std::size_t(s.to)],
                                       s.from, s.time, work);
                }
            }
            for (const Edge &e : upLists[std::size_t(v)])
                if (mine(e.to))
                    Remaining::drop(symmetric ? g.out[std::size_t(e.to)] : g.in[std::size_t(e.to)],
                                    v, work);
            for (const Edge &e : downLists[std::size_t(v)]) // (none where symmetric)
                if (mine(e.to))
                    Remaining::drop(g.out[std::size_t(e.to)], v, work);
            for (const auto *list : {&upLists[std::size_t(v)], &downLists[std::size_t(v)]})
                for (const Edge &e : *list) {
                    if (!mine(e.to))
                        continue;
                    const auto x = std::size_t(e.to);
                    ++deleted[x];
                    const long long lifted = std::max(level[x], level[std::size_t(v)] + 1);
                    // The estimate made again only when the node comes first (see run()).
                    priority[x] += 2 + lifted - level[x];
                    level[x] = lifted;
                    stale[x] = 1;
                }
        }
        return work;
    }

    // Few shortcuts for the arcs taken away first; then nodes whose neighbours went, and low
    // levels, so that the contraction spreads over the graph.
    long long priorityOf(int v, Worker &worker) { return priorityFrom(v, estimate(v, worker)); }
    long long priorityFrom(int v, long long shortcuts)
    {
        const long long added = symmetric ? 2 * shortcuts : shortcuts;
        const auto outs = static_cast<long long>(g.out[std::size_t(v)].size());
        const long long removed =
            symmetric ? 2 * outs : outs + static_cast<long long>(g.in[std::size_t(v)].size());
        return 4 * (added - removed) + 2 * deleted[std::size_t(v)] + level[std::size_t(v)];
    }

    // In the network's numbering again.
    void pack(std::vector<std::vector<Edge>> &lists, std::vector<std::int64_t> *offsets,
              std::vector<Network::Arc> *arcs)
    {
        offsets->assign(lists.size() + 1, 0);
        for (std::size_t v = 0; v < lists.size(); ++v)
            (*offsets)[v + 1] = (*offsets)[v] + std::int64_t(lists[std::size_t(newId[v])].size());
        arcs->resize(std::size_t(offsets->back()));
        crew.run(chunks(lists.size()), [&](int, std::size_t c) {
            for (std::size_t v = c * kChunk; v < std::min(lists.size(), (c + 1) * kChunk); ++v) {
                std::vector<Edge> &list = lists[std::size_t(newId[v])];
                for (Edge &e : list)
                    e.to = oldId[std::size_t(e.to)];
                std::sort(list.begin(), list.end(),
                          [](const Edge &a, const Edge &b) { return a.to < b.to; });
                auto at = std::size_t((*offsets)[v]);
                for (const Edge &e : list)
                    (*arcs)[at++] = {e.to, e.time};
                list = std::vector<Edge>(); // (= {} would keep its memory)
            }
        });
    }
    // Work on every node shared out in chunks, each worth a thread's handing it out.
    static std::size_t chunks(std::size_t count) { return (count + kChunk - 1) / kChunk; }

    int nodes;
    bool symmetric; // no shared names: each arc goes both ways, at the same time
    long long baseArcs = 0;
    Remaining g;
    Crew crew;
    std::vector<std::unique_ptr<Worker>> workers; // one a thread
    const std::atomic<bool> *cancel = nullptr;
    long long budget = 0;
    std::vector<char> gone; // contracted, or in the round being contracted
    std::vector<long long> deleted, level, priority;
    std::vector<char> stale; // neighbours contracted since the priority was estimated
    std::vector<std::vector<Edge>> upLists, downLists;
    std::vector<char> comesFirst;         // of the nodes left, in their order
    std::vector<std::size_t> firstSearch; // see planSearches()
    long long scanned = 0;                // arcs looked at changing the lists, for the budget
    std::vector<long long> listWork;      // the same, by each share of the last round
    bool bySearch = false;
    std::vector<Found> found;               // by each search of the round's contractions
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
                           long long workBudget, int threads)
{
    if (threads <= 0)
        threads =
            int(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(kThreadsAtMost)));
    return Builder(net, threads).run(cancel, workBudget);
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
