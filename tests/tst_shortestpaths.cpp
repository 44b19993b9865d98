#include "fwkernel.h"
#include "hierarchy.h"
#include "infinity.h"
#include "matrix.h"
#include "network.h"
#include "routefinder.h"
#include "searches.h"
#include "shortestpaths.h"
#include "testsupport.h"
#include "trip.h"
#include "workers.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#include <queue>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// X, Y, Z and the roads given as "X,Y,10" lines.
Matrix network(const QStringList &roadLines, const QStringList &names = {"X", "Y", "Z"})
{
    return testsupport::network(names, roadLines.join('\n').toUtf8());
}

// The plain triple loop and route rebuilding, kept deliberately naive.
struct Reference
{
    TimeMatrix d;
    std::vector<std::vector<int>> pred;

    explicit Reference(TimeMatrix m) : d(std::move(m))
    {
        const int n = int(d.size());
        pred.assign(n, std::vector<int>(n));
        for (int u = 0; u < n; ++u)
            for (int v = 0; v < n; ++v)
                pred[u][v] = u;
        for (int k = 0; k < n; ++k)
            for (int u = 0; u < n; ++u)
                for (int v = 0; v < n; ++v)
                    if (d[u][v] > d[u][k] + d[k][v]) {
                        d[u][v] = d[u][k] + d[k][v];
                        pred[u][v] = pred[k][v];
                    }
    }
};

bool sameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// A random matrix rich in ties (small integers), zero legs, missing roads, and optionally
// NaN entries and negative times.
TimeMatrix randomMatrix(QRandomGenerator &rng, int n, bool hostile)
{
    TimeMatrix m(n, std::vector<double>(n, kInf));
    for (int u = 0; u < n; ++u) {
        m[u][u] = 0.0;
        for (int v = 0; v < n; ++v) {
            if (u == v || rng.bounded(100) >= 30)
                continue;
            double t = double(rng.bounded(6));
            if (hostile) {
                const int roll = int(rng.bounded(100));
                if (roll < 3)
                    t = nan;
                else if (roll < 6)
                    t = -double(rng.bounded(3));
                else if (roll < 9)
                    t = rng.generateDouble() * 10;
            }
            m[u][v] = t;
        }
        if (hostile && rng.bounded(100) < 5)
            m[u][u] = -1.0; // makes the pivot's own row change under itself
    }
    return m;
}

void compareKernelWithReference(const TimeMatrix &m, int threads, int block)
{
    const int n = int(m.size());
    const Reference ref(m);
    std::vector<double> d(std::size_t(n) * n);
    std::vector<std::int32_t> pred(std::size_t(n) * n);
    std::vector<double> only(std::size_t(n) * n);
    for (int u = 0; u < n; ++u)
        for (int v = 0; v < n; ++v) {
            d[std::size_t(u) * n + v] = only[std::size_t(u) * n + v] = m[u][v];
            pred[std::size_t(u) * n + v] = u;
        }
    if (threads == 0) { // the library's own choice
        fw::relax(d.data(), pred.data(), n);
        fw::relax(only.data(), nullptr, n);
    } else {
        fw::relax(d.data(), pred.data(), n, threads, block);
        fw::relax(only.data(), nullptr, n, threads, block);
    }
    for (int u = 0; u < n; ++u)
        for (int v = 0; v < n; ++v) {
            const std::size_t i = std::size_t(u) * n + v;
            if (!sameBits(d[i], ref.d[u][v]) || !sameBits(only[i], ref.d[u][v]) ||
                pred[i] != ref.pred[u][v])
                QFAIL(qPrintable(QStringLiteral("n=%1 threads=%2 block=%3 at [%4][%5]: %6/%7 vs %8")
                                     .arg(n)
                                     .arg(threads)
                                     .arg(block)
                                     .arg(u)
                                     .arg(v)
                                     .arg(d[i])
                                     .arg(pred[i])
                                     .arg(ref.d[u][v])));
        }
}

std::vector<double> dijkstra(const TimeMatrix &m, int source)
{
    const int n = int(m.size());
    std::vector<double> dist(n, kInf);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    dist[source] = 0;
    queue.push({0, source});
    while (!queue.empty()) {
        const auto [du, u] = queue.top();
        queue.pop();
        if (du > dist[u])
            continue;
        for (int v = 0; v < n; ++v)
            if (m[u][v] < kInf && du + m[u][v] < dist[v]) {
                dist[v] = du + m[u][v];
                queue.push({dist[v], v});
            }
    }
    return dist;
}

// A random network as people's files can make it: integer times 0 to `maxTime` (many ties and
// zero-minute roads), names shared by several cities, roads from a city to itself, a pair
// written several times both ways with other times, roads naming no city, and parts that no
// road joins (`groups` islands).
struct RandomNetwork
{
    int n = 10;
    int roadsPerCity = 2;
    int maxTime = 3;
    int sharedNames = 0; // cities that take another city's name
    int groups = 1;
    quint32 seed = 1;
    bool inOrder = true; // the cities in name order, as loaded
    // A square of grid x grid cities instead, roads of 0.1 minutes across and 0.3 down: many
    // routes of one time whose sums, not exact in binary, differ in their last bits.
    int grid = 0;

    bool exactSums() const { return grid == 0; }

