#pragma once

// The searches on the road graph: what one finds from a place, and the search itself.

#include "infinity.h"
#include "osmnet.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

namespace osmnet::detail {

constexpr double kNoTime = kInf;

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

} // namespace osmnet::detail
