#pragma once

#include "infinity.h"
#include "network.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

// The searches' one Dijkstra, for Network's rows and the searches of searches.h alike.

inline constexpr double kUnreached = kInf;

// One Dijkstra at a time over the whole graph, its arrays reused from search to search: only
// the nodes a search touched are reset.
class Searcher
{
public:
    explicit Searcher(const Network &net)
        : net(net), dist(std::size_t(net.nodeCount()), kUnreached),
          done(std::size_t(net.nodeCount()), 0)
    {
    }

    // Settles nodes nearest first from `from`; `settled(node, time)` returns false to stop.
    // Nothing is settled beyond `limit`.
    template <typename Settled> void run(int from, double limit, Settled settled)
    {
        reset();
        dist[from] = 0.0;
        touched.push_back(from);
        heap.push_back({0.0, from});
        while (!heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), std::greater<>());
            const Item top = heap.back();
            heap.pop_back();
            if (done[top.v])
                continue;
            if (top.d > limit)
                break;
            done[top.v] = 1;
            if (!settled(top.v, top.d))
                break;
            for (const Network::Arc *a = net.arcsBegin(top.v), *end = net.arcsEnd(top.v); a != end;
                 ++a) {
                const double d = top.d + a->time;
                if (d < dist[a->to]) {
                    if (dist[a->to] == kUnreached)
                        touched.push_back(a->to);
                    dist[a->to] = d;
                    heap.push_back({d, a->to});
                    std::push_heap(heap.begin(), heap.end(), std::greater<>());
                }
            }
        }
    }

private:
    struct Item
    {
        double d;
        std::int32_t v;
        bool operator>(const Item &o) const { return d > o.d; }
    };
    void reset()
    {
        for (int v : touched) {
            dist[std::size_t(v)] = kUnreached;
            done[std::size_t(v)] = 0;
        }
        touched.clear();
        heap.clear();
    }

    const Network &net;
    std::vector<double> dist;
    std::vector<char> done;
    std::vector<int> touched;
    std::vector<Item> heap;
};