    Network make() const
    {
        if (grid > 0) {
            std::vector<City> cities{std::size_t(grid * grid)};
            std::vector<Road> roads;
            auto name = [](int i) { return QStringLiteral("g%1").arg(i, 4, 10, QChar(u'0')); };
            for (int i = 0; i < grid * grid; ++i) {
                cities[std::size_t(i)].setName(name(i));
                if (i % grid + 1 < grid)
                    roads.push_back({name(i), name(i + 1), 0.1});
                if (i + grid < grid * grid)
                    roads.push_back({name(i), name(i + grid), 0.3});
            }
            return Network(std::move(cities), std::move(roads));
        }
        QRandomGenerator rng(seed);
        std::vector<City> cities{std::size_t(n)};
        for (int i = 0; i < n; ++i)
            cities[i].setName(QStringLiteral("c%1").arg(i));
        for (int k = 0; k < sharedNames && n > 1; ++k)
            cities[rng.bounded(n)].setName(cities[rng.bounded(n)].getName());
        if (inOrder)
            std::stable_sort(cities.begin(), cities.end());
        std::vector<Road> roads;
        const int count = n * roadsPerCity;
        for (int r = 0; r < count; ++r) {
            const int a = int(rng.bounded(n));
            int b = int(rng.bounded(n));
            if (groups > 1) // stay on a's island
                b = b - b % groups + a % groups < n ? b - b % groups + a % groups : a;
            if (rng.bounded(100) < 3)
                b = a;
            Road road{cities[a].getName(), cities[b].getName(), double(rng.bounded(maxTime + 1))};
            if (rng.bounded(100) < 2)
                road.cityEnd = QStringLiteral("nowhere");
            roads.push_back(road);
            if (rng.bounded(100) < 10) // the same pair again, the other way, another time
                roads.push_back({road.cityEnd, road.cityStart, double(rng.bounded(maxTime + 1))});
        }
        return Network(std::move(cities), std::move(roads));
    }
};

// The network as read back from the files it would be written to: the loader's own numbering
// of the roads' names, against the look-ups a network built in memory makes.
Network readBack(const Network &net)
{
    QTemporaryDir dir;
    QByteArray cities = "id,name,dept,lat,lon\n", roads;
    for (const City &city : net.cities())
        cities += "1," + city.getName().toUtf8() + ",0,0,0\n";
    for (const Road &road : net.roads())
        roads += road.cityStart.toUtf8() + ',' + road.cityEnd.toUtf8() + ',' +
                 QByteArray::number(road.time) + '\n';
    for (const auto &[name, bytes] : {std::pair{"villes.csv", cities}, {"temps.csv", roads}}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", name);
    }
    Network read;
    read.load(dir.path());
    return read;
}

// The sample network as shipped.
Network sampleNetwork()
{
    Network net;
    net.load(QStringLiteral(GPS_SAMPLE_DATA_DIR));
    return net;
}

} // namespace

Q_DECLARE_METATYPE(RandomNetwork)

class TestShortestPaths : public QObject
{
    Q_OBJECT

    const QByteArray bestKernel = fw::kernelName();

    // The all-pairs loop's answers for the last direct times asked: a network searched plain
    // and then through its hierarchy is checked against one table, not two (at n = 2,000 the
    // loop is most of a row's time).
    TimeMatrix referenceDirect;
    std::unique_ptr<const ShortestPaths> reference;
    const ShortestPaths &allPairsLoop(const TimeMatrix &direct)
    {
        if (!reference || referenceDirect != direct) {
            reference = std::make_unique<const ShortestPaths>(direct);
            referenceDirect = direct;
        }
        return *reference;
    }

private slots:
    void routesAndLegTimes_data()
    {
        QTest::addColumn<QStringList>("roads");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<std::vector<int>>("route");
        QTest::addColumn<std::vector<double>>("legs");
        const QStringList chain = {"X,Y,10", "Y,Z,20", "X,Z,40"};
        QTest::newRow("through Y")
            << chain << "X"
            << "Z" << std::vector<int>{0, 1, 2} << std::vector<double>{10, 20};
        QTest::newRow("backwards")
            << chain << "Z"
            << "X" << std::vector<int>{2, 1, 0} << std::vector<double>{20, 10};
        QTest::newRow("tie keeps the direct road")
            << QStringList{"X,Y,10", "Y,Z,20", "X,Z,30"} << "X"
            << "Z" << std::vector<int>{0, 2} << std::vector<double>{30};
        QTest::newRow("zero-minute road is used")
            << QStringList{"X,Y,0", "Y,Z,20", "X,Z,40"} << "X"
            << "Z" << std::vector<int>{0, 1, 2} << std::vector<double>{0, 20};
        QTest::newRow("no connection")
            << QStringList{"X,Y,10"} << "X"
            << "Z" << std::vector<int>{0, 2} << std::vector<double>{kInf};
        QTest::newRow("unused start") << chain << "unused"
                                      << "Z" << std::vector<int>{} << std::vector<double>{};
        QTest::newRow("unknown end") << chain << "X"
                                     << "Paris" << std::vector<int>{} << std::vector<double>{};
        QTest::newRow("same city") << chain << "Y"
                                   << "Y" << std::vector<int>{1} << std::vector<double>{};
    }

