// Model benchmarks on synthetic networks (n cities in France, 5 roads a city, fixed seeds),
// each operation next to the straightforward nested-vector version in bench/baseline.cpp.

#include "baseline.h"
#include "fwkernel.h"
#include "matrix.h"
#include "netgen.h"
#include "network.h"
#include "routefinder.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

struct Fixture
{
    std::unique_ptr<QTemporaryDir> dir;
    Matrix m; // loaded, with its direct matrix
    QString from, to;
};

const Fixture &fixture(int n)
{
    static std::map<int, Fixture> cache;
    auto found = cache.find(n);
    if (found != cache.end())
        return found->second;
    Fixture f;
    f.dir = std::make_unique<QTemporaryDir>();
    const auto places = netgen::randomPlaces(n, std::uint32_t(1000 + n));
    const auto links = netgen::nearestRoads(places, 5.0);
    for (const auto &[name, bytes] : {std::pair{"villes.csv", netgen::citiesCsv(places)},
                                      std::pair{"temps.csv", netgen::roadsCsv(places, links)}}) {
        QFile file(f.dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", name);
    }
    f.m.loadCity(f.dir->filePath("villes.csv"));
    f.m.loadRoad(f.dir->filePath("temps.csv"));
    f.m.setMatrix(Matrix::createMatrix(f.m.cityList(), f.m.getRoads()));
    f.from = f.m.cityList().front().getName(); // two far-apart names of the sorted list
    f.to = f.m.cityList().back().getName();
    return cache.emplace(n, std::move(f)).first->second;
}

void relaxationRate(benchmark::State &state, int n)
{
    state.counters["relax/s"] =
        benchmark::Counter(double(n) * n * n, benchmark::Counter::kIsIterationInvariantRate);
}

void Load_Library(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state) {
        Matrix m;
        m.loadCity(f.dir->filePath("villes.csv"));
        m.loadRoad(f.dir->filePath("temps.csv"));
        benchmark::DoNotOptimize(m);
    }
}

void Load_Baseline(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            baseline::load(f.dir->filePath("villes.csv"), f.dir->filePath("temps.csv")));
}

void CreateMatrix_Library(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Matrix::createMatrix(f.m.cityList(), f.m.getRoads()));
}

void CreateMatrix_Baseline(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(baseline::createMatrix(f.m.cityList(), f.m.getRoads()));
}

void FloydWarshallOnly_Library(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Matrix::Floyd_Warshall_Only(f.m.timeMatrix()));
    relaxationRate(state, int(state.range(0)));
    state.SetLabel(fw::kernelName());
}

// The same kernel held to one thread, to show what the second core adds.
void FloydWarshallOnly_LibraryOneThread(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    const int n = int(state.range(0));
    std::vector<double> flat(std::size_t(n) * n);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < n; ++i)
            std::copy(f.m.timeMatrix()[i].begin(), f.m.timeMatrix()[i].end(),
                      flat.begin() + std::ptrdiff_t(i) * n);
        state.ResumeTiming();
        fw::relax(flat.data(), nullptr, n, 1, 16);
        benchmark::DoNotOptimize(flat.data());
    }
    relaxationRate(state, n);
}

void FloydWarshallOnly_Baseline(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(baseline::floydWarshallOnly(f.m.timeMatrix()));
    relaxationRate(state, int(state.range(0)));
}

// A two-city route computed from scratch, predecessors included, by `route`.
template <auto route> void routeFromScratch(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(route(f.m.timeMatrix(), f.m.cityList(), f.from, f.to));
    relaxationRate(state, int(state.range(0)));
}

void Route_Library(benchmark::State &state)
{
    routeFromScratch<&Matrix::Floyd_Warshall>(state);
}

void Route_Baseline(benchmark::State &state)
{
    routeFromScratch<&baseline::floydWarshall>(state);
}

// All pairs computed once; then each route (and its leg times) is a walk along predecessors.
void Route_Precomputed(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    const ShortestPaths paths(f.m.timeMatrix());
    for (auto _ : state) {
        const std::vector<int> route = paths.route(f.m.cityList(), f.from, f.to);
        benchmark::DoNotOptimize(f.m.setPathTime(route));
    }
}

// The network as the programs open it: both files, and the graph of direct times.
void LoadNetwork_Library(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state) {
        Network net;
        net.load(f.dir->path());
        benchmark::DoNotOptimize(net);
    }
}

// A two-city route from scratch without the all-pairs table: the searches, leg times included.
void Route_Searches(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    const Network net(f.m.cityList(), f.m.getRoads());
    for (auto _ : state) {
        RouteFinder finder(net);
        const std::vector<int> route = finder.route(f.from, f.to);
        benchmark::DoNotOptimize(net.legTimes(route));
    }
}

// One row of the shortest-time table: what a table panel or `gpsroute matrix` does per city.
void TableRow_Search(benchmark::State &state)
{
    const Fixture &f = fixture(int(state.range(0)));
    const Network net(f.m.cityList(), f.m.getRoads());
    int row = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(net.timesFrom(row++ % net.size()));
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void slowSizes(benchmark::internal::Benchmark *b)
{
    sizes(b);
    b->Iterations(1);
}

} // namespace

BENCHMARK(Load_Library)->Apply(sizes);
BENCHMARK(Load_Baseline)->Apply(sizes);
BENCHMARK(CreateMatrix_Library)->Apply(sizes);
BENCHMARK(CreateMatrix_Baseline)->Apply(slowSizes);
BENCHMARK(FloydWarshallOnly_Library)->Apply(sizes);
BENCHMARK(FloydWarshallOnly_LibraryOneThread)->Apply(sizes);
BENCHMARK(FloydWarshallOnly_Baseline)->Apply(slowSizes);
BENCHMARK(Route_Library)->Apply(sizes);
BENCHMARK(Route_Baseline)->Apply(slowSizes);
BENCHMARK(Route_Precomputed)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadNetwork_Library)->Apply(sizes);
BENCHMARK(Route_Searches)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(TableRow_Search)->Apply(sizes)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
