#pragma once

#include "network.h"

#include <QString>

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

class DriveFinder;
class TimesTo;

// Fastest routes on a Network without the all-pairs table, city for city the ones the
// all-pairs loop of ShortestPaths rebuilds (with exact sums; see README for times like 12.3).
//
// Why it is the same route: with positions in list order, let K(i,j) be the smallest k such
// that some shortest i->j route has all its intermediate cities at positions <= k (-1 when the
// direct road is itself shortest). The loop last shortens (i,j) at pivot K and copies K's
// predecessor of j, which is final by then; so its route is the direct road when K = -1, else
// route(i,K) followed by route(K,j), whose intermediate cities all lie below K. A search from i
// ordered by (time, largest intermediate position so far) gives K(i,j) for every j it reaches,
// and roads go both ways, so route(a,b) is route(b,a) reversed; but only with exact sums, so a
// pair is always searched from its start, and an answer never depends on the queries before it.
// Searches are kept per source, resumed when a farther target needs them, and the least
// recently used ones dropped.
class RouteFinder
{
public:
    explicit RouteFinder(const Network &network, int keptSearches = 16);
    ~RouteFinder();
    RouteFinder(const RouteFinder &) = delete;
    RouteFinder &operator=(const RouteFinder &) = delete;

    // Positions from start to end; [start, end] when nothing joins them, [start] when they are
    // the same, empty when a position is out of range. Same contract as ShortestPaths::route.
    std::vector<int> route(int start, int end);
    std::vector<int> route(const QString &cityStart, const QString &cityEnd);
    std::vector<int> routeThrough(const std::vector<QString> &names);

    // Shortest time between two positions; between a city and itself, the table's diagonal.
    double time(int from, int to);

    // Drives on the network's road graph (see Network::roadNodes), with this finder's arrays.
    DriveFinder &drives();

    // Searches run so far (benchmarks and tests).
    int searchCount() const { return searches; }

private:
    struct Search;
    Search &searchFrom(int source);
    Search *cachedSettling(int a, int b);
    // Appends route(source of s, target) after the source, from s's tight roads alone; false
    // when they do not lead there (sums rounded differently).
    bool walkTight(const Search &s, int target, std::vector<int> *path);
    std::vector<int> routeBySearches(int start, int end);
    // With the network's hierarchy: only the nodes that lie on a shortest route are searched;
    // empty when that search cannot serve.
    std::vector<int> routeByHierarchy(int start, int end);

    const Network &net;
    int kept;
    int searches = 0;
    std::list<std::unique_ptr<Search>> cache; // most recently used first
    std::unique_ptr<Search> pruned;           // routeByHierarchy's, reused
    std::unique_ptr<TimesTo> toTarget;
    std::unique_ptr<DriveFinder> driveFinder;
    std::vector<std::uint32_t> mark, seen; // walkTight's stamps, one per city
    std::vector<std::int32_t> bestVia;
    std::uint32_t stamp = 0;
};
