#include "searches.h"
#include "hierarchy.h"
#include "infinity.h"
#include "workers.h"

#include "searcher.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

std::vector<Reached> reachFrom(const Network &net, int from, double limit)
{
    std::vector<Reached> reached;
    if (from < 0 || from >= net.size() || !(limit >= 0))
        return reached;
    Searcher search(net);
    search.run(from, limit, [&](int node, double time) {
        if (net.isCity(node))
            reached.push_back({node, time});
        return true;
    });
    // Settled nearest first already; ties come in the heap's order, so put those in list order.
    std::stable_sort(reached.begin() + 1, reached.end(), [](const Reached &a, const Reached &b) {
        return a.time != b.time ? a.time < b.time : a.city < b.city;
    });
    return reached;
}

std::vector<std::vector<double>> timesBetween(const Network &net, const std::vector<int> &sources,
                                              const std::vector<int> &targets, int threads)
{
    const int n = net.size();
    auto inside = [n](int city) { return city >= 0 && city < n; };
    if (const Hierarchy *h = net.hierarchy(); h && n > 0) {
        // Positions out of range stand in as the first city, then read NaN.
        auto clamped = [&](std::vector<int> cities) {
            for (int &c : cities)
                c = inside(c) ? c : 0;
            return cities;
        };
        std::vector<std::vector<double>> table =
            hierarchyTable(*h, clamped(sources), clamped(targets), threads);
        for (std::size_t r = 0; r < sources.size(); ++r)
            for (std::size_t c = 0; c < targets.size(); ++c) {
                if (!inside(sources[r]) || !inside(targets[c]))
                    table[r][c] = std::numeric_limits<double>::quiet_NaN();
                else if (sources[r] == targets[c])
                    table[r][c] = net.roundTrip(sources[r]);
            }
        return table;
    }
    std::vector<std::vector<double>> table(sources.size(),
                                           std::vector<double>(targets.size(), kInf));
    // Where each target's column is (a city may be asked for more than once).
    std::vector<int> firstColumn(std::size_t(n), -1);
    std::vector<int> nextColumn(targets.size(), -1);
    int distinctTargets = 0;
    for (std::size_t c = targets.size(); c-- > 0;) {
        if (!inside(targets[c]))
            continue;
        int &first = firstColumn[std::size_t(targets[c])];
        if (first < 0)
            ++distinctTargets;
        nextColumn[c] = first;
        first = int(c);
    }

    auto fillRow = [&](Searcher &search, std::size_t r) {
        std::vector<double> &row = table[r];
        const int from = sources[r];
        if (!inside(from)) {
            std::fill(row.begin(), row.end(), std::numeric_limits<double>::quiet_NaN());
            return;
        }
        int left = distinctTargets;
        if (left > 0)
            search.run(from, kInf, [&](int node, double time) {
                if (!net.isCity(node) || firstColumn[std::size_t(node)] < 0)
                    return true;
                for (int c = firstColumn[std::size_t(node)]; c >= 0; c = nextColumn[std::size_t(c)])
                    row[std::size_t(c)] = time;
                return --left > 0;
            });
        for (std::size_t c = 0; c < targets.size(); ++c) {
            if (!inside(targets[c]))
                row[c] = std::numeric_limits<double>::quiet_NaN();
            else if (targets[c] == from)
                row[c] = net.roundTrip(from);
        }
    };

    threads = int(std::clamp<std::size_t>(std::size_t(std::max(threads, 1)), 1,
                                          std::max<std::size_t>(sources.size(), 1)));
    shareOut(
        sources.size(), threads, [&net] { return Searcher(net); },
        [&](Searcher &search, std::size_t r) { fillRow(search, r); });
    return table;
}
