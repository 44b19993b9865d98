// Figures for trips, reach and many routes on one network folder:
//   gps_bench_trips DIR [SEED]
// Stops are drawn at random (SEED) among the cities joined to the first one drawn.

#include "network.h"
#include "routefinder.h"
#include "searches.h"
#include "trip.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <algorithm>
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

double gapPercent(double found, double best)
{
    return best > 0 ? 100.0 * (found - best) / best : 0.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gps_bench_trips DIR [SEED]\n");
        return 64;
    }
    const quint32 seed = argc > 2 ? quint32(std::atoi(argv[2])) : 1;
    Network net;
    auto t = now();
    if (net.load(QString::fromLocal8Bit(argv[1])) != Network::Load::Ok || net.size() < 2000) {
        std::fprintf(stderr, "gps_bench_trips: no network of 2,000 cities or more in %s\n",
                     argv[1]);
        return 1;
    }
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::printf("network: %d cities, %zu roads, loaded in %.2f s; %d threads\n", net.size(),
                net.roads().size(), seconds(t), threads);

    QRandomGenerator rng(seed);
    const int first = int(rng.bounded(net.size()));
    const std::vector<Reached> joined = reachFrom(net, first, 1e300);
    auto draw = [&](int count) {
        std::vector<int> stops{first};
        std::vector<char> taken(std::size_t(net.size()), 0);
        taken[std::size_t(first)] = 1;
        while (int(stops.size()) < count) {
            const int city = joined[rng.bounded(int(joined.size()))].city;
            if (!taken[std::size_t(city)]) {
                taken[std::size_t(city)] = 1;
                stops.push_back(city);
            }
        }
        return stops;
    };

    for (const int count : {13, 17, 100, 1000}) {
        const std::vector<int> stops = draw(count);
        t = now();
        const auto table = timesBetween(net, stops, stops, threads);
        const double tableTime = seconds(t);
        for (const TripEnds ends : {TripEnds::KeepFirst, TripEnds::Round}) {
            t = now();
            const TripOrder trip = bestTripOrder(table, ends);
            const double orderTime = seconds(t);
            std::printf("trip, %4d stops%s: stop table %.3f s, order %.3f s, %s, %.1f min (%d legs "
                        "without a road)\n",
                        count, ends == TripEnds::Round ? ", round" : ", open ", tableTime,
                        orderTime, trip.proven ? "proven best" : "not proven", trip.time,
                        trip.missingLegs);
            if (count <= kExactTripStops + 1) {
                // The search alone against the proven order, where one can be had.
                const TripOrder searched = bestTripOrder(table, ends, 0);
                const TripOrder exact = bestTripOrder(table, ends, kExactTripStops);
                if (exact.proven)
                    std::printf("    the search alone: %.1f min, %.2f %% above the proven best\n",
                                searched.time, gapPercent(searched.time, exact.time));
            } else if (count <= 100) {
                // Against a run fifty times as long, on five sets of stops.
                double worst = 0;
                for (int set = 0; set < 5; ++set) {
                    const std::vector<int> other = set == 0 ? stops : draw(count);
                    const auto times = set == 0 ? table : timesBetween(net, other, other, threads);
                    const TripOrder quick = bestTripOrder(times, ends);
                    const TripOrder slow = bestTripOrder(times, ends, kExactTripStops, 2000);
                    worst =
                        std::max(worst, gapPercent(quick.time, std::min(quick.time, slow.time)));
                }
                std::printf("    five sets: at most %.2f %% above a run 50 times as long\n", worst);
            }
        }
    }

    // Reach: the first search, then again (what the window does for a new time).
    const int from = joined[rng.bounded(int(joined.size()))].city;
    for (int round = 0; round < 3; ++round) {
        t = now();
        const std::vector<Reached> reached = reachFrom(net, from, 240);
        std::printf("reach, 4 hours: %zu cities in %.1f ms\n", reached.size(), 1000 * seconds(t));
    }

    // Many routes with one network: what `gpsroute route -` does per query.
    RouteFinder finder(net, 64);
    std::size_t cities = 0;
    t = now();
    for (int q = 0; q < 1000; ++q) {
        const int a = int(rng.bounded(net.size())), b = int(rng.bounded(net.size()));
        const std::vector<int> route = finder.route(a, b);
        cities += net.legTimes(route).size() + 1;
    }
    std::printf("1,000 random routes on one network: %.2f s (%zu cities in all)\n", seconds(t),
                cities);
    return 0;
}
