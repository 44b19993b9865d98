#pragma once

#include "network.h"
#include "zeroedarray.h"

#include <atomic>
#include <cstdint>
#include <vector>

// Shortcuts over a network's graph that give its exact shortest times in a small part of a
// search's work. Nodes are ranked, least important first; contracting a node replaces the ways
// through it by shortcuts between its neighbours where no other way is as short. Every shortest
// time is then that of a way that climbs the ranks and comes down again, so a search from each
// end only climbs.
//
// It gives times only: routes are still picked by the network's own search (RouteFinder), which
// these times let skip every node that lies on no shortest route.
class Hierarchy
{
public:
    using Arc = Network::Arc;

    // Built from the network's graph (nodeCount() nodes); empty when `cancel` is set meanwhile,
    // or where it would cost many times the network's size to build (equal times everywhere):
    // beyond `workBudget` arcs looked at, when given (not negative), else a budget that grows
    // with the network. On `threads` threads (0: the machine's cores, up to 4); the same
    // hierarchy on any number.
    static Hierarchy build(const Network &net, const std::atomic<bool> *cancel = nullptr,
                           long long workBudget = -1, int threads = 0);
    // The budget of a build that nobody waits for (behind the window): the one that grows with
    // the network, without the bound of half a minute or so set where someone does.
    static long long unhurriedBudget(const Network &net);

    bool empty() const { return rank.empty(); }
    int nodeCount() const { return int(rank.size()); }
    // Arcs from `at` to nodes of higher rank, and arcs into `at` from nodes of higher rank (`to`
    // the node they come from), each list sorted by `to`.
    const Arc *upBegin(int at) const { return up.data() + upOffsets[at]; }
    const Arc *upEnd(int at) const { return up.data() + upOffsets[at + 1]; }
    const Arc *downBegin(int at) const
    {
        return downOffsets.empty() ? upBegin(at) : down.data() + downOffsets[at];
    }
    const Arc *downEnd(int at) const
    {
        return downOffsets.empty() ? upEnd(at) : down.data() + downOffsets[at + 1];
    }
    std::size_t arcCount() const { return up.size() + down.size(); }

    // Whether these arrays make a hierarchy over `nodes` nodes that searches can walk: ranks in
    // range, arcs within the nodes, of usable times, each climbing (an image may hold any bytes).
    bool valid(int nodes) const;

    std::vector<std::int32_t> rank;
    std::vector<std::int64_t> upOffsets, downOffsets;
    std::vector<Arc> up, down; // down empty where every arc goes both ways: the arcs up serve
};

// Shortest times to one target, from any node: one search down from the target, then each node's
// time worked out once, from the nodes above it.
class TimesTo
{
public:
    explicit TimesTo(const Hierarchy &h);
    // Has the system hand over all of its arrays now rather than page by page as searches
    // first reach them (see ZeroedArray): the first search then runs as fast as the next.
    void makeReady();
    void setTarget(int target);
    double from(int node);

private:
    const Hierarchy &h;
    // Each read only where its stamp is this target's, so none is made beforehand.
    ZeroedArray<double> below; // the search from the target: time from node to target
    ZeroedArray<double> known; // from(node), once worked out
    ZeroedArray<std::uint32_t> belowStamp, knownStamp;
    std::uint32_t stamp = 0;
    std::vector<std::pair<int, const Network::Arc *>> stack;
    struct Item
    {
        double d;
        std::int32_t v;
        bool operator>(const Item &o) const { return d > o.d; }
    };
    std::vector<Item> heap;
};

// The shortest times from each source node to each target node (row per source), by one climb
// from every target and one from every source, on up to `threads` threads.
std::vector<std::vector<double>> hierarchyTable(const Hierarchy &h, const std::vector<int> &sources,
                                                const std::vector<int> &targets, int threads);
