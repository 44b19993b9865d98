// Routes, table rows and tables from searches, plain and through the hierarchy, against the
// all-pairs loop, on networks made from the input: a city count, then (from, to, time) byte
// triples; some cities share a name.

#include "common.h"
#include "matrix.h"
#include "network.h"
#include "routefinder.h"
#include "searches.h"
#include "shortestpaths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    if (size < 1)
        return 0;
    const int n = 1 + data[0] % 40;
    std::vector<City> cities{std::size_t(n)};
    for (int i = 0; i < n; ++i) // about one city in six takes another's name
        cities[i].setName(QStringLiteral("c%1").arg(i % 6 == 5 ? i / 2 : i));
    std::stable_sort(cities.begin(), cities.end());
    std::vector<Road> roads;
    for (size_t at = 1; at + 2 < size; at += 3) {
        // Times in halves of a minute, 0 to 7.5: sums stay exact, ties and zero roads abound.
        roads.push_back({cities[data[at] % n].getName(), cities[data[at + 1] % n].getName(),
                         (data[at + 2] % 16) / 2.0});
    }
    const Network net(cities, roads);
    Network ranked = net;
    ranked.buildHierarchy();
    FUZZ_CHECK(ranked.hierarchy() != nullptr); // small networks always get one
    const TimeMatrix dense = Matrix::createMatrix(net.cities(), net.roads());
    FUZZ_CHECK(net.directMatrix() == dense);
    const ShortestPaths all(dense);
    RouteFinder finder(net, 3), quick(ranked);
    std::vector<int> every(std::size_t(n), 0);
    for (int a = 0; a < n; ++a)
        every[std::size_t(a)] = a;
    const auto table = timesBetween(ranked, every, every, 2);
    for (int a = 0; a < n; ++a) {
        const std::vector<double> row = net.timesFrom(a);
        for (int b = 0; b < n; ++b) {
            const std::vector<int> want = all.route(a, b);
            FUZZ_CHECK(finder.route(a, b) == want);
            FUZZ_CHECK(quick.route(a, b) == want);
            const double time = all.time(a, b), got = finder.time(a, b), fast = quick.time(a, b);
            FUZZ_CHECK(std::memcmp(&row[b], &time, sizeof time) == 0);
            FUZZ_CHECK(std::memcmp(&got, &time, sizeof time) == 0);
            FUZZ_CHECK(std::memcmp(&fast, &time, sizeof time) == 0);
            FUZZ_CHECK(std::memcmp(&table[a][b], &time, sizeof time) == 0);
        }
    }
    return 0;
}