    void routesAndLegTimes()
    {
        QFETCH(QStringList, roads);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(std::vector<int>, route);
        QFETCH(std::vector<double>, legs);
        const Matrix m = network(roads);
        const TimeMatrix before = m.getMatrix();
        const std::vector<int> got = Matrix::Floyd_Warshall(m.getMatrix(), m.getCities(), from, to);
        QCOMPARE(got, route);
        QCOMPARE(m.setPathTime(got), legs);
        QCOMPARE(ShortestPaths(m.getMatrix()).route(m.getCities(), from, to), route);
        QCOMPARE(m.getMatrix(), before);
    }

    void allPairsTimes()
    {
        const Matrix m = network({"X,Y,10", "Y,Z,20", "X,Z,40"});
        QCOMPARE(Matrix::Floyd_Warshall_Only(m.getMatrix(), m.getCities()),
                 TimeMatrix({{0, 10, 30}, {10, 0, 20}, {30, 20, 0}}));
        const Matrix apart = network({"X,Y,10"});
        QCOMPARE(Matrix::Floyd_Warshall_Only(apart.getMatrix()),
                 TimeMatrix({{0, 10, kInf}, {10, 0, kInf}, {kInf, kInf, 0}}));
        QVERIFY(Matrix::Floyd_Warshall_Only({}).empty());
    }

    void repeatedNamesUseTheLastCity()
    {
        // Two cities named X: the route starts at the second one, as the list lookup finds it.
        const Matrix m = network({"X,Y,10"}, {"X", "X", "Y"});
        QCOMPARE(Matrix::Floyd_Warshall(m.getMatrix(), m.getCities(), "X", "Y"),
                 std::vector<int>({1, 2}));
        QCOMPARE(Matrix::Floyd_Warshall(m.getMatrix(), m.getCities(), "X", "X"),
                 std::vector<int>({1}));
        // "unused" marks no city only where no city bears that name.
        const Matrix named = network({"unused,Y,10"}, {"Y", "unused"});
        QCOMPARE(Matrix::Floyd_Warshall(named.getMatrix(), named.getCities(), "unused", "Y"),
                 std::vector<int>({1, 0}));
        QCOMPARE(ShortestPaths(named.getMatrix()).routeThrough(named.getCities(), {"Y", "unused"}),
                 std::vector<int>({0, 1}));
    }

    void routeThroughSeveralCities()
    {
        const Matrix m = network({"W,X,5", "X,Y,10", "Y,Z,20", "X,Z,40"}, {"W", "X", "Y", "Z"});
        const ShortestPaths sp(m.getMatrix());
        const auto cs = m.getCities();
        QCOMPARE(sp.routeThrough(cs, {"W", "Y", "Z"}), std::vector<int>({0, 1, 2, 3}));
        QCOMPARE(sp.routeThrough(cs, {"X", "Z"}), sp.route(cs, "X", "Z"));
        QCOMPARE(sp.routeThrough(cs, {"Z", "W", "Z"}), std::vector<int>({3, 2, 1, 0, 1, 2, 3}));
        QCOMPARE(sp.routeThrough(cs, {"X", "X", "Y"}), std::vector<int>({1, 2}));
        QCOMPARE(sp.routeThrough(cs, {"X", "", "Y"}), std::vector<int>({})); // both legs empty
        QCOMPARE(sp.routeThrough(cs, {"W", "X", "nowhere"}), std::vector<int>({0}));
        QVERIFY(sp.routeThrough(cs, {"X"}).empty());
        QCOMPARE(m.setPathTime(sp.routeThrough(cs, {"W", "Y", "Z"})),
                 std::vector<double>({5, 10, 20}));
    }

