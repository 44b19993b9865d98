#include "hierarchy.h"
#include "loadproblems.h"
#include "logging.h"
#include "matrix.h"
#include "nameindex.h"
#include "network.h"
#include "networkcache.h"
#include "networkcredit.h"
#include "roadgraphfile.h"
#include "routefinder.h"
#include "routeshape.h"
#include "simplifyline.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <tuple>

#include <sys/stat.h> // mkfifo: a pipe where an image was

namespace {

// Two folders of a network with what images must carry: names several cities share (their
// nodes), a road naming no city, lines said to be bad.
void writeNetwork(const QString &dir, int variant)
{
    QDir().mkpath(dir);
    QByteArray cities = "id,name,dept,lat,lon\n", roads = "from,to,minutes\n";
    for (int i = 0; i < 60; ++i)
        cities += QByteArray::number(i) + ",P" + QByteArray::number(i % 45) + ",1," +
                  QByteArray::number(40 + i % 7) + ",2.5\n";
    cities += "99,,1,1,1\n"; // no name: said
    for (int i = 0; i < 200; ++i)
        roads += "P" + QByteArray::number((i * 7) % 45) + ",P" + QByteArray::number((i * 11) % 45) +
                 ',' + QByteArray::number(10 + (i * 13 + variant) % 50) + '\n';
    roads += "P1,Nowhere,5\nP2,P3,x\n";
    // Shapes for some roads (one line of no city: said), kept in the image with the rest.
    QByteArray shapes = "from,to,km,lat,lon,...\nP1,Nowhere,3\n";
    for (int i = 1; i < 30; ++i)
        shapes += "P" + QByteArray::number((i * 7) % 45) + ",P" +
                  QByteArray::number((i * 11) % 45) + ',' +
                  QByteArray::number(5 + (i + variant) % 9) + ",40.5,2.4,41," +
                  QByteArray::number(2.4 + i * 0.01) + ",41.5,2.6\n";
    for (const auto &[name, bytes] :
         {std::pair{"villes.csv", cities}, {"temps.csv", roads}, {"shapes.csv", shapes}}) {
        QFile f(dir + '/' + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", name);
    }
}

bool sameNetwork(const Network &a, const Network &b)
{
    if (a.size() != b.size() || a.roads().size() != b.roads().size() ||
        a.directMatrix() != b.directMatrix())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        const City &x = a.cities()[std::size_t(i)], &y = b.cities()[std::size_t(i)];
        if (x.getName() != y.getName() || x.getCoordLat() != y.getCoordLat() ||
            x.getCoordLong() != y.getCoordLong() ||
            !std::ranges::equal(a.positionsOf(x.getName()), b.positionsOf(x.getName())))
            return false;
    }
    for (std::size_t r = 0; r < a.roads().size(); ++r)
        if (a.roads()[r].cityStart != b.roads()[r].cityStart ||
            a.roads()[r].cityEnd != b.roads()[r].cityEnd || a.roads()[r].time != b.roads()[r].time)
            return false;
    // The roads' shapes, as drawn and measured.
    const RoadShapes &x = a.shapes(), &y = b.shapes();
    if (x.count() != y.count())
        return false;
    for (int i = 0; i < a.size(); ++i)
        for (int j = 0; j < a.size(); ++j) {
            const int s = x.find(i, j), t = y.find(i, j);
            if ((s < 0) != (t < 0))
                return false;
            if (s >= 0 && (x.km(s) != y.km(t) || x.bounds(s) != y.bounds(t) ||
                           !std::ranges::equal(x.points(s), y.points(t)) ||
                           !std::ranges::equal(x.coarsePoints(s), y.coarsePoints(t))))
                return false;
        }
    return true;
}

} // namespace

