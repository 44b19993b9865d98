#pragma once

// What building the hierarchy works on: the graph still to contract and the witness searches
// between a node's neighbours (one a thread).

#include "infinity.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace hierarchybuild {

// Witness searches for more nodes than this keep the longest time through as their bound.
inline constexpr std::size_t kSortedTargets = 64;

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

    // An arc to `to` in `list`, or a shorter time for the one there; `scanned` counts the arcs
    // looked at, for the budget.
    static void set(std::vector<Edge> &list, int to, double time, long long &scanned)
    {
        scanned += static_cast<long long>(list.size());
        for (Edge &e : list)
            if (e.to == to) {
                e.time = std::min(e.time, time);
                return;
            }
        list.push_back({std::int32_t(to), time});
    }
    static void drop(std::vector<Edge> &list, int to, long long &scanned)
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
        forget();
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
    // Nodes kept out of the searches until open() (those of a round, which leave together):
    // they read as reached at time 0, so no search enters them, at no cost to look them up.
    void shut(const std::vector<int> &nodes)
    {
        forget(); // (else the next search would open those it had reached)
        for (int v : nodes)
            dist[std::size_t(v)] = 0;
    }
    void open(const std::vector<int> &nodes)
    {
        for (int v : nodes)
            dist[std::size_t(v)] = kInf;
    }
    bool wanting() const { return !targets.empty(); }
    // The last search's times gone.
    void forget()
    {
        for (int v : touched)
            dist[std::size_t(v)] = kInf;
        touched.clear();
    }
    double at(int v) const { return dist[std::size_t(v)]; }
    long long work = 0;             // arcs looked at, all searches together
    std::atomic<long long> told{0}; // the same, for the other threads' budget checks

private:
    std::vector<std::uint32_t> wantStamp;
    std::uint32_t stamp = 0;
    std::vector<double> wantVia;
    std::vector<std::pair<double, int>> targets;
    std::vector<double> dist;
    std::vector<int> touched;
    std::vector<std::pair<double, int>> heap;
};

} // namespace hierarchybuild