    void negativeCyclesEndRouteRebuilding()
    {
        // A cycle of negative total time: the predecessors of 0 go round it forever.
        TimeMatrix m = {{0, -1, kInf}, {-1, 0, 1}, {kInf, 1, 0}};
        const ShortestPaths sp(m);
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) {
                const std::vector<int> r = sp.route(a, b);
                QVERIFY(r.size() <= 3);
                if (!r.empty()) {
                    QCOMPARE(r.front(), a);
                    QCOMPARE(r.back(), b);
                }
            }
        QVERIFY(sp.route(-1, 0).empty());
        QVERIFY(sp.route(0, 3).empty());
    }

    void kernelMatchesTheTripleLoop_data()
    {
        QTest::addColumn<QByteArray>("kernel");
        for (const char *k : {"avx512", "avx2", "scalar"}) {
            if (fw::useKernel(k))
                QTest::newRow(k) << QByteArray(k);
        }
        QVERIFY(fw::useKernel(bestKernel.constData()));
    }

    void kernelMatchesTheTripleLoop()
    {
        QFETCH(QByteArray, kernel);
        QVERIFY(fw::useKernel(kernel.constData()));
        const auto restore = qScopeGuard([this] { fw::useKernel(bestKernel.constData()); });
        QRandomGenerator rng(7);
        struct Shape
        {
            int n, threads, block;
        };
        for (const Shape s :
             {Shape{1, 1, 1}, Shape{2, 2, 1}, Shape{5, 2, 2}, Shape{17, 2, 3}, Shape{33, 3, 8},
              Shape{64, 2, 16}, Shape{100, 4, 7}, Shape{257, 2, 16}}) {
            for (const bool hostile : {false, true}) {
                compareKernelWithReference(randomMatrix(rng, s.n, hostile), s.threads, s.block);
                if (QTest::currentTestFailed())
                    return;
            }
        }
        // Threads the system refuses to start: those that did start share the work.
        for (const int firstRefused : {1, 2}) {
            fw::failThreadStarts([firstRefused](int t) { return t >= firstRefused; });
            const auto allow = qScopeGuard([] { fw::failThreadStarts({}); });
            compareKernelWithReference(randomMatrix(rng, 100, true), 4, 7);
            if (QTest::currentTestFailed())
                return;
        }
        // The default choice of threads and block size, above the size where threads start.
        const TimeMatrix m = randomMatrix(rng, 300, true);
        compareKernelWithReference(m, 0, 0);
        const Reference ref(m);
        const TimeMatrix fast = Matrix::Floyd_Warshall_Only(m);
        for (int u = 0; u < 300; ++u)
            for (int v = 0; v < 300; ++v)
                QVERIFY(sameBits(fast[u][v], ref.d[u][v]));
    }

    // Routes and tables from single-pair searches are the all-pairs loop's, bit for bit.
    void searchesMatchTheAllPairsLoop_data()
    {
        QTest::addColumn<RandomNetwork>("shape");
        QTest::addColumn<int>("pairStep"); // every pair, or every k-th pair on large networks
        // Each network searched as it is, and with its speed-up structure read from its image.
        QTest::addColumn<bool>("hierarchy");
        auto row = [](const char *name, RandomNetwork shape, int pairStep = 1) {
            QTest::newRow(name) << shape << pairStep << false;
            QTest::addRow("%s, hierarchy", name) << shape << pairStep << true;
        };
        row("tiny", {.n = 3, .maxTime = 1});
        row("zero roads and ties", {.n = 40, .maxTime = 1, .seed = 2});
        row("times 0-3", {.n = 60, .seed = 3});
        row("dense", {.n = 50, .roadsPerCity = 8, .seed = 4});
        // Each city with some 80 neighbours: more than a witness search sorts its targets for.
        row("crowded, ties", {.n = 150, .roadsPerCity = 40, .seed = 15}, 3);
        row("crowded, shared names", {.n = 150, .roadsPerCity = 40, .sharedNames = 30, .seed = 16},
            3);
        row("n = 600, 400 names taken from others", {.n = 600, .sharedNames = 400, .seed = 17}, 13);
        row("sparse, unreachable parts", {.n = 120, .roadsPerCity = 1, .seed = 5});
        row("shared names", {.n = 80, .roadsPerCity = 3, .sharedNames = 25, .seed = 6});
        row("names shared many times",
            {.n = 60, .roadsPerCity = 3, .sharedNames = 150, .seed = 11});
        row("few names, zero roads",
            {.n = 50, .roadsPerCity = 4, .maxTime = 1, .sharedNames = 200, .seed = 12});
        row("shared names, list out of order",
            {.n = 80, .roadsPerCity = 3, .sharedNames = 40, .seed = 13, .inOrder = false});
        row("islands",
            {.n = 90, .roadsPerCity = 3, .maxTime = 2, .sharedNames = 5, .groups = 3, .seed = 7});
        row("all zero", {.n = 30, .roadsPerCity = 3, .maxTime = 0, .sharedNames = 3, .seed = 8});
        row("n = 300", {.n = 300, .roadsPerCity = 3, .sharedNames = 10, .groups = 2, .seed = 9}, 7);
        row("n = 400, times 0 and 1",
            {.n = 400, .roadsPerCity = 3, .maxTime = 1, .sharedNames = 20, .seed = 14}, 7);
        row("n = 2,000", {.n = 2000, .roadsPerCity = 3, .sharedNames = 40, .groups = 3, .seed = 10},
            997);
        row("sample network", {.n = 0});
        // Answered as each pair alone would be, whatever was asked before (the other way, say).
        row("grid in tenths", {.n = 1, .grid = 14});
    }

    void searchesMatchTheAllPairsLoop()
    {
        QFETCH(RandomNetwork, shape);
        QFETCH(int, pairStep);
        QFETCH(bool, hierarchy);
        Network net = shape.n > 0 ? shape.make() : sampleNetwork();
        if (hierarchy) {
            net.buildHierarchy();
            Network read;
            QVERIFY(read.readImage(net.image({}), nullptr));
            QVERIFY(read.hierarchy());
            net = read;
        }
        const int n = net.size();
        QVERIFY(n > 0);
        const TimeMatrix dense = Matrix::createMatrix(net.cities(), net.roads());
        QCOMPARE(net.directMatrix(), dense);
        if (shape.n > 0 && shape.inOrder) {
            const Network read = readBack(net);
            QCOMPARE(read.size(), n);
            QCOMPARE(read.roads().size(), net.roads().size());
            QCOMPARE(read.directMatrix(), dense);
            for (const City &city : net.cities())
                QVERIFY(std::ranges::equal(read.positionsOf(city.getName()),
                                           net.positionsOf(city.getName())));
        }
        const ShortestPaths &all = allPairsLoop(dense);
        Matrix direct;
        direct.setMatrix(dense);
        RouteFinder finder(net, 4); // a small cache, so that searches are dropped and redone
        long long checked = 0;
        // Where sums are not exact the loop may pick another route of the same time (README):
        // then the answer is the one the pair gets alone.
        auto check = [&](RouteFinder &asked, int i, int j) {
            const std::vector<int> got = asked.route(i, j);
            const double time = asked.time(i, j);
            if (shape.exactSums()) {
                if (got != all.route(i, j))
                    QFAIL(qPrintable(QStringLiteral("route %1 -> %2 differs").arg(i).arg(j)));
                QVERIFY(sameBits(time, all.time(i, j)));
            } else {
                if (got != RouteFinder(net).route(i, j))
                    QFAIL(qPrintable(QStringLiteral("route %1 -> %2 depends on what came before")
                                         .arg(i)
                                         .arg(j)));
                QVERIFY(sameBits(time, RouteFinder(net).time(i, j)));
                QVERIFY(std::abs(time - all.time(i, j)) <= 1e-9 * time);
            }
            QCOMPARE(net.legTimes(got), direct.setPathTime(got));
        };
        for (long long p = 0; p < (long long)n * n && !QTest::currentTestFailed(); p += pairStep) {
            check(finder, int(p / n), int(p % n));
            ++checked;
        }
        QVERIFY(checked >= std::min<long long>(n * n, 1000));
        // Each pair asked one way and at once the other, as a batch may ask them (where sums are
        // exact, the first loop already met each pair after its reverse).
        RouteFinder batch(net, 4);
        for (long long p = 0;
             p < (long long)n * n && !shape.exactSums() && !QTest::currentTestFailed();
             p += pairStep) {
            check(batch, int(p / n), int(p % n));
            check(batch, int(p % n), int(p / n));
        }
        if (QTest::currentTestFailed() || !shape.exactSums())
            return; // (what follows compares sums taken in other orders bit for bit)
        // Whole minutes add exactly: every route was read off its one search, never rebuilt
        // by a search per split (which would hide a walk that cannot follow the search).
        if (shape.n > 0 && shape.exactSums() && !hierarchy)
            QVERIFY2(finder.searchCount() <= n, qPrintable(QString::number(finder.searchCount())));
        // Chosen sources and targets (one repeated, one out of range) are the rows' entries,
        // whatever the threads.
        std::vector<int> sources, targets{n - 1, 0, n - 1, n};
        for (int i = 0; i < n; i += std::max(1, n / 7))
            sources.push_back(i);
        for (int j = 1; j < n; j += std::max(1, n / 5))
            targets.push_back(j);
        for (const int threads : {1, 3}) {
            const auto table = timesBetween(net, sources, targets, threads);
            QCOMPARE(table.size(), sources.size());
            for (std::size_t r = 0; r < sources.size(); ++r) {
                const std::vector<double> row = net.timesFrom(sources[r]);
                for (std::size_t c = 0; c < targets.size(); ++c)
                    QVERIFY(targets[c] == n ? std::isnan(table[r][c])
                                            : sameBits(table[r][c], row[std::size_t(targets[c])]));
            }
        }
        if (hierarchy)
            return; // rows and reach do not go through it
        // Whole rows, the diagonal included.
        for (int i = 0; i < n; i += std::max(1, n / 50)) {
            const std::vector<double> row = net.timesFrom(i);
            for (int j = 0; j < n; ++j)
                if (!sameBits(row[j], all.time(i, j)))
                    QFAIL(qPrintable(QStringLiteral("time %1 -> %2: %3, not %4")
                                         .arg(i)
                                         .arg(j)
                                         .arg(row[j])
                                         .arg(all.time(i, j))));
        }
        // Streamed rows come in order, whatever the threads.
        for (const int threads : {1, 2, 3}) {
            std::vector<int> order;
            bool same = true;
            net.forEachRow(0, std::min(n, 40), threads, [&](int i, const std::vector<double> &row) {
                order.push_back(i);
                same = same && row == net.timesFrom(i);
                return true;
            });
            std::vector<int> expected(std::size_t(std::min(n, 40)));
            std::iota(expected.begin(), expected.end(), 0);
            QCOMPARE(order, expected);
            QVERIFY(same);
        }
        // What can be reached within a time: exactly the cities the row puts that near, nearest
        // first, the start at 0; and those times are a plain Dijkstra's on the direct times.
        for (int i = 0; i < n; i += std::max(1, n / 9)) {
            const std::vector<double> row = net.timesFrom(i);
            const std::vector<double> plain = dijkstra(dense, i);
            const std::vector<Reached> all = reachFrom(net, i, kInf);
            for (const Reached &r : all)
                QVERIFY(std::abs(r.time - plain[std::size_t(r.city)]) <= 1e-9 * r.time);
            QCOMPARE(qsizetype(all.size()),
                     std::count_if(plain.begin(), plain.end(), [](double t) { return t < kInf; }));
            for (const double limit : {0.0, 2.0, 5.0, kInf}) {
                const std::vector<Reached> reached = reachFrom(net, i, limit);
                QVERIFY(!reached.empty());
                QCOMPARE(reached.front().city, i);
                QCOMPARE(reached.front().time, 0.0);
                std::vector<char> in(std::size_t(n), 0);
                for (std::size_t k = 0; k < reached.size(); ++k) {
                    const Reached &r = reached[k];
                    QVERIFY(!in[std::size_t(r.city)]);
                    in[std::size_t(r.city)] = 1;
                    if (r.city != i)
                        QVERIFY(sameBits(r.time, row[std::size_t(r.city)]));
                    if (k > 1)
                        QVERIFY(reached[k - 1].time < r.time ||
                                (reached[k - 1].time == r.time && reached[k - 1].city < r.city));
                }
                for (int j = 0; j < n; ++j)
                    if (bool(in[std::size_t(j)]) !=
                        (j == i || row[std::size_t(j)] <= std::min(limit, 1e300)))
                        QFAIL(qPrintable(QStringLiteral("reach from %1 within %2: %3 at %4")
                                             .arg(i)
                                             .arg(limit)
                                             .arg(j)
                                             .arg(row[std::size_t(j)])));
            }
        }
        QVERIFY(reachFrom(net, 0, -1).empty());
        QVERIFY(reachFrom(net, 0, std::numeric_limits<double>::quiet_NaN()).empty());
        QVERIFY(reachFrom(net, n, 10).empty());
    }

    // A hierarchy cancelled or over its budget is given up; one whose arrays leave the nodes or
    // do not climb (what a damaged image may hold) is refused before any search walks it.
    void hierarchiesThatCannotServe_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char *damage :
             {"none", "cancelled", "over its budget", "rank out of range", "an arc going down",
              "an arc out of the nodes", "a negative time", "offsets going back",
              "offsets past the arcs", "another node count"})
            QTest::newRow(damage) << QString::fromLatin1(damage);
    }

    void hierarchiesThatCannotServe()
    {
        QFETCH(QString, damage);
        const Network net = RandomNetwork{60, 3, 3, 10, 1, 21}.make();
        const int nodes = net.nodeCount();
        std::atomic<bool> cancel{damage == "cancelled"};
        Hierarchy h = Hierarchy::build(net, &cancel, damage == "over its budget" ? 0 : -1);
        QCOMPARE(h.empty(), damage == "cancelled" || damage == "over its budget");
        if (h.empty())
            return;
        QVERIFY(h.up.size() > 2 && h.down.size() > 2 && h.upOffsets[2] > 0);
        if (damage == "rank out of range") {
            h.rank[3] = nodes;
        } else if (damage == "an arc going down") {
            // The first arc's two ends change places.
            const auto from =
                std::size_t(std::upper_bound(h.upOffsets.begin(), h.upOffsets.end(), 0) -
                            h.upOffsets.begin() - 1);
            std::swap(h.rank[std::size_t(h.up[0].to)], h.rank[from]);
        } else if (damage == "an arc out of the nodes") {
            h.down.back().to = nodes;
        } else if (damage == "a negative time") {
            h.up.back().time = -1;
        } else if (damage == "offsets going back") {
            h.upOffsets[1] = h.upOffsets[2] + 1;
        } else if (damage == "offsets past the arcs") {
            h.downOffsets[1] = std::int64_t(h.down.size()) + 1000;
        }
        QCOMPARE(h.valid(damage == "another node count" ? nodes + 1 : nodes), damage == "none");
    }

    // Built in rounds shared out among threads: the hierarchy must not depend on how many, nor
    // on which thread took which node (one that did would make answers differ from run to run).
    void hierarchyOnAnyThreads_data()
    {
        QTest::addColumn<RandomNetwork>("shape");
        QTest::newRow("grid of ties, 80 x 80") << RandomNetwork{.n = 1, .grid = 80};
        QTest::newRow("shared names: arcs one way")
            << RandomNetwork{.n = 600, .roadsPerCity = 3, .sharedNames = 150, .seed = 31};
        QTest::newRow("islands") << RandomNetwork{
            .n = 900, .roadsPerCity = 2, .maxTime = 5, .sharedNames = 0, .groups = 4, .seed = 32};
    }

    void hierarchyOnAnyThreads()
    {
        QFETCH(RandomNetwork, shape);
        const Network net = shape.make();
        const Hierarchy one = Hierarchy::build(net, nullptr, -1, 1);
        QVERIFY(!one.empty() && one.valid(net.nodeCount()));
        for (int threads : {2, 3, 5}) {
            const Hierarchy many = Hierarchy::build(net, nullptr, -1, threads);
            QCOMPARE(many.rank, one.rank);
            QCOMPARE(many.upOffsets, one.upOffsets);
            QCOMPARE(many.downOffsets, one.downOffsets);
            QCOMPARE(many.up.size(), one.up.size());
            QCOMPARE(many.down.size(), one.down.size());
            for (const auto &[a, b] : {std::pair{&many.up, &one.up}, {&many.down, &one.down}})
                for (std::size_t k = 0; k < a->size(); ++k)
                    if ((*a)[k].to != (*b)[k].to || (*a)[k].time != (*b)[k].time)
                        QFAIL(qPrintable(
                            QStringLiteral("%1 threads: arc %2 differs").arg(threads).arg(k)));
        }
        // The times through it, against the plain search's (sums in tenths: to the last bits).
        Network fast = shape.make();
        fast.useHierarchy(
            std::make_shared<const Hierarchy>(Hierarchy::build(fast, nullptr, -1, 3)));
        RouteFinder plain(net), through(fast);
        for (int i = 0; i < net.size(); i += 37)
            for (int j = net.size() - 1; j >= 0; j -= 41) {
                const double want = plain.time(i, j), got = through.time(i, j);
                if (!(want == got || std::abs(want - got) <= 1e-9 * std::max(1.0, want)))
                    QFAIL(qPrintable(
                        QStringLiteral("%1 to %2: %3, not %4").arg(i).arg(j).arg(got).arg(want)));
            }
    }

    // Rounds of work shared among threads kept for all of them: every item once a round, and
    // what a thread throws comes back to the caller, the crew still serving after it.
    void crewRounds()
    {
        Crew crew(3);
        std::vector<std::atomic<int>> seen(5000);
        for (std::size_t count :
             {std::size_t(0), std::size_t(1), std::size_t(7), std::size_t(5000)}) {
            for (auto &s : seen)
                s = 0;
            crew.run(count, [&](int t, std::size_t i) {
                QVERIFY(t >= 0 && t < crew.size());
                ++seen[i];
            });
            for (std::size_t i = 0; i < seen.size(); ++i)
                QCOMPARE(seen[i].load(), i < count ? 1 : 0);
        }
        bool thrown = false;
        try {
            crew.run(100, [](int, std::size_t i) {
                if (i == 57)
                    throw std::bad_alloc();
            });
        } catch (const std::bad_alloc &) {
            thrown = true;
        }
        QVERIFY(thrown);
        std::atomic<int> sum{0};
        crew.run(100, [&](int, std::size_t i) { sum += int(i); });
        QCOMPARE(sum.load(), 4950);
    }

    // The best order of stops, against every order there is.
    void tripOrdersAreTheBest_data()
    {
        QTest::addColumn<int>("stops");
        QTest::addColumn<int>("maxTime");
        QTest::addColumn<int>("groups"); // stops in `groups` parts that no road joins
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("oneWay"); // each direction its own time (driven on the roads)
        QTest::newRow("one stop") << 1 << 9 << 1 << 1u << false;
        QTest::newRow("two stops") << 2 << 9 << 1 << 2u << false;
        QTest::newRow("five, many ties") << 5 << 2 << 1 << 3u << false;
        QTest::newRow("six, decimals") << 6 << 0 << 1 << 4u << false;
        QTest::newRow("seven, two islands") << 7 << 30 << 2 << 5u << false;
        QTest::newRow("eight") << 8 << 100 << 1 << 6u << false;
        QTest::newRow("eight, three islands") << 8 << 100 << 3 << 7u << false;
        QTest::newRow("eight, all the same") << 8 << 0 << 1 << 0u << false;
        QTest::newRow("eight, one way") << 8 << 100 << 1 << 8u << true;
        QTest::newRow("seven, one way, two islands") << 7 << 30 << 2 << 9u << true;
    }

    void tripOrdersAreTheBest()
    {
        QFETCH(int, stops);
        QFETCH(int, maxTime);
        QFETCH(int, groups);
        QFETCH(quint32, seed);
        QFETCH(bool, oneWay);
        // Times of a network's stops: the shortest times over random roads, symmetric ones but
        // where roads have a time each way.
        QRandomGenerator rng(seed);
        TimeMatrix direct(stops, std::vector<double>(stops, kInf));
        for (int a = 0; a < stops; ++a)
            for (int b = 0; b < a; ++b)
                if (a % groups == b % groups && rng.bounded(3) > 0) {
                    direct[a][b] = direct[b][a] =
                        maxTime > 0 ? double(rng.bounded(maxTime + 1))
                                    : (seed ? std::round(rng.generateDouble() * 1000) / 10 : 7.0);
                    if (oneWay)
                        direct[b][a] = double(rng.bounded(maxTime + 1));
                }
        const ShortestPaths all(direct);
        std::vector<std::vector<double>> times(stops, std::vector<double>(stops));
        for (int a = 0; a < stops; ++a)
            for (int b = 0; b < stops; ++b)
                times[a][b] = all.time(a, b);

        for (const TripEnds ends :
             {TripEnds::KeepFirst, TripEnds::KeepFirstAndLast, TripEnds::Round}) {
            // Every order with the fixed stops in place: the fewest legs without a road, then
            // the least time.
            std::vector<int> order(static_cast<std::size_t>(stops));
            std::iota(order.begin(), order.end(), 0);
            const bool lastFixed = ends == TripEnds::KeepFirstAndLast && stops > 1;
            const auto movable = std::make_pair(order.begin() + std::min(stops, 1),
                                                order.end() - (lastFixed ? 1 : 0));
            int bestMissing = INT_MAX;
            double bestTime = kInf;
            do {
                int missing = 0;
                const double time = tripTime(times, order, ends, &missing);
                double finite = 0;
                for (std::size_t i = 1; i < order.size(); ++i)
                    finite +=
                        times[order[i - 1]][order[i]] < kInf ? times[order[i - 1]][order[i]] : 0;
                if (ends == TripEnds::Round && stops > 1 && times[order.back()][0] < kInf)
                    finite += times[order.back()][0];
                QCOMPARE(std::isinf(time), missing > 0);
                if (missing < bestMissing || (missing == bestMissing && finite < bestTime)) {
                    bestMissing = missing;
                    bestTime = finite;
                }
            } while (std::next_permutation(movable.first, movable.second));

            const TripOrder exact = bestTripOrder(times, ends);
            const TripOrder searched = bestTripOrder(times, ends, 0); // the search, never exact
            for (const TripOrder &trip : {exact, searched}) {
                std::vector<int> sorted = trip.order;
                std::sort(sorted.begin(), sorted.end());
                std::vector<int> each(static_cast<std::size_t>(stops));
                std::iota(each.begin(), each.end(), 0);
                QCOMPARE(sorted, each); // every stop once, none dropped
                QCOMPARE(trip.order.front(), 0);
                if (lastFixed)
                    QCOMPARE(trip.order.back(), stops - 1);
                int missing = 0;
                QCOMPARE(trip.time, tripTime(times, trip.order, ends, &missing));
                QCOMPARE(trip.missingLegs, missing);
            }
            QVERIFY(exact.proven);
            QCOMPARE(exact.missingLegs, bestMissing);
            // What it saves on the order given: the roads' time, or all when it needs fewer legs
            // that no road makes.
            std::vector<int> given(static_cast<std::size_t>(stops));
            std::iota(given.begin(), given.end(), 0);
            int givenMissing = 0;
            double givenRoads = 0;
            tripTime(times, given, ends, &givenMissing, &givenRoads);
            if (givenMissing > bestMissing)
                QCOMPARE(exact.saves, kInf);
            else
                QVERIFY(std::abs(exact.saves - (givenRoads - bestTime)) <= 1e-9);
            if (bestMissing == 0)
                QCOMPARE(exact.time, bestTime);
            // The search finds the best order of so few stops too, and never says it proved it
            // (one way, it works on each pair's mean time: an order near the best).
            QCOMPARE(searched.missingLegs, bestMissing);
            QVERIFY(std::abs(tripTime(times, searched.order, ends) - exact.time) <= 1e-9 ||
                    bestMissing > 0 || (oneWay && searched.time > exact.time));
            QVERIFY(!searched.proven || stops <= 2);
        }
    }

    // Beyond what can be proven: the search is deterministic, keeps the given order when
    // nothing beats it, and comes close to the best order of a known answer (stops on a line).
    void tripSearchOnManyStops()
    {
        QRandomGenerator rng(17);
        for (const int stops : {20, 120, 400}) {
            std::vector<double> x(static_cast<std::size_t>(stops));
            for (double &v : x)
                v = double(rng.bounded(100000));
            x[0] = -1; // the start at one end: the best open trip runs along the line
            std::vector<std::vector<double>> times(stops, std::vector<double>(stops));
            for (int a = 0; a < stops; ++a)
                for (int b = 0; b < stops; ++b)
                    times[a][b] = std::abs(x[a] - x[b]);
            const double best = *std::max_element(x.begin(), x.end()) - x[0];
            const TripOrder open = bestTripOrder(times, TripEnds::KeepFirst);
            QVERIFY(!open.proven);
            QCOMPARE(open.time, best);
            QCOMPARE(open.order, bestTripOrder(times, TripEnds::KeepFirst).order);
            QCOMPARE(bestTripOrder(times, TripEnds::Round).time, 2 * best);
            // Ends fixed at both sides of the line.
            const int far = int(std::max_element(x.begin(), x.end()) - x.begin());
            std::swap(times[far], times[stops - 1]);
            for (auto &row : times)
                std::swap(row[far], row[stops - 1]);
            QCOMPARE(bestTripOrder(times, TripEnds::KeepFirstAndLast).time, best);
        }
        // Times that differ each way (left along the line takes twice as long): the search
        // ends, and the time it gives is the order's, driven each way as it goes.
        {
            std::vector<double> x(300);
            for (double &v : x)
                v = double(rng.bounded(100000));
            std::vector<std::vector<double>> times(300, std::vector<double>(300));
            for (std::size_t a = 0; a < x.size(); ++a)
                for (std::size_t b = 0; b < x.size(); ++b)
                    times[a][b] = x[b] >= x[a] ? x[b] - x[a] : 2 * (x[a] - x[b]);
            for (const TripEnds ends : {TripEnds::KeepFirst, TripEnds::Round}) {
                const TripOrder trip = bestTripOrder(times, ends);
                QCOMPARE(trip.time, tripTime(times, trip.order, ends));
            }
        }
        // All times equal: no order is better than the one given.
        std::vector<std::vector<double>> flat(30, std::vector<double>(30, 5.0));
        std::vector<int> given(30);
        std::iota(given.begin(), given.end(), 0);
        QCOMPARE(bestTripOrder(flat, TripEnds::KeepFirst).order, given);
    }

    void agreesWithDijkstra()
    {
        QRandomGenerator rng(99);
        for (int round = 0; round < 20; ++round) {
            const int n = 2 + int(rng.bounded(120));
            TimeMatrix m(n, std::vector<double>(n, kInf));
            for (int u = 0; u < n; ++u) {
                m[u][u] = 0;
                for (int v = 0; v < u; ++v)
                    if (rng.bounded(n) < 4)
                        m[u][v] = m[v][u] = rng.generateDouble() * 100;
            }
            const ShortestPaths sp(m);
            for (int s = 0; s < n; ++s) {
                const std::vector<double> dist = dijkstra(m, s);
                for (int t = 0; t < n; ++t) {
                    const double got = sp.time(s, t);
                    QVERIFY(got == dist[t] || std::abs(got - dist[t]) <= 1e-9 * dist[t]);
                    // The route really costs what the table says.
                    const std::vector<int> r = sp.route(s, t);
                    double sum = 0;
                    for (std::size_t i = 1; i < r.size(); ++i)
                        sum += m[r[i - 1]][r[i]];
                    if (dist[t] < kInf)
                        QVERIFY(std::abs(sum - dist[t]) <= 1e-9 * std::max(1.0, dist[t]));
                }
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestShortestPaths)
#include "tst_shortestpaths.moc"