class TestLoaders : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // A folder of `dir` holding a network of these two files.
    QString networkFolder(const QString &name, const QByteArray &cities, const QByteArray &roads)
    {
        QDir(dir.path()).mkpath(name);
        write(name + "/villes.csv", cities);
        write(name + "/temps.csv", roads);
        return dir.filePath(name);
    }

    static QStringList names(const Matrix &m)
    {
        QStringList out;
        for (const City &c : m.getCities())
            out << c.getName();
        return out;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void cityLineGivesMapPosition()
    {
        Matrix m;
        QVERIFY(m.loadCity(write("v.csv", "id,name,dept,lat,lon\n7,Lyon,69,45.75,4.85\n")));
        QCOMPARE(m.getCities().size(), 1u);
        const City c = m.getCities()[0];
        QCOMPARE(c.getName(), QStringLiteral("Lyon"));
        QCOMPARE(c.getCoordLat(), 256.25);
        QCOMPARE(c.getCoordLong(), 421.25);
    }

    void lineEndsAndByteOrderMark()
    {
        const QByteArray lf = "id,name,dept,lat,lon\n1,A,1,1,1\n2,B,1,2,2\n";
        QByteArray crlf = lf;
        crlf.replace("\n", "\r\n");
        QByteArray cr = lf;
        cr.replace("\n", "\r"); // old Mac files
        const QByteArray variants[] = {
            lf, lf.chopped(1), crlf, crlf.chopped(2), "\xEF\xBB\xBF" + crlf, cr, cr.chopped(1)};
        for (const QByteArray &bytes : variants) {
            Matrix m;
            QStringList warnings;
            QVERIFY(m.loadCity(write("v.csv", bytes), &warnings));
            QCOMPARE(names(m), QStringList({"A", "B"}));
            QCOMPARE(m.getCities()[1].getCoordLong(), 350.0); // no CR glued to the number
            QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        }
        // Problems are reported on the line a text editor shows, whatever ends the lines.
        const QByteArray bad = "A,B,1\nA,B,x\n\nB,C,y\n";
        QByteArray badCrlf = bad, badCr = bad;
        badCrlf.replace("\n", "\r\n");
        badCr.replace("\n", "\r");
        for (const QByteArray &bytes : {bad, badCrlf, badCr, "\xEF\xBB\xBF" + badCrlf}) {
            Matrix m;
            QStringList warnings;
            QVERIFY(m.loadRoad(write("t.csv", bytes), &warnings));
            QCOMPARE(warnings.size(), 2);
            QVERIFY2(warnings[0].contains("t.csv:2: ") && warnings[1].contains("t.csv:4: "),
                     qPrintable(warnings.join('\n')));
        }
        // A file of several megabytes, read a block at a time: every line keeps its text and its
        // number across the blocks' ends, whatever ends it (a lone CR included), and a broken
        // UTF-8 sequence before a comma stays one replaced character.
        QByteArray many;
        const QByteArray endings[] = {"\n", "\r\n", "\r"};
        for (int i = 1; i <= 150000; ++i) {
            const QByteArray start = i % 1000 == 0 ? QByteArray("Z\xC3") : "Z\xC3\xBCrich";
            many += (i == 123457 ? "A,B,x"
                                 : start + ",\xE2\x82\xAC" + QByteArray::number(i) + ',' +
                                       QByteArray::number(i)) +
                    endings[i % 3];
        }
        QVERIFY(many.size() > 2 << 20);
        Matrix large;
        QStringList warnings;
        QVERIFY(large.loadRoad(write("t.csv", many), &warnings));
        QCOMPARE(warnings, QStringList("t.csv:123457: road skipped: travel time \"x\" (field 3) is "
                                       "not a number"));
        QCOMPARE(large.getRoads().size(), 149999u);
        for (const Road &road : large.roadList()) {
            const int line = int(road.time);
            QCOMPARE(road.cityStart,
                     line % 1000 ? QStringLiteral("Zürich") : QStringLiteral("Z\uFFFD"));
            QCOMPARE(road.cityEnd, QStringLiteral("€%1").arg(line));
        }
        // A BOM is not part of the road file's first start city.
        Matrix roads;
        QVERIFY(roads.loadRoad(write("t.csv", "\xEF\xBB\xBFLyon,Paris,120\r\n")));
        QCOMPARE(roads.getRoads().size(), 1u);
        QCOMPARE(roads.getRoads()[0].cityStart, QStringLiteral("Lyon"));
        QCOMPARE(roads.getRoads()[0].cityEnd, QStringLiteral("Paris"));
    }

    void headerOnlyEmptyAndBlankLines()
    {
        Matrix m;
        QVERIFY(m.loadCity(write("v.csv", "")));
        QVERIFY(m.loadCity(write("v.csv", "id,name,dept,lat,lon\n")));
        QVERIFY(m.getCities().empty());
        // The first line is always a header, even when it looks like a city.
        QVERIFY(m.loadCity(write("v.csv", "1,Lost,1,1,1\n\n2,Kept,1,1,1\n   \n\r\n")));
        QCOMPARE(names(m), QStringList({"Kept"}));
        QVERIFY(m.loadRoad(write("t.csv", "\nKept,Kept,1\n\r\n")));
        QCOMPARE(m.getRoads().size(), 1u);
    }

    void citiesSortByCodeUnitsAndAccumulate()
    {
        Matrix m;
        const QString file = write("v.csv", "h\n1,Zurich,,1,1\n2,abbeville,,1,1\n3,Évreux,,1,1\n"
                                            "4,Amiens,,1,1\n5,Lyon ,,1,1\n");
        QVERIFY(m.loadCity(file));
        const QStringList once = {"Amiens", "Lyon ", "Zurich", "abbeville", "Évreux"};
        QCOMPARE(names(m), once);
        QVERIFY(m.loadCity(file));
        QStringList twice;
        for (const QString &n : once)
            twice << n << n;
        QCOMPARE(names(m), twice);

        // Names alike for eight units and more, prefixes of each other, a character beyond
        // U+FFFF, a NUL (read as U+FFFD), and names repeated (kept in file order): the order
        // of comparing whole names, however the sort gets there.
        QStringList tricky{"Saint-Martin-de-Ré",
                           "Saint-Martin-d'Hères",
                           "Saint-Martin",
                           "Saint",
                           "Saint-Martin-de-Ré",
                           "Saint-Martin-de-R",
                           "\U0001F600 Smile",
                           "\uFFFF",
                           "\uE000",
                           "Sain",
                           QString(),
                           "Saint-Martin-de-Ré"};
        tricky[10] = QStringLiteral("Saint-Ma") + QChar(0) + QStringLiteral("tin");
        QByteArray lines = "h\n";
        for (int i = 0; i < tricky.size(); ++i)
            lines += QByteArray::number(i) + ',' + tricky[i].toUtf8() + ",," +
                     QByteArray::number(i) + ",0\n";
        Matrix sorted;
        QVERIFY(sorted.loadCity(write("tricky.csv", lines)));
        std::vector<City> expected = sorted.getCities();
        std::sort(expected.begin(), expected.end(), [](const City &a, const City &b) {
            return a.getName() != b.getName() ? a.getName() < b.getName()
                                              : a.getCoordLat() > b.getCoordLat(); // file order
        });
        QCOMPARE(sorted.getCities().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(sorted.getCities()[i].getName(), expected[i].getName());
            QCOMPARE(sorted.getCities()[i].getCoordLat(), expected[i].getCoordLat());
        }
    }

    void fieldsWrapAround()
    {
        // 25 fields: the 22nd, 24th and 25th act as name, latitude and longitude again.
        QStringList fields;
        for (int i = 1; i <= 25; ++i)
            fields << QString::number(i);
        fields[1] = "A";
        fields[21] = "B";
        fields[23] = "10";
        fields[24] = "-4";
        Matrix m;
        QVERIFY(m.loadCity(write("v.csv", "h\n" + fields.join(',').toUtf8())));
        QCOMPARE(names(m), QStringList({"B"}));
        QCOMPARE(m.getCities()[0].getCoordLat(), 1150.0);
        QCOMPARE(m.getCities()[0].getCoordLong(), 200.0);

        QVERIFY(m.loadRoad(write("t.csv", "Lyon,Paris,120\nLyon,Paris,120,x,Nice,Lille,45\n")));
        const std::vector<Road> roads = m.getRoads();
        QCOMPARE(roads.size(), 2u);
        QCOMPARE(roads[0].time, 120.0);
        QCOMPARE(roads[1].cityStart, QStringLiteral("Nice"));
        QCOMPARE(roads[1].cityEnd, QStringLiteral("Lille"));
        QCOMPARE(roads[1].time, 45.0);
    }

    // A network folder's credits: the first line that says something is the map's, the file
    // (a few kilobytes at most) About's; anything else is no credit.
    void networkCredit_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "<dir>": a folder of that name
        QTest::addColumn<QString>("line");
        QTest::newRow("none") << QByteArray() << QString();
        // Given, but saying nothing where it is read: a credit missing, said as such.
        QTest::newRow("blank kilobytes")
            << QByteArray(NetworkCredit::kMostBytes, '\n') + "\xc2\xa9 Too late\n"
            << QString();
        QTest::newRow("two lines, CR LF")
            << QByteArray("\r\n  \r\n\xc2\xa9 OpenStreetMap contributors, ODbL\r\nmore\r\n")
            << QString::fromUtf8("© OpenStreetMap contributors, ODbL");
        QTest::newRow("control characters")
            << QByteArray("a\x01\tb\x1b[31m") << QStringLiteral("a b [31m");
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9") << QString::fromUtf8("caf\uFFFD");
        QTest::newRow("a line of a megabyte")
            << QByteArray(1 << 20, 'x') << QString(119, u'x') + QChar(0x2026);
        QTest::newRow("a folder") << QByteArray("<dir>") << QString();
    }

    void networkCredit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        QTemporaryDir folder;
        const QString path = folder.filePath("credits.txt");
        if (bytes == "<dir>") {
            QVERIFY(QDir().mkdir(path));
        } else if (!bytes.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const NetworkCredit credit = readNetworkCredit(folder.path());
        QCOMPARE(credit.line, line);
        QVERIFY(credit.text.toUtf8().size() <= NetworkCredit::kMostBytes * 3);
        QCOMPARE(credit.text.isEmpty(), line.isEmpty());
        QCOMPARE(creditMissing(credit), line.isEmpty() && !bytes.isEmpty() && bytes != "<dir>");
    }

    // A shape simplified for drawing keeps its ends and leaves none of its points by more than
    // the tolerance, on any shape: those that take the farthest-point split quadratic time (a
    // long zigzag, a spiral) among them.
    void simplifiedLinesStayWithinTolerance_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("n");
        QTest::newRow("a straight line") << 0 << 1000;
        QTest::newRow("a zigzag, 100,000 points") << 1 << 100000;
        QTest::newRow("a spiral") << 2 << 20000;
        QTest::newRow("a random walk") << 3 << 20000;
        QTest::newRow("two points") << 0 << 2;
    }

    void simplifiedLinesStayWithinTolerance()
    {
        QFETCH(int, shape);
        QFETCH(int, n);
        QRandomGenerator rng(5);
        std::vector<std::pair<double, double>> line;
        double x = 0, y = 0;
        for (int k = 0; k < n; ++k) {
            if (shape == 0)
                line.emplace_back(k * 3.0, k * 1.0);
            else if (shape == 1) // each turn just off the last, the farthest point at an end
                line.emplace_back(k * 0.5, (k % 2) * 1000.0 + k * 0.01);
            else if (shape == 2)
                line.emplace_back(k * std::cos(k * 0.05), k * std::sin(k * 0.05));
            else
                line.emplace_back(x += rng.bounded(20.0) - 10, y += rng.bounded(20.0) - 10);
        }
        const double tolerance = 5;
        const std::vector<char> keep = simplifyLine(
            line.size(), [&line](std::size_t k) { return line[k]; }, tolerance);
        QCOMPARE(keep.size(), line.size());
        QVERIFY(keep.front() && keep.back());
        double worst = 0;
        for (std::size_t a = 0, b = 1; b < line.size(); ++b) {
            if (!keep[b])
                continue;
            const double dx = line[b].first - line[a].first, dy = line[b].second - line[a].second;
            const double length2 = dx * dx + dy * dy;
            for (std::size_t k = a + 1; k < b; ++k) {
                const double px = line[k].first - line[a].first,
                             py = line[k].second - line[a].second;
                const double t =
                    length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
                worst = std::max(worst, std::hypot(px - t * dx, py - t * dy));
            }
            a = b;
        }
        QVERIFY2(worst <= tolerance, qPrintable(QString::number(worst)));
        if (shape == 0)
            QCOMPARE(std::count(keep.begin(), keep.end(), 1), std::ptrdiff_t(2));
    }

    // A folder's road shapes: what serves is kept, oriented from the lower position; a line
    // that cannot serve is said and left out, the rest still read.
    void roadShapes_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "<dir>": a folder of that name
        QTest::addColumn<QString>("said");     // in the one message, or empty: none
        QTest::addColumn<double>("km");        // of A-B; NaN: no shape
        QTest::addColumn<double>("firstLat");  // of A-B's first point
        const double none = std::nan("");
        QTest::newRow("no file") << QByteArray() << QString() << none << none;
        QTest::newRow("header, a road")
            << QByteArray("from,to,km,lat,lon,...\nA,B,12.5,45,4,45.5,4.5,46,5\n") << QString()
            << 12.5 << 45.0;
        QTest::newRow("written from B")
            << QByteArray("B,A,7,46,5,45.5,4.5,45,4\r\n") << QString() << 7.0 << 45.0;
        QTest::newRow("km only") << QByteArray("A,B,3") << QString() << 3.0 << none;
        QTest::newRow("the later line holds")
            << QByteArray("A,B,1,45,4\nB,A,2,46,5\n") << QString() << 2.0 << 46.0;
        QTest::newRow("unknown city")
            << QByteArray("A,X,3\nA,B,1\n") << "\"X\" names no city" << 1.0 << none;
        QTest::newRow("no road") << QByteArray("A,C,3\n") << "no road of temps.csv joins" << none
                                 << none;
        QTest::newRow("km a word")
            << QByteArray("x,y,z\nA,B,far\n") << "is not a number of km" << none << none;
        QTest::newRow("km negative")
            << QByteArray("A,B,-1\n") << "is not a number of km" << none << none;
        QTest::newRow("two fields")
            << QByteArray("A,B,1\nA,B\n") << "this line has 2 field(s)" << 1.0 << none;
        QTest::newRow("latitude alone")
            << QByteArray("A,B,1,45\n") << "has a latitude and no" << none << none;
        QTest::newRow("off the Earth")
            << QByteArray("A,B,1,95,4\n") << "no latitude and longitude" << none << none;
        QTest::newRow("a folder") << QByteArray("<dir>") << "cannot be read" << none << none;
    }

    void roadShapes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        QFETCH(double, km);
        QFETCH(double, firstLat);
        const QString name = QStringLiteral("shapes-%1").arg(QTest::currentDataTag());
        const QString folder = networkFolder(
            name, "id,name,dept,lat,lon\n1,A,1,45,4\n2,B,1,46,5\n3,C,1,47,6\n", "A,B,10\nB,C,5\n");
        if (bytes == "<dir>")
            QVERIFY(QDir().mkdir(folder + "/shapes.csv"));
        else if (!bytes.isEmpty())
            write(name + "/shapes.csv", bytes);
        Network net;
        QStringList messages;
        QCOMPARE(net.load(folder, &messages), Network::Load::Ok);
        QCOMPARE(messages.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty()) {
            QVERIFY2(messages[0].contains(said), qPrintable(messages[0]));
            QVERIFY(loadtext::leftOut(messages[0])); // a shape left out
        }
        const int shape = net.shapes().find(1, 0);
        QCOMPARE(shape >= 0, !std::isnan(km));
        if (shape < 0)
            return;
        QCOMPARE(net.shapes().find(0, 1), shape);
        QCOMPARE(net.shapes().km(shape), km);
        QCOMPARE(net.shapes().points(shape).empty(), std::isnan(firstLat));
        // Its box holds it whole (the map leaves out the roads whose box is out of sight).
        for (const QPointF &p : net.shapes().points(shape))
            QVERIFY(net.shapes().bounds(shape).adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(p));
        if (!std::isnan(firstLat))
            QCOMPARE(latitudeOfMapY(net.shapes().points(shape).front().y()), firstLat);
        // A route the other way takes the shape backwards, from its own first city.
        const RouteShape back = routeShape(net, {2, 1, 0});
        QCOMPARE(back.legKm.size(), 2u);
        QVERIFY(std::isnan(back.legKm[0])); // B-C has no shape
        QCOMPARE(back.legKm[1], km);
        QVERIFY(std::isnan(back.totalKm()));
        QCOMPARE(back.legLines[1].front(),
                 QPointF(net.cities()[1].getCoordLong(), net.cities()[1].getCoordLat()));
        QCOMPARE(back.legLines[1].back(),
                 QPointF(net.cities()[0].getCoordLong(), net.cities()[0].getCoordLat()));
        QCOMPARE(routeShape(net, {0, 1}).totalKm(), km);
    }

    // A route that only passes a town does not go to the town's point and back: that stretch
    // is cut from the line and the km; a town asked for as a stop is driven to.
    void passingATownIsNoDetour()
    {
        const QString folder =
            networkFolder("town", "id,name,dept,lat,lon\n1,A,1,45,4\n2,B,1,46,5\n3,C,1,45,6\n",
                          "A,B,10\nB,C,12\n");
        // B's road node 0.1 degree north of it, reached from the junction J.
        write("town/shapes.csv",
              "A,B,100,45,4,45.5,5,46.1,5,46,5\nB,C,120,46,5,46.1,5,45.5,5,45,6\n");
        Network net;
        QCOMPARE(net.load(folder), Network::Load::Ok);
        const RouteShape passing = routeShape(net, {0, 1, 2});
        const double spur = 0.6 * 111.2; // J to the node, about 67 km
        QCOMPARE(passing.legLines[0].back(), passing.legLines[1].front());
        QCOMPARE(latitudeOfMapY(passing.legLines[0].back().y()), 45.5);
        QVERIFY(std::abs(passing.totalKm() - (220 - 2 * spur)) < 1);
        QVERIFY(std::abs(passing.legKm[0] - (100 - spur)) < 0.5);
        const RouteShape stopping = routeShape(net, {0, 1, 2}, {"A", "B", "C"});
        QCOMPARE(stopping.totalKm(), 220.0);
        QCOMPARE(stopping.legLines[0].size(), 4u);
    }

    void numbersAreCLocaleDecimals_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << QByteArray("120") << true << 120.0;
        QTest::newRow("spaces") << QByteArray("  12.5 ") << true << 12.5;
        QTest::newRow("plus") << QByteArray("+3") << true << 3.0;
        QTest::newRow("exponent") << QByteArray("1.5e2") << true << 150.0;
        QTest::newRow("leading point") << QByteArray(".5") << true << 0.5;
        QTest::newRow("trailing point") << QByteArray("5.") << true << 5.0;
        QTest::newRow("zero") << QByteArray("0") << true << 0.0;
        QTest::newRow("word") << QByteArray("abc") << false << 0.0;
        QTest::newRow("empty") << QByteArray("") << false << 0.0;
        QTest::newRow("unit") << QByteArray("12mn") << false << 0.0;
        QTest::newRow("nan") << QByteArray("nan") << false << 0.0;
        QTest::newRow("inf") << QByteArray("inf") << false << 0.0;
        QTest::newRow("overflow") << QByteArray("1e999") << false << 0.0;
        QTest::newRow("underflow") << QByteArray("1e-999") << true << 0.0;
        QTest::newRow("denormal") << QByteArray("5e-324") << true << 5e-324;
        QTest::newRow("hex") << QByteArray("0x10") << false << 0.0;
        QTest::newRow("two points") << QByteArray("1.2.3") << false << 0.0;
        QTest::newRow("bare exponent") << QByteArray("1e") << false << 0.0;
        QTest::newRow("signed exponent") << QByteArray("2E+3") << true << 2000.0;
        QTest::newRow("minus zero") << QByteArray("-0") << true << 0.0;
        QTest::newRow("subnormal") << QByteArray("1e-310") << true << 1e-310;
        QTest::newRow("nearest double")
            << QByteArray("0.30000000000000004") << true << 0.30000000000000004;
        QTest::newRow("long, leading zeros") << QByteArray(70, '0') + "12.5" << true << 12.5;
        QTest::newRow("long, tiny") << "0." + QByteArray(80, '0') + "1" << true << 1e-81;
        QTest::newRow("long, underflow") << "0." + QByteArray(400, '0') + "1" << true << 0.0;
    }

    void numbersAreCLocaleDecimals()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        Matrix m;
        QStringList warnings;
        QVERIFY(m.loadRoad(write("t.csv", "A,B," + text + "\n"), &warnings));
        QCOMPARE(m.getRoads().size(), valid ? 1u : 0u);
        if (valid)
            QCOMPARE(m.getRoads()[0].time, value);
        else
            QVERIFY(warnings.value(0).startsWith("t.csv:1: road skipped: travel time \"" + text +
                                                 "\" (field 3)"));

        Matrix c;
        warnings.clear();
        QVERIFY(c.loadCity(write("v.csv", "h\n1,A,1," + text + ",1\n"), &warnings));
        QCOMPARE(c.getCities().size(), 1u);                  // a city is kept either way
        const bool onEarth = valid && std::abs(value) <= 90; // else said, and 0 used
        QCOMPARE(c.getCities()[0].getCoordLat(), 1400.0 - 25.0 * (onEarth ? value : 0.0));
        QCOMPARE(warnings.isEmpty(), onEarth);
    }

    void badRoadsAreSkippedWithTheirLine()
    {
        Matrix m;
        QStringList warnings;
        QVERIFY(
            m.loadRoad(write("t.csv", "A,B,10\nA,B\nA,B,-1\nA,B,x,y,C,D,zz\nA,B,0\n"), &warnings));
        const std::vector<Road> roads = m.getRoads();
        QCOMPARE(roads.size(), 2u);
        QCOMPARE(roads[1].time, 0.0); // a 0-minute road is a real road
        QCOMPARE(warnings,
                 QStringList({
                     "t.csv:2: road skipped: no travel time (field 3)",
                     "t.csv:3: road skipped: travel time \"-1\" (field 3) is negative",
                     "t.csv:4: road skipped: travel time \"zz\" (field 7) is not a number",
                     "t.csv:1: road \"A\" to \"B\" takes 10 minutes here but 0 on line 5, which "
                     "is used (a road written from \"B\" to \"A\" comes first, then the last "
                     "line)",
                 }));
        // The window says lines were left out for the skipped ones, not for the pair's remark.
        for (const QString &warning : warnings)
            QCOMPARE(loadtext::leftOut(warning), warning.contains("skipped"));
    }

    void tooLargeTimesAndDuplicateNamesAreSaid()
    {
        Matrix m;
        QStringList warnings;
        QVERIFY(m.loadRoad(write("t.csv", "A,B,1e400\n"), &warnings));
        QCOMPARE(warnings,
                 QStringList({"t.csv:1: road skipped: travel time \"1e400\" (field 3) is too large "
                              "(at most 1e+12 minutes)"}));
        warnings.clear();
        QVERIFY(m.loadCity(write("v.csv", "h\n1,A,0,1,1\n2,B,0,1,1\n3,A,0,2,2\n"), &warnings));
        QCOMPARE(warnings,
                 QStringList(
                     {"v.csv:4: city \"A\" is listed on line 2 too; a road naming it joins both"}));
        QCOMPARE(m.getCities().size(), 3u); // nothing is dropped
        QVERIFY(!loadtext::leftOut(warnings[0]));
        warnings.clear();
        QVERIFY(m.loadCity(write("w.csv", "h\n1,B,0,1,1\n"), &warnings));
        QCOMPARE(warnings, QStringList({"w.csv:2: city \"B\" is listed in a file read before too; "
                                        "a road naming it joins both"}));
    }

    void aFileOfGarbageSaysSoBriefly()
    {
        QByteArray junk;
        for (int i = 0; i < 5000; ++i)
            junk += "A,B," + QByteArray(60, 'x') + "\n";
        Matrix m;
        QStringList warnings;
        QVERIFY(m.loadRoad(write("t.csv", junk), &warnings));
        QCOMPARE(warnings.size(), 101);
        QCOMPARE(warnings.last(), QStringLiteral("t.csv: 4900 more problems not listed"));
        // Long fields are cut in messages.
        QVERIFY(warnings[0].endsWith("travel time \"" + QString(40, 'x') +
                                     "...\" (field 3) is not a number"));
    }

    void shortCityLinesKeepTheCity()
    {
        Matrix m;
        QStringList warnings;
        QVERIFY(m.loadCity(write("v.csv", "h\n1,A\n2,B,3,44\n"), &warnings));
        QCOMPARE(names(m), QStringList({"A", "B"}));
        QCOMPARE(m.getCities()[1].getCoordLat(), 300.0);
        QCOMPARE(m.getCities()[1].getCoordLong(), 300.0);
        QCOMPARE(warnings.size(), 3);
        QCOMPARE(warnings[2], QStringLiteral("v.csv:3: city \"B\" has no longitude; 0 is used"));
    }

    void unreadableFilesChangeNothing()
    {
        Matrix m;
        QVERIFY(m.loadCity(write("v.csv", "h\n1,A,1,1,1\n")));
        QVERIFY(m.loadRoad(write("t.csv", "A,A,1\n")));
        // The debug line is there for whoever turns the category on; quiet otherwise.
        QVERIFY(!lcModel().isDebugEnabled());
        QLoggingCategory::setFilterRules(QStringLiteral("gps.model.debug=true"));
        const auto quiet = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
        for (const QString &path : {dir.filePath("missing.csv"), dir.path()}) {
            QStringList warnings;
            QTest::ignoreMessage(QtDebugMsg, "CSV file not load...");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read"));
            QVERIFY(!m.loadCity(path, &warnings));
            QTest::ignoreMessage(QtDebugMsg, "CSV file not load...");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read"));
            QVERIFY(!m.loadRoad(path, &warnings));
            QCOMPARE(warnings.size(), 2);
            QVERIFY(warnings[0].startsWith(path + ": cannot be read"));
        }
        QCOMPARE(names(m), QStringList({"A"}));
        QCOMPARE(m.getRoads().size(), 1u);
    }

    // The names' index against QHash: numbers in the order first added, whatever the table's
    // growth, collisions and wrap-around, one at a time or in batches of any length.
    void nameIndexNumbersAsFirstAdded_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("reserved");
        QTest::newRow("a few") << 10 << 0;
        QTest::newRow("more than a batch, grown") << 1000 << 0;
        QTest::newRow("many, reserved short") << 60000 << 100;
        QTest::newRow("many, reserved") << 60000 << 60000;
    }

    void nameIndexNumbersAsFirstAdded()
    {
        QFETCH(int, count);
        QFETCH(int, reserved);
        QRandomGenerator rng{quint32(count)};
        // Names alike: prefixes of each other, case, an empty one, a NUL, beyond U+FFFF.
        const QStringList special{"", "a", "A", "ab", QString(QChar(0)), "\U0001F600", "a "};
        QStringList names = special;
        for (int i = 0; i < count; ++i)
            names << QStringLiteral("n%1").arg(rng.bounded(count)); // repeats among them
        NameIndex index{std::size_t(reserved)};
        QHash<QString, int> reference;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const bool first = !reference.contains(names[i]);
            if (first)
                reference.insert(names[i], int(reference.size()));
            bool added = false;
            const int id =
                i % 2 ? index.add(QStringView(names[i]), &added) : index.add(names[i], &added);
            QCOMPARE(id, reference[names[i]]);
            QCOMPARE(added, first);
        }
        QCOMPARE(index.size(), int(reference.size()));
        std::vector<QStringView> keys;
        QStringList absent;
        for (int i = 0; i < 300; ++i)
            absent << QStringLiteral("m%1").arg(i);
        for (qsizetype i = 0; i < names.size(); i += 3)
            keys.push_back(names[i]);
        for (const QString &name : absent)
            keys.push_back(name);
        std::vector<int> ids(keys.size());
        index.find(keys.data(), int(keys.size()), ids.data());
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const int expected = reference.value(keys[k].toString(), -1);
            QCOMPARE(ids[k], expected);
            QCOMPARE(index.find(keys[k]), expected);
            if (expected >= 0)
                QCOMPARE(index.name(expected), keys[k].toString());
        }
    }

    // A large road file is read by two threads, each half the lines; what they read is put
    // together as one thread would have read it: the same roads, problems (their order, lines
    // and count), numbers of the names no city has, and kept times of pairs given twice.
    void roadsReadInTwoHalvesAsInOne_data()
    {
        QTest::addColumn<QByteArray>("roads");
        const auto lines = [](int count, const auto &line) {
            QByteArray out;
            for (int i = 0; i < count; ++i)
                out += line(i);
            return out;
        };
        const auto known = [](int i) { return "A" + QByteArray::number(i % 100); };
        QTest::newRow("unknown names in both halves") << lines(3000, [&](int i) {
            return (i % 13 ? known(i) : "Ghost" + QByteArray::number(i % 7)) + ',' +
                   (i % 17 ? known(i * 7) : "Ghost" + QByteArray::number(i % 5)) + ',' +
                   QByteArray::number(i % 3) + '\n';
        });
        QTest::newRow("pairs given twice, across the halves") << lines(3000, [&](int i) {
            return known(i) + ',' + known(i * 3 + 1) + ',' + QByteArray::number(i % 11) +
                   (i % 2 ? "\r\n" : "\n");
        });
        QTest::newRow("over a hundred problems, first half")
            << lines(3000, [&](int i) { return known(i) + ",A1," + (i < 800 ? "x" : "2") + '\n'; });
        QTest::newRow("over a hundred problems, second half") << lines(
            3000, [&](int i) { return known(i) + ",A1," + (i > 2000 ? "x" : "2") + '\n'; });
        QTest::newRow("header, blank lines, replaced characters, quotes")
            << "from,to,minutes\n" + lines(3000, [&](int i) {
                   return i % 9 == 0    ? QByteArray("\n")
                          : i % 10 == 0 ? "Ghost\x01" + QByteArray::number(i % 3) + ",A1,3\n"
                          : i % 11 == 0 ? QByteArray("\"A2,A3,4\r\n")
                                        : known(i) + ',' + known(i + 1) + ",1.5\n";
               });
    }

    void roadsReadInTwoHalvesAsInOne()
    {
        QFETCH(QByteArray, roads);
        QByteArray villes = "id,name,dept,lat,lon\n";
        for (int i = 0; i < 100; ++i)
            villes += "1,A" + QByteArray::number(i) + ",1,1,1\n";
        const auto guard = qScopeGuard([] { Matrix::setSplitFrom(qsizetype(1) << 20); });
        // Blank lines in front move the middle through the lines.
        for (const int shift : {0, 1, 7, 30}) {
            const QByteArray bytes = QByteArray(shift, '\n') + roads;
            Matrix whole, halves;
            QStringList wholeSaid, halvesSaid;
            for (auto [m, said, from] : {std::tuple{&whole, &wholeSaid, qsizetype(1) << 40},
                                         std::tuple{&halves, &halvesSaid, qsizetype(0)}}) {
                m->readCities(villes, "villes.csv");
                Matrix::setSplitFrom(from);
                m->readRoads(bytes, "temps.csv", said);
            }
            QCOMPARE(halvesSaid, wholeSaid);
            QVERIFY(!wholeSaid.isEmpty());
            const std::vector<Road> a = whole.getRoads(), b = halves.getRoads();
            QCOMPARE(b.size(), a.size());
            for (std::size_t r = 0; r < a.size(); ++r)
                QVERIFY(a[r].cityStart == b[r].cityStart && a[r].cityEnd == b[r].cityEnd &&
                        a[r].time == b[r].time);
            QCOMPARE(halves.takeRoadNames(), whole.takeRoadNames());
        }
    }

    // A network read once is kept as an image, read the next time only while it is the image
    // of the files as they are: whatever happened to the image or the files, the network read
    // is the files' network, with the files' messages.
    void networkImagesAreCheckedBeforeUse_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("imageRead");
        QTest::addColumn<bool>("imageMadeAnew");
        QTest::newRow("nothing") << "" << true << true;
        QTest::newRow("files: other bytes, same size and time") << "bytes" << false << true;
        QTest::newRow("files: touched") << "touched" << false << true;
        QTest::newRow("image: a byte damaged") << "damaged" << false << true;
        QTest::newRow("image: cut short") << "truncated" << false << true;
        QTest::newRow("image: empty") << "empty" << false << true;
        QTest::newRow("image: not one") << "foreign bytes" << false << true;
        // An earlier version's image may lack what this one keeps (a hierarchy): made again.
        QTest::newRow("image: an earlier version") << "earlier version" << false << true;
        QTest::newRow("image: another folder's") << "other folder" << false << true;
        QTest::newRow("cache folder: a file") << "folder is a file" << false << false;
        // An image that cannot be kept: nothing built for it, and why said.
        QTest::newRow("image: a folder in its place") << "folder in place" << false << false;
        // What is not the user's own ordinary file is neither read nor written through.
        QTest::newRow("image: a key spliced onto another's payload") << "spliced" << false << true;
        QTest::newRow("image: a pipe (replaced)") << "pipe" << false << true;
        QTest::newRow("image: a link to a device (left alone)") << "link" << false << false;
        QTest::newRow("image: writable by others (replaced)") << "others" << false << true;
        QTest::newRow("cache folder: writable by others (made private)")
            << "open folder" << false << true;
        QTest::newRow("the folder spelt otherwise: the same image") << "spelling" << true << true;
        QTest::newRow("network below the size kept") << "small" << false << false;
        // The shapes go with the image: told apart like the two files.
        QTest::newRow("shapes: other lengths") << "shapes" << false << true;
        QTest::newRow("shapes: a file made since") << "shapes added" << false << true;
    }

    void networkImagesAreCheckedBeforeUse()
    {
        QFETCH(QString, change);
        QFETCH(bool, imageRead);
        QFETCH(bool, imageMadeAnew);
        QTemporaryDir root;
        const QString net = root.filePath("net"), cacheDir = root.filePath("cache");
        writeNetwork(net, 0);
        const QStringList files{net + "/villes.csv", net + "/temps.csv"};
        const QDateTime time = QDateTime::fromSecsSinceEpoch(1700000000);
        const auto setTime = [&files](const QDateTime &when) {
            for (const QString &name : files) {
                QFile file(name);
                if (!file.open(QIODevice::ReadWrite) ||
                    !file.setFileTime(when, QFileDevice::FileModificationTime))
                    return false;
            }
            return true;
        };
        QVERIFY(setTime(time));
        bool fromImage = true;
        Network::Cache cache{cacheDir, 0, &fromImage};
        cache.hierarchyFrom = 0; // made with the image, kept in it
        if (change == "small")
            cache.smallest = 1 << 20;
        if (change == "folder is a file")
            QVERIFY(QFile(cacheDir).open(QIODevice::WriteOnly));
        if (change == "shapes added")
            QVERIFY(QFile::remove(net + "/shapes.csv"));
        if (change == "folder in place") {
            QByteArray key;
            QVERIFY(QDir().mkpath(networkcache::fileFor(cacheDir, net, &key)));
        }
        QString notKept;
        cache.notKept = &notKept;
        Network first;
        QStringList firstMessages;
        QCOMPARE(first.load(net, &firstMessages, cache), Network::Load::Ok);
        QVERIFY(!fromImage);
        QVERIFY(firstMessages.size() > 100); // and the count of those not listed
        const QStringList images = QDir(cacheDir).entryList(QDir::Files);
        const bool kept =
            change != "folder is a file" && change != "small" && change != "folder in place";
        QCOMPARE(bool(first.hierarchy()), kept); // built only for an image kept
        QCOMPARE(notKept.isEmpty(), kept || change == "small");
        if (change == "folder in place")
            QVERIFY2(notKept.startsWith("a folder stands where its image would go"),
                     qPrintable(notKept));
        QCOMPARE(images.size(), kept ? 1 : 0);
        QFile image(images.isEmpty() ? QString() : QDir(cacheDir).filePath(images[0]));
        const QFile::Permissions privately =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        if (kept) { // the user's alone: it holds the network and its folder's path
            QCOMPARE(image.permissions(), privately);
            QCOMPARE(QFile::permissions(cacheDir), privately | QFile::ExeOwner | QFile::ExeUser);
        }
        QString spelt = net; // as the second and third loads name the folder

        if (change == "shapes" || change == "shapes added") {
            QTemporaryDir other;
            writeNetwork(other.path(), change == "shapes" ? 1 : 0);
            QFile::remove(net + "/shapes.csv");
            QVERIFY(QFile::copy(other.filePath("shapes.csv"), net + "/shapes.csv"));
        } else if (change == "bytes" || change == "touched") {
            if (change == "bytes")
                writeNetwork(net, 1); // the same lengths, other times
            QVERIFY(setTime(change == "bytes" ? time : time.addSecs(10)));
        } else if (change == "damaged") {
            QVERIFY(image.open(QIODevice::ReadWrite));
            QVERIFY(image.seek(image.size() - 100));
            char byte = 0;
            QVERIFY(image.getChar(&byte) && image.seek(image.size() - 100) &&
                    image.putChar(char(byte ^ 0x10)));
            image.close();
        } else if (change == "truncated" || change == "empty") {
            QVERIFY(image.resize(change == "empty" ? 0 : image.size() / 2));
        } else if (change == "foreign bytes") {
            QVERIFY(image.open(QIODevice::WriteOnly) && image.write("GPSNET and so on") > 0);
            image.close();
        } else if (change == "earlier version") {
            quint32 version = 0; // after the 8 bytes of the magic and 4 of the byte order
            QVERIFY(image.open(QIODevice::ReadWrite) && image.seek(12) &&
                    image.read(reinterpret_cast<char *>(&version), 4) == 4 && version > 1);
            --version;
            QVERIFY(image.seek(12) &&
                    image.write(reinterpret_cast<const char *>(&version), 4) == 4);
            image.close();
        } else if (change == "spliced") {
            // This image's key, then another network's payload with its own hash.
            const QString other = root.filePath("other"), otherCache = root.filePath("c2");
            writeNetwork(other, 2);
            Network o;
            QCOMPARE(o.load(other, nullptr, Network::Cache{otherCache, 0}), Network::Load::Ok);
            QFile theirs(QDir(otherCache).filePath(QDir(otherCache).entryList(QDir::Files)[0]));
            QVERIFY(image.open(QIODevice::ReadOnly) && theirs.open(QIODevice::ReadOnly));
            const QByteArray mine = image.readAll(), their = theirs.readAll();
            image.close();
            const auto keyEnd = [](const QByteArray &bytes) {
                quint64 size = 0;
                std::memcpy(&size, bytes.constData() + 16, 8);
                return qsizetype(24 + size);
            };
            QVERIFY(image.open(QIODevice::WriteOnly));
            image.write(mine.left(keyEnd(mine)) + their.mid(keyEnd(their)));
            image.close();
        } else if (change == "pipe") {
            QVERIFY(image.remove());
            QCOMPARE(mkfifo(QFile::encodeName(image.fileName()).constData(), 0600), 0);
        } else if (change == "link") {
            QVERIFY(image.remove() && QFile::link("/dev/null", image.fileName()));
        } else if (change == "others") {
            QVERIFY(image.setPermissions(image.permissions() | QFile::WriteOther));
        } else if (change == "open folder") {
            QVERIFY(QFile::setPermissions(cacheDir, QFile::permissions(cacheDir) |
                                                        QFile::WriteOther | QFile::ExeOther));
        } else if (change == "spelling") {
            QVERIFY(QFile::link(net, root.filePath("alias")));
            spelt = root.filePath("alias/../net");
        } else if (change == "other folder") {
            // Another network's image in this one's place.
            const QString other = root.filePath("other"), otherCache = root.filePath("c2");
            writeNetwork(other, 2);
            Network o;
            QCOMPARE(o.load(other, nullptr, Network::Cache{otherCache, 0}), Network::Load::Ok);
            const QString made = QDir(otherCache).entryList(QDir::Files).value(0);
            QVERIFY(image.remove() &&
                    QFile::copy(QDir(otherCache).filePath(made), image.fileName()));
        }

        Network second;
        QStringList secondMessages;
        QCOMPARE(second.load(spelt, &secondMessages, cache), Network::Load::Ok);
        QCOMPARE(fromImage, imageRead);
        QCOMPARE(bool(second.hierarchy()), kept && change != "link");
        Network plain;
        QStringList plainMessages;
        QCOMPARE(plain.load(net, &plainMessages), Network::Load::Ok);
        QVERIFY(sameNetwork(second, plain));
        QCOMPARE(secondMessages, plainMessages);
        if (change == "bytes")
            QVERIFY(!sameNetwork(first, plain)); // the hash told the change
        // A stale or damaged image was made anew: read the next time.
        Network third;
        QCOMPARE(third.load(spelt, nullptr, cache), Network::Load::Ok);
        QCOMPARE(fromImage, imageMadeAnew);
        QVERIFY(sameNetwork(third, plain));
        if (change == "link") // the link, and what it points at, as they were
            QVERIFY(QFileInfo(image.fileName()).isSymLink() && !QFileInfo("/dev/null").isFile());
        QCOMPARE(QDir(cacheDir).entryList(QDir::Files | QDir::System).size(),
                 imageMadeAnew || change == "link" ? 1 : 0); // one image a folder
    }

    // The window's way: the network usable at once, its image kept by the caller once the
    // hierarchy is built (or given up) elsewhere. Each stage is told as it starts, and may stop
    // the opening, leaving no image and the next opening whole.
    void imagesKeptLater_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("stopAt"); // a Network::Stage, or -1
        for (const auto &[how, at] : {std::pair{"hierarchy built", -1},
                                      {"hierarchy given up", -1},
                                      {"closed before its hierarchy", -1},
                                      {"stopped at the cities", int(Network::Stage::Cities)},
                                      {"stopped at the roads", int(Network::Stage::Roads)},
                                      {"stopped at the shapes", int(Network::Stage::Shapes)},
                                      {"stopped at the image", int(Network::Stage::Image)}})
            QTest::newRow(how) << QString(how) << at;
    }

    void imagesKeptLater()
    {
        QFETCH(QString, how);
        QFETCH(int, stopAt);
        QTemporaryDir root;
        const QString net = root.filePath("net"), cacheDir = root.filePath("cache");
        writeNetwork(net, 0);
        Network plain;
        QStringList plainMessages;
        QCOMPARE(plain.load(net, &plainMessages), Network::Load::Ok);
        const auto cachedImages = [&] { return QDir(cacheDir).entryList(QDir::Files).size(); };

        bool fromImage = true;
        Network::LaterImage later;
        Network::Cache cache{cacheDir, 0, &fromImage};
        cache.hierarchyFrom = 0;
        cache.later = &later;
        QList<int> stages;
        int stopping = how == "stopped at the image" ? -1 : stopAt;
        cache.stage = [&](Network::Stage at) {
            stages << int(at);
            if (int(at) == stopping)
                throw std::runtime_error("stopped");
        };
        Network first;
        QStringList messages;
        if (stopping >= 0) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, first.load(net, &messages, cache));
            QCOMPARE(stages.last(), stopAt);
            QCOMPARE(cachedImages(), 0);
            QVERIFY(!later.pending());
            stopping = -1; // the next opening is whole
            first = Network();
            messages.clear();
        }
        stages.clear();
        QCOMPARE(first.load(net, &messages, cache), Network::Load::Ok);
        QCOMPARE(stages, QList<int>({int(Network::Stage::Cities), int(Network::Stage::Roads),
                                     int(Network::Stage::Shapes)}));
        QVERIFY(!fromImage);
        QVERIFY(sameNetwork(first, plain));
        QCOMPARE(messages, plainMessages);
        // Usable as it is: nothing built, nothing written yet.
        QVERIFY(!first.hierarchy());
        QCOMPARE(cachedImages(), 0);
        QVERIFY(later.pending() && later.buildFirst);

        if (how == "closed before its hierarchy") {
            // Kept first without it, as the window does: the next opening reads the image and
            // leaves the build to the caller again; gpsroute (no caller's build) does not try.
            first.keepImage(later, nullptr, true);
            Network::LaterImage left;
            cache.later = &left;
            Network reread;
            QCOMPARE(reread.load(net, nullptr, cache), Network::Load::Ok);
            QVERIFY(fromImage && !reread.hierarchy() && reread.hierarchyLeft());
            QVERIFY(left.pending() && left.buildFirst && left.written);
            QVERIFY(left.roadNames.empty()); // looked up when kept: the same image
            cache.later = nullptr;
            Network plainRun;
            QCOMPARE(plainRun.load(net, nullptr, cache), Network::Load::Ok);
            QVERIFY(fromImage && !plainRun.hierarchy() && plainRun.hierarchyLeft());
            later = left;
            first = std::move(reread);
        }
        std::shared_ptr<const Hierarchy> made;
        if (how != "hierarchy given up") {
            made = std::make_shared<const Hierarchy>(Hierarchy::build(first));
            QVERIFY(!made->empty());
            first.useHierarchy(made);
            QCOMPARE(first.hierarchy(), made.get());
            // One in use stays: a search may be walking it.
            first.useHierarchy(std::make_shared<const Hierarchy>(Hierarchy::build(first)));
            QCOMPARE(first.hierarchy(), made.get());
        }
        first.keepImage(later, made.get());
        QCOMPARE(cachedImages(), 1);

        // The next opening reads the image, with the hierarchy or with its giving up (not built
        // again: nothing is left for later).
        Network::LaterImage again;
        cache.later = &again;
        stopping = how == "stopped at the image" ? stopAt : -1;
        Network second;
        messages.clear();
        stages.clear();
        if (stopping >= 0) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, second.load(net, &messages, cache));
            QCOMPARE(stages, QList<int>({stopAt}));
            stopping = -1;
            second = Network();
            messages.clear();
            stages.clear();
        }
        QCOMPARE(second.load(net, &messages, cache), Network::Load::Ok);
        QCOMPARE(stages, QList<int>({int(Network::Stage::Image)}));
        QVERIFY(fromImage);
        QVERIFY(!again.pending());
        QCOMPARE(bool(second.hierarchy()), how != "hierarchy given up");
        QVERIFY(!second.hierarchyLeft());
        QVERIFY(sameNetwork(second, plain));
        QCOMPARE(messages, plainMessages);
        QCOMPARE(second.shapes().count(), plain.shapes().count());
        QVERIFY(plain.shapes().count() > 0);
    }

    // A build given up for its budget leaves the hierarchy to one that nobody waits for, and
    // the image says so; one that ends says nothing of the kind.
    void hierarchyLeftForLater()
    {
        QTemporaryDir root;
        writeNetwork(root.filePath("net"), 0);
        Network net;
        QCOMPARE(net.load(root.filePath("net")), Network::Load::Ok);
        net.buildHierarchy(1);
        QVERIFY(!net.hierarchy() && net.hierarchyLeft());
        Network read;
        QVERIFY(read.readImage(net.image({}), nullptr));
        QVERIFY(!read.hierarchy() && read.hierarchyLeft());
        read.buildHierarchy(Hierarchy::unhurriedBudget(read));
        QVERIFY(read.hierarchy() && !read.hierarchyLeft());
        Network again;
        QVERIFY(again.readImage(read.image({}), nullptr));
        QVERIFY(again.hierarchy() && !again.hierarchyLeft());
    }

    // A road graph file reads back as written, and any bytes that are not one are refused with
    // what is wrong: never a count the bytes cannot back, an arc or a place on no node.
    void roadGraphFilesRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("said"); // empty: read back
        for (const auto &[change, said] :
             {std::pair{"none", ""},
              {"empty", "not a road graph"},
              {"foreign bytes", "not a road graph"},
              {"cut short", "damaged"},
              {"one byte changed", "damaged"},
              {"other version", "version 3, not 2"},
              {"a town of no place", "a town of no place"},
              {"a name not in UTF-8", "a name that is not UTF-8"},
              {"more nodes than bytes", "its counts do not match its size"},
              {"arcs that do not add up", "its arcs do not add up"},
              {"an arc to no node", "an arc to no node"},
              {"a place on no node", "a place on no node"},
              {"a node off the Earth", "a node off the Earth"}})
            QTest::newRow(change) << QString(change) << QString(said);
    }

    void roadGraphFilesRefused()
    {
        QFETCH(QString, change);
        QFETCH(QString, said);
        // Three nodes, A -> B -> C one way and C -> A, places on A and C.
        RoadGraphFile g;
        g.lat = {450000000, 450100000, 450200000};
        g.lon = {50000000, 50100000, 50200000};
        g.osmId = {11, 12, 13};
        g.first = {0, 1, 2, 3};
        g.to = {1, 2, 0};
        g.ms = {60000, 30000, 90500};
        g.cm = {111000, 111100, 222000};
        g.placeNode = {0, 2};
        g.placeName = {"Aa", "Çé"};
        g.town = {0, -1, 1};
        if (change == "a town of no place")
            g.town[1] = 2;

        if (change == "an arc to no node")
            g.to[1] = 3;
        if (change == "a place on no node")
            g.placeNode[1] = -1;
        if (change == "a node off the Earth")
            g.lat[2] = 910000000;
        QByteArray bytes = g.bytes();
        // Fields changed behind the writer's back, the hash made again so that the field is
        // what is read.
        const auto rehash = [&bytes] {
            networkcache::ImageHash hash;
            hash.add(bytes.constData(), bytes.size() - 8);
            qToLittleEndian<quint64>(hash.value(), bytes.data() + bytes.size() - 8);
        };
        if (change == "empty")
            bytes.clear();
        if (change == "foreign bytes")
            bytes = "id,name,dept,lat,lon\n";
        if (change == "cut short")
            bytes.chop(5);
        if (change == "one byte changed")
            bytes[40] = char(bytes[40] ^ 1);
        if (change == "other version") {
            qToLittleEndian<quint32>(3, bytes.data() + 8);
            rehash();
        }
        if (change == "more nodes than bytes") {
            qToLittleEndian<quint64>(quint64(1) << 40, bytes.data() + 12);
            rehash();
        }
        if (change == "a name not in UTF-8") { // "Aa" made a byte that starts a pair, then "("
            const qsizetype at = bytes.lastIndexOf("Aa");
            bytes[at] = char(0xC3);
            bytes[at + 1] = '(';
            rehash();
        }
        if (change == "arcs that do not add up") {
            qToLittleEndian<quint16>(2, bytes.data() + 36 + 3 * 16); // the first node's count
            rehash();
        }
        RoadGraphFile back;
        QString why;
        QCOMPARE(back.read(bytes, &why), said.isEmpty());
        QCOMPARE(why, said.isEmpty() ? QString() : why);
        if (!said.isEmpty()) {
            QVERIFY2(why.startsWith(said), qPrintable(why));
            QCOMPARE(back.nodeCount(), 0); // nothing half read
            return;
        }
        QCOMPARE(back.lat, g.lat);
        QCOMPARE(back.lon, g.lon);
        QCOMPARE(back.osmId, g.osmId);
        QCOMPARE(back.first, g.first);
        QCOMPARE(back.to, g.to);
        QCOMPARE(back.ms, g.ms);
        QCOMPARE(back.cm, g.cm);
        QCOMPARE(back.placeNode, g.placeNode);
        QCOMPARE(back.placeName, g.placeName);
        QCOMPARE(back.town, g.town);
    }

    // An image is hashed as it is read, in pieces of any size: the same hash as its bytes at
    // once (else every image would be refused, or a damaged one taken).
    void imageHashIsTheSameInPieces()
    {
        QRandomGenerator rng(11);
        QByteArray bytes(1000, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(rng.bounded(256));
        for (const int size : {0, 1, 7, 31, 32, 33, 64, 100, 1000}) {
            networkcache::ImageHash whole;
            whole.add(bytes.constData(), size);
            for (int round = 0; round < 20; ++round) {
                networkcache::ImageHash pieces;
                for (int at = 0; at < size;) {
                    const int n = std::min(size - at, int(rng.bounded(70)));
                    pieces.add(bytes.constData() + at, n);
                    at += n;
                }
                QCOMPARE(pieces.value(), whole.value());
            }
            QVERIFY(size == 0 || whole.value() != networkcache::ImageHash().value());
        }
    }

    // GPS_NO_CACHE turns the images off with any value but "0" (and empty).
    void cacheSwitch()
    {
        const QByteArray before = qgetenv("GPS_NO_CACHE");
        const bool wasSet = qEnvironmentVariableIsSet("GPS_NO_CACHE");
        const auto restore = qScopeGuard(
            [&] { wasSet ? qputenv("GPS_NO_CACHE", before) : qunsetenv("GPS_NO_CACHE"); });
        for (const auto &[value, on] : {std::pair{"", true}, std::pair{"0", true},
                                        std::pair{"1", false}, std::pair{"yes", false}}) {
            qputenv("GPS_NO_CACHE", value);
            QVERIFY2(Network::defaultCacheFolder().isEmpty() != on, value);
        }
    }

    // Any bytes as an image (what is left of a damaged one, cut anywhere or a byte changed
    // anywhere): refused, the network left empty, or a network whose every arc is in range and
    // whose routes are found (with the searches' speed-up structure too).
    void damagedImagesAreRefused_data()
    {
        QTest::addColumn<bool>("hierarchy");
        QTest::newRow("network") << false;
        QTest::newRow("network and hierarchy") << true;
    }

    void damagedImagesAreRefused()
    {
        QFETCH(bool, hierarchy);
        QTemporaryDir root;
        writeNetwork(root.path(), 0);
        Network net;
        QStringList messages;
        QCOMPARE(net.load(root.path(), &messages), Network::Load::Ok);
        if (hierarchy)
            net.buildHierarchy();
        QCOMPARE(bool(net.hierarchy()), hierarchy);
        const QByteArray image = net.image(messages);
        Network back;
        QStringList backMessages;
        QVERIFY(back.readImage(image, &backMessages));
        QVERIFY(sameNetwork(back, net));
        QCOMPARE(backMessages, messages);
        QCOMPARE(back.image(backMessages), image);
        const auto usable = [](const Network &n) {
            for (int node = 0; node < n.nodeCount(); ++node)
                for (const Network::Arc *a = n.arcsBegin(node); a != n.arcsEnd(node); ++a)
                    if (a->to < 0 || a->to >= n.nodeCount() || !(a->time >= 0))
                        return false;
            return true;
        };
        int refused = 0;
        for (qsizetype cut = 0; cut < image.size(); ++cut) {
            Network n;
            QVERIFY(!n.readImage(QByteArrayView(image).first(cut), nullptr));
            QCOMPARE(n.size(), 0);
        }
        for (qsizetype at = 0; at < image.size(); ++at) {
            QByteArray bytes = image;
            bytes[at] = char(bytes[at] ^ (at % 2 ? 0x80 : 0x01));
            Network n;
            if (!n.readImage(bytes, nullptr)) {
                QCOMPARE(n.size(), 0);
                ++refused;
            } else {
                QVERIFY(usable(n));
                if (n.size() > 1) {
                    const std::vector<int> route = RouteFinder(n).route(0, n.size() - 1);
                    QVERIFY(route.size() >= 2 && route.front() == 0);
                }
            }
        }
        QVERIFY(refused > 0);
    }

    // Invalid UTF-8 and characters no export can carry (a NUL) are replaced, the rest kept.
    void invalidUtf8AndNulBytesAreReplaced()
    {
        Matrix m;
        QVERIFY(m.loadCity(
            write("v.csv", QByteArray("h\n1,Ab\xFF\xFE", 9) + QByteArray("c\0d,1,1,1\n", 10))));
        QCOMPARE(m.getCities().size(), 1u);
        const QString name = m.getCities()[0].getName();
        QVERIFY(name.startsWith("Ab"));
        QVERIFY(name.contains(QChar::ReplacementCharacter));
        QVERIFY(name.endsWith(QStringView(u"c\uFFFDd")));
    }
};

QTEST_APPLESS_MAIN(TestLoaders)
#include "tst_loaders.moc"
