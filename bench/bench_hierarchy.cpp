// The searches' speed-up structure on one network folder, beside the plain searches:
//   gps_bench_hierarchy DIR [QUERIES [SIDE...]]
// builds it (time, size), then QUERIES random routes and a SIDE x SIDE table for each SIDE
// (default 300) both ways, each answer compared.

#include "hierarchy.h"
#include "network.h"
#include "routefinder.h"
#include "searches.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

auto now()
{
    return std::chrono::steady_clock::now();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gps_bench_hierarchy DIR [QUERIES [SIDE...]]\n");
        return 64;
    }
    const int queries = argc > 2 ? std::atoi(argv[2]) : 1000;
    std::vector<int> sides;
    for (int a = 3; a < argc; ++a)
        sides.push_back(std::atoi(argv[a]));
    if (sides.empty())
        sides.push_back(300);
    Network plain;
    auto t = now();
    if (plain.load(QString::fromLocal8Bit(argv[1])) != Network::Load::Ok || plain.size() < 2) {
        std::fprintf(stderr, "gps_bench_hierarchy: no network in %s\n", argv[1]);
        return 1;
    }
    const double load = seconds(t);
    std::printf("network: %d cities, %zu roads, %d nodes; read in %.2f s\n", plain.size(),
                plain.roads().size(), plain.nodeCount(), load);
    Network fast = plain;
    t = now();
    fast.buildHierarchy();
    const double build = seconds(t);
    if (!fast.hierarchy()) {
        std::printf("hierarchy: given up after %.2f s (%.1f x the reading): searches go on "
                    "without it\n",
                    build, build / load);
        return 0;
    }
    const Hierarchy &h = *fast.hierarchy();
    std::printf("hierarchy: built in %.2f s (%.1f x the reading), %zu arcs (%.2f a node, %.0f "
                "MiB)\n",
                build, build / load, h.arcCount(), double(h.arcCount()) / h.nodeCount(),
                double(h.arcCount() * sizeof(Hierarchy::Arc) +
                       (h.rank.size() + 2 * h.upOffsets.size()) * 8) /
                    (1 << 20));

    QRandomGenerator rng(1);
    std::vector<std::pair<int, int>> pairs;
    for (int q = 0; q < queries; ++q)
        pairs.push_back({int(rng.bounded(plain.size())), int(rng.bounded(plain.size()))});
    std::vector<std::vector<int>> want, got;
    RouteFinder slow(plain), quick(fast);
    t = now();
    for (const auto &[a, b] : pairs)
        want.push_back(slow.route(a, b));
    const double plainRoutes = seconds(t);
    t = now();
    for (const auto &[a, b] : pairs)
        got.push_back(quick.route(a, b));
    const double fastRoutes = seconds(t);
    int differ = 0;
    for (std::size_t q = 0; q < pairs.size(); ++q)
        differ += want[q] != got[q];
    std::printf("%d routes: plain %.3f s (%.2f ms each), hierarchy %.3f s (%.3f ms each), %.1f x; "
                "%d differ\n",
                queries, plainRoutes, 1e3 * plainRoutes / queries, fastRoutes,
                1e3 * fastRoutes / queries, plainRoutes / fastRoutes, differ);

    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    long long cellsDiffer = 0;
    for (const int side : sides) {
        std::vector<int> stops;
        for (int k = 0; k < side; ++k)
            stops.push_back(int(rng.bounded(plain.size())));
        t = now();
        const auto slowTable = timesBetween(plain, stops, stops, threads);
        const double plainTable = seconds(t);
        t = now();
        const auto fastTable = timesBetween(fast, stops, stops, threads);
        const double fastTableTime = seconds(t);
        long long differ = 0;
        for (int r = 0; r < side; ++r)
            for (int c = 0; c < side; ++c)
                differ += slowTable[r][c] != fastTable[r][c];
        std::printf("%d x %d table (%d threads): plain %.3f s, hierarchy %.4f s, %.0f x; %lld "
                    "cells differ\n",
                    side, side, threads, plainTable, fastTableTime, plainTable / fastTableTime,
                    differ);
        cellsDiffer += differ;
    }
    return differ == 0 && cellsDiffer == 0 ? 0 : 1;
}
