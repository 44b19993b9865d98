#include "infinity.h"
#include "matrix.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

std::vector<City> cities(std::initializer_list<const char *> names)
{
    std::vector<City> out;
    for (const char *n : names) {
        City c;
        c.setName(QString::fromUtf8(n));
        out.push_back(c);
    }
    return out;
}

Road road(const QString &a, const QString &b, double t)
{
    return Road{a, b, t};
}

// The direct matrix by the plain rule: every ordered pair of positions, every road in order.
TimeMatrix literalCreateMatrix(const std::vector<City> &cs, const std::vector<Road> &roads)
{
    const std::size_t n = cs.size();
    TimeMatrix m(n, std::vector<double>(n, kInf));
    for (std::size_t i = 0; i < n; ++i)
        m[i][i] = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (const Road &r : roads)
                if (r.cityStart == cs[i].getName() && r.cityEnd == cs[j].getName())
                    m[i][j] = m[j][i] = r.time;
    return m;
}

} // namespace

class TestMatrix : public QObject
{
    Q_OBJECT

private slots:
    void recordsAndDefaults()
    {
        const Road r;
        QCOMPARE(r.cityStart, QStringLiteral("unused"));
        QCOMPARE(r.cityEnd, QStringLiteral("unused"));
        City a, b;
        a.setName("Lyon");
        a.setCoordLat(1);
        b.setName("Lyon");
        b.setCoordLat(2);
        QVERIFY(!(a < b) && !(b < a));
        QVERIFY(City().getName().isNull());
    }

    void gettersReturnCopies()
    {
        Matrix m;
        QVERIFY(m.getCities().empty());
        m.setCities(cities({"X"}));
        std::vector<City> copy = m.getCities();
        copy[0].setName("Y");
        copy.push_back(City());
        QCOMPARE(m.getCities().size(), 1u);
        QCOMPARE(m.getCities()[0].getName(), QStringLiteral("X"));
        m.setMatrix({{0.0}});
        TimeMatrix t = m.getMatrix();
        t[0][0] = 5;
        QCOMPARE(m.getMatrix()[0][0], 0.0);
    }

    void directTimes()
    {
        const auto xyz = cities({"X", "Y", "Z"});
        QVERIFY(Matrix::createMatrix({}, {road("X", "Y", 1)}).empty());
        QCOMPARE(Matrix::createMatrix(xyz, {}),
                 TimeMatrix({{0, kInf, kInf}, {kInf, 0, kInf}, {kInf, kInf, 0}}));
        const auto xy = cities({"X", "Y"});
        QCOMPARE(Matrix::createMatrix(xy, {road("X", "Y", 30)}), TimeMatrix({{0, 30}, {30, 0}}));
        // The same pair twice: the later road wins ...
        QCOMPARE(Matrix::createMatrix(xy, {road("X", "Y", 30), road("X", "Y", 25)})[0][1], 25.0);
        // ... unless an earlier one is written from the later city in the list.
        const TimeMatrix back = Matrix::createMatrix(xy, {road("Y", "X", 20), road("X", "Y", 30)});
        QCOMPARE(back, TimeMatrix({{0, 20}, {20, 0}}));
        QCOMPARE(Matrix::createMatrix(xy, {road("X", "Z", 10)}),
                 TimeMatrix({{0, kInf}, {kInf, 0}}));
        QCOMPARE(Matrix::createMatrix(cities({"x", "Y"}), {road("X", "Y", 30)})[0][1], kInf);
        QCOMPARE(Matrix::createMatrix(xy, {road("X", "X", 5)})[0][0], 5.0);
        // Every city of a repeated name takes the road.
        const TimeMatrix dup = Matrix::createMatrix(cities({"X", "X", "Y"}), {road("X", "Y", 7)});
        QCOMPARE(dup[0][2], 7.0);
        QCOMPARE(dup[2][1], 7.0);
        QCOMPARE(dup[0][1], kInf);
    }

    void sameAsVisitingEveryPairAndRoad()
    {
        QRandomGenerator rng(20261207);
        for (int round = 0; round < 200; ++round) {
            const int n = 1 + int(rng.bounded(7));
            std::vector<City> cs;
            for (int i = 0; i < n; ++i) {
                City c;
                c.setName(QString(QChar(u'A' + rng.bounded(4)))); // names repeat
                cs.push_back(c);
            }
            std::sort(cs.begin(), cs.end());
            std::vector<Road> roads;
            const int count = int(rng.bounded(12));
            for (int r = 0; r < count; ++r)
                roads.push_back(road(QString(QChar(u'A' + rng.bounded(5))),
                                     QString(QChar(u'A' + rng.bounded(5))), rng.bounded(50)));
            QCOMPARE(Matrix::createMatrix(cs, roads), literalCreateMatrix(cs, roads));
        }
    }

    void legTimesReadTheObjectsMatrix()
    {
        Matrix m;
        m.setMatrix({{0, 30, kInf}, {30, 0, 45}, {kInf, 45, 0}});
        QCOMPARE(m.setPathTime({0, 1, 2}), std::vector<double>({30, 45}));
        QCOMPARE(m.setPathTime({0, 2}), std::vector<double>({kInf}));
        QVERIFY(m.setPathTime({}).empty());
        QVERIFY(m.setPathTime({1}).empty());
        QVERIFY(std::isnan(m.setPathTime({0, 7})[0])); // off the matrix: no read outside it
    }
};

QTEST_APPLESS_MAIN(TestMatrix)
#include "tst_matrix.moc"
