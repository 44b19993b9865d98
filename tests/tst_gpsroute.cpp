#include "matrix.h"
#include "network.h"
#include "networkcache.h"
#include "networkcredit.h"
#include "roadgraphfile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// gpsroute run as a user runs it, on a small network written here.
class TestGpsroute : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    struct Result
    {
        int code;
        QString out;
        QString err;
    };

    Result run(QStringList args, bool withData = true, const QString &program = GPSROUTE_PATH)
    {
        if (withData)
            args = QStringList{"--data", dir.path()} + args;
        QProcess p;
        // As on a machine without a display: gps must not need one to answer.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("XDG_CACHE_HOME", dir.filePath(".cache")); // images of networks kept here
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(60000))
            qFatal("gpsroute did not finish");
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QByteArray read(const QString &name)
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The GPX read back by gpsbabel, its route (-r) or its track (-t) as CSV rows; empty when
    // gpsbabel is not installed.
    QStringList readBack(const QString &gpx, const char *what, const QString &name)
    {
        write(name, gpx.toUtf8());
        const QString gpsbabel = QStandardPaths::findExecutable("gpsbabel");
        if (gpsbabel.isEmpty())
            return {};
        QProcess reader;
        reader.start(gpsbabel,
                     {what, "-i", "gpx", "-f", dir.filePath(name), "-o", "unicsv", "-F", "-"});
        if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
            return {"gpsbabel failed"};
        return QString::fromUtf8(reader.readAllStandardOutput())
            .remove(u'\r')
            .split('\n', Qt::SkipEmptyParts);
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        write("villes.csv", "id,name,dept,lat,lon\n1,Y,0,45,5\n2,X,0,45,4\n3,Z,0,45,6\n"
                            "4,Saint Malo,0,48,-2\n5,Île,0,42,9\n");
        write("temps.csv", "X,Y,30\nY,Z,45\nX,Z,90\nSaint Malo,X,125\nbroken,line\n");
    }

    void routeThroughNamedCities()
    {
        const Result r = run({"route", "X", "Z", "Saint Malo"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("X\t0\nY\t30\nZ\t45\nY\t45\nX\t30\nSaint Malo\t125\n"
                                       "Total\t275\n"));
        QVERIFY(r.err.contains("temps.csv:5: road skipped")); // the bad line is reported
        const Result hours = run({"--hours", "route", "Saint Malo", "X"});
        QCOMPARE(hours.out, QStringLiteral("Saint Malo\t0\nX\t2.08333\nTotal\t2.08333\n"));
        const Result island = run({"route", "X", "Île"});
        QCOMPARE(island.out, QStringLiteral("X\t0\nÎle\tinf\nTotal\tinf\n"));
    }

    // The route for other programs: GPX read back by an independent reader, JSON by Qt's.
    void routeAsGpxAndJson()
    {
        const Result gpx = run({"--format", "gpx", "route", "Saint Malo", "Z", "Île"});
        QCOMPARE(gpx.code, 0);
        const QStringList rows = readBack(gpx.out, "-r", "route.gpx");
        if (rows.isEmpty())
            QSKIP("gpsbabel is not installed (scripts/gps test installs it)");
        QCOMPARE(rows,
                 QStringList(
                     {"No,Latitude,Longitude,Name,Notes", "1,48.000000,-2.000000,\"Saint Malo\",",
                      "2,45.000000,4.000000,\"X\",\"leg 125 min, since the start 125 min\"",
                      "3,45.000000,5.000000,\"Y\",\"leg 30 min, since the start 155 min\"",
                      "4,45.000000,6.000000,\"Z\",\"leg 45 min, since the start 200 min\"",
                      "5,42.000000,9.000000,\"Île\",\"leg no road, since the start no road\""}));

        const Result json = run({"--format", "json", "--hours", "route", "X", "Z"});
        QCOMPARE(json.code, 0);
        const QJsonObject route = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(route["unit"].toString(), QStringLiteral("h"));
        QCOMPARE(route["total"].toDouble(), 1.25);
        const QJsonArray stops = route["cities"].toArray();
        QCOMPARE(stops.size(), 3);
        QCOMPARE(stops[1].toObject()["name"].toString(), QStringLiteral("Y"));
        QCOMPARE(stops[1].toObject()["leg"].toDouble(), 0.5);
        QCOMPARE(stops[2].toObject()["lon"].toDouble(), 6.0);
        QVERIFY(run({"--format", "json", "route", "X", "Île"}).out.contains("\"total\": null"));
        QCOMPARE(run({"--format", "xml", "route", "X", "Z"}).code, 64);

        // Sums read as their terms' digits, not as the binary noise of 0.1 + 0.2.
        QVERIFY(QDir(dir.path()).mkpath("tenths"));
        write("tenths/villes.csv", "id,name,dept,lat,lon\n1,A,0,45,4\n2,B,0,45,5\n3,C,0,45,6\n");
        write("tenths/temps.csv", "A,B,0.1\nB,C,0.2\n");
        const QStringList tenths{"--data", dir.filePath("tenths")};
        for (const char *format : {"json", "geojson"}) {
            const QString out =
                run(tenths + QStringList{"--format", format, "route", "A", "C"}, false).out;
            QVERIFY2(out.contains("\"total\": 0.3,") && !out.contains("0.30000"), qPrintable(out));
        }
        const QString reached =
            run(tenths + QStringList{"--format", "json", "reach", "A", "1"}, false).out;
        QVERIFY2(reached.contains("\"time\": 0.3\n") && !reached.contains("0.30000"),
                 qPrintable(reached));
    }

    // A folder with its roads' shapes: km per leg and in all, a track along the roads (read back
    // by an independent reader), a GeoJSON line; a road without a shape, straight and no km.
    void routeAlongTheRoads()
    {
        QVERIFY(QDir(dir.path()).mkpath("shaped"));
        for (const char *name : {"villes.csv", "temps.csv"})
            QVERIFY(
                QFile::copy(dir.filePath(name), dir.filePath(QStringLiteral("shaped/") + name)));
        write("shaped/shapes.csv", "from,to,km,lat,lon,...\nY,X,80,45,5,45.5,4.5,45,4\n"
                                   "Y,Z,50.25,45,5,45,6\n");
        const QStringList data{"--data", dir.filePath("shaped")};
        const Result tsv = run(data + QStringList{"route", "X", "Z", "Saint Malo"}, false);
        QCOMPARE(tsv.out, QStringLiteral("X\t0\t0\nY\t30\t80\nZ\t45\t50.25\nY\t45\t50.25\n"
                                         "X\t30\t80\nSaint Malo\t125\t\nTotal\t275\t\n"));
        QCOMPARE(run(data + QStringList{"route", "X", "Z"}, false).out,
                 QStringLiteral("X\t0\t0\nY\t30\t80\nZ\t45\t50.25\nTotal\t75\t130.25\n"));
        const QJsonObject json =
            QJsonDocument::fromJson(
                run(data + QStringList{"--format", "json", "route", "X", "Z"}, false).out.toUtf8())
                .object();
        QCOMPARE(json["totalKm"].toDouble(), 130.25);
        QCOMPARE(json["cities"].toArray()[1].toObject()["km"].toDouble(), 80.0);
        // GPX says the km beside the times where they are known, as the table does.
        const QString described =
            run(data + QStringList{"--format", "gpx", "route", "X", "Z", "Saint Malo"}, false).out;
        for (const char *desc : {"<desc>leg 30 min, 80 km; since the start 30 min, 80 km</desc>",
                                 "<desc>leg 45 min, 50.25 km; since the start 75 min, 130.25 "
                                 "km</desc>",
                                 "<desc>leg 125 min, since the start 275 min</desc>"})
            QVERIFY2(described.contains(desc), desc);

        const QJsonArray features =
            QJsonDocument::fromJson(
                run(data + QStringList{"--format", "geojson", "route", "X", "Z"}, false)
                    .out.toUtf8())
                .object()["features"]
                .toArray();
        QCOMPARE(features.size(), 4); // the line, then the three cities
        const QJsonObject line = features[0].toObject()["geometry"].toObject();
        QCOMPARE(line["type"].toString(), QStringLiteral("LineString"));
        QCOMPARE(line["coordinates"].toArray(),
                 QJsonArray({QJsonArray{4, 45}, QJsonArray{4.5, 45.5}, QJsonArray{5, 45},
                             QJsonArray{6, 45}}));
        QCOMPARE(features[0].toObject()["properties"].toObject()["km"].toDouble(), 130.25);
        QCOMPARE(features[3].toObject()["properties"].toObject()["name"].toString(), "Z");
        // No road to an island: two runs would be a MultiLineString; here none at all.
        const QJsonArray island =
            QJsonDocument::fromJson(
                run(data + QStringList{"--format", "geojson", "route", "X", "Île"}, false)
                    .out.toUtf8())
                .object()["features"]
                .toArray();
        QCOMPARE(island.size(), 2);
        QCOMPARE(island[1].toObject()["geometry"].toObject()["type"].toString(), "Point");
        // A road on the island after the gap: two lines, no total in km.
        write("shaped/villes.csv", read("villes.csv") + "6,Corte,0,42.3,9.1\n");
        write("shaped/temps.csv", read("temps.csv") + "\xc3\x8ele,Corte,20\n");
        const QJsonObject broken =
            QJsonDocument::fromJson(run(data + QStringList{"--format", "geojson", "route", "X", "Y",
                                                           "\xc3\x8ele", "Corte"},
                                        false)
                                        .out.toUtf8())
                .object()["features"]
                .toArray()[0]
                .toObject();
        QCOMPARE(broken["geometry"].toObject()["type"].toString(), "MultiLineString");
        QCOMPARE(broken["geometry"].toObject()["coordinates"].toArray().size(), 2);
        QVERIFY(broken["properties"].toObject()["km"].isNull());

        const Result gpx = run(data + QStringList{"--format", "gpx", "route", "X", "Z"}, false);
        const QStringList rows = readBack(gpx.out, "-t", "track.gpx");
        if (rows.isEmpty())
            QSKIP("gpsbabel is not installed (scripts/gps test installs it)");
        QStringList points;
        for (const QString &row : rows)
            points << row.section(u',', 1, 2);
        QCOMPARE(points,
                 QStringList({"Latitude,Longitude", "45.000000,4.000000", "45.500000,4.500000",
                              "45.000000,5.000000", "45.000000,6.000000"}));
    }

    // A folder with its road graph: every command drives on it, in the direction asked. Road
    // nodes 0 to 5 west to east, a minute and a kilometre apart, both ways but from 1 to 2 (one
    // way east); back from 2 to 1 the way is round by node 7, 3 minutes an arc. A on node 0, C
    // on 3 (its town holds 2 and 3), B on 5, D on 6 (no road).
    void drivesOnTheRoadGraph()
    {
        const QString roads = dir.filePath("roads");
        QVERIFY(QDir().mkpath(roads));
        const auto put = [&](const QString &name, const QByteArray &bytes) {
            QFile f(roads + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        put("villes.csv", "id,name,dept,lat,lon\n1,B,0,45,5.05\n2,A,0,45,5\n3,C,0,45.001,5.03\n"
                          "4,D,0,45,5.2\n5,E,0,45,5.0001\n");
        put("temps.csv", "A,C,9\nC,B,9\n"); // the network of places: no longer routed on
        RoadGraphFile g;
        std::vector<std::vector<std::pair<int, int>>> out(8); // (node, minutes)
        for (int v = 0; v < 5; ++v) {
            out[std::size_t(v)].push_back({v + 1, 1});
            if (v != 1)
                out[std::size_t(v) + 1].push_back({v, 1});
        }
        out[2].push_back({7, 3});
        out[7].push_back({1, 3});
        g.first.push_back(0);
        for (int v = 0; v < 8; ++v) {
            g.lat.push_back(450000000 + (v == 7 ? 100000 : 0));
            g.lon.push_back(50000000 + 100000 * (v == 7 ? 2 : v));
            g.osmId.push_back(1000 + v);
            for (const auto &[to, minutes] : out[std::size_t(v)]) {
                g.to.push_back(to);
                g.ms.push_back(std::uint32_t(minutes * 60000));
                g.cm.push_back(100000);
            }
            g.first.push_back(std::int64_t(g.to.size()));
        }
        // E shares A's node, and the town there is E's: a drive from A or to A starts or ends
        // in it, and does not pass it.
        g.placeNode = {5, 0, 3, 6, 0};
        g.placeName = {"B", "A", "C", "D", "E"};
        g.town = {4, 1, 2, 2, -1, 0, 3, -1};
        put("roadgraph.bin", g.bytes());
        const auto in = [&](QStringList args) {
            return run(QStringList{"--data", roads} + args, false);
        };

        const Result there = in({"route", "A", "B"}), back = in({"route", "B", "A"});
        QCOMPARE(there.err, QString());
        // C is passed, where the drive comes nearest to it; legs and km add up.
        QCOMPARE(there.out, QStringLiteral("A\t0\t0\nC\t3\t3\nB\t2\t2\nTotal\t5\t5\n"));
        QCOMPARE(back.out, QStringLiteral("B\t0\t0\nC\t2\t2\nA\t8\t4\nTotal\t10\t6\n"));
        QCOMPARE(in({"route", "A", "D"}).out, QStringLiteral("A\t0\t0\nD\tinf\t\nTotal\tinf\t\n"));
        const QJsonObject json =
            QJsonDocument::fromJson(in({"--format", "json", "route", "B", "A"}).out.toUtf8())
                .object();
        QCOMPARE(json["total"].toDouble(), 10.0);
        QCOMPARE(json["totalKm"].toDouble(), 6.0);
        const QJsonArray cities = json["cities"].toArray();
        QCOMPARE(cities.size(), 3);
        QCOMPARE(cities[0].toObject()["osmNode"].toInteger(), 1005);
        QCOMPARE(cities[1].toObject()["osmNode"].toInteger(), 1003);
        QCOMPARE(cities[2].toObject()["osmNode"].toInteger(), 1000);
        // The line runs through the road nodes, the way round by node 7 included.
        const QJsonObject line =
            QJsonDocument::fromJson(in({"--format", "geojson", "route", "B", "A"}).out.toUtf8())
                .object()["features"]
                .toArray()[0]
                .toObject();
        QVERIFY(
            line["geometry"].toObject()["coordinates"].toArray().contains(QJsonArray{5.02, 45.01}));
        // Tables, reach, trips and queries: row to column, each way its own.
        QCOMPARE(in({"table", "--from", "A,B", "--to", "A,B"}).out,
                 QStringLiteral(",A,B\nA,0,5\nB,10,0\n"));
        QVERIFY(
            in({"matrix"})
                .out.startsWith(QStringLiteral(",A,B,C,D,E\nA,0,5,3,inf,0\nB,10,0,2,inf,10\n")));
        QCOMPARE(in({"reach", "A", "4"}).out, QStringLiteral("A\t0\nE\t0\nC\t3\n"));
        const QJsonObject trip =
            QJsonDocument::fromJson(
                in({"--format", "json", "trip", "--round", "B", "A", "C"}).out.toUtf8())
                .object();
        QCOMPARE(trip["route"].toObject()["total"].toDouble(), 15.0); // B, A, C, B: 10 + 3 + 2
        QProcess batch;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", dir.filePath(".cache"));
        batch.setProcessEnvironment(env);
        batch.start(GPSROUTE_PATH, {"--data", roads, "route", "-"});
        batch.write("A\tB\nB\tA\n");
        batch.closeWriteChannel();
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(batch.readAllStandardOutput()),
                 there.out + "\n" + back.out + "\n");

        // A graph that cannot serve is said, and the places' roads serve as before.
        put("roadgraph.bin", "GPSROADG and then nothing");
        const Result damaged = in({"route", "A", "B"});
        QCOMPARE(damaged.out, QStringLiteral("A\t0\nC\t9\nB\t9\nTotal\t18\n"));
        QVERIFY2(
            damaged.err.contains("roadgraph.bin: damaged (its hash does not match): routes run "
                                 "on the roads of temps.csv"),
            qPrintable(damaged.err));
    }

    void allPairsAsCsv()
    {
        const Result r = run({"matrix"});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QStringLiteral(",Saint Malo,X,Y,Z,Île"));
        QCOMPARE(lines[2], QStringLiteral("X,125,0,30,75,inf"));
        QCOMPARE(lines[5], QStringLiteral("Île,inf,inf,inf,inf,0"));
    }

    void failuresHaveTheirOwnExitCodes()
    {
        const Result unknown = run({"route", "X", "Atlantis", "Gotham"});
        QCOMPARE(unknown.code, 2);
        QVERIFY(unknown.out.isEmpty());
        QVERIFY(unknown.err.contains("\"Atlantis\", \"Gotham\""));
        QCOMPARE(run({"route", "x", "Y"}).code, 2); // names are case-sensitive

        const Result missing = run({"--data", dir.filePath("nowhere"), "matrix"}, false);
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.out.isEmpty());
        QVERIFY2(missing.err.contains(QDir::toNativeSeparators(dir.filePath("nowhere")) +
                                      ": no such folder"),
                 qPrintable(missing.err));

        QCOMPARE(run({"route", "X"}).code, 64);
        QCOMPARE(run({"fly", "X", "Y"}).code, 64);
        const Result help = run({"--help"}, false);
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("Exit status"));
    }

    // What each program says to a user who gets its command line wrong, or asks for help.
    void commandLines_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args"); // after --data DIR for gps and gpsroute
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out"); // contained in stdout
        QTest::addColumn<QString>("err"); // contained in stderr
        QTest::newRow("gpsroute matrix in hours")
            << GPSROUTE_PATH << QStringList{"--hours", "matrix"} << 0
            << "\nX,2.08333,0,0.5,1.25,inf\n"
            << "";
        QTest::newRow("gps help without a display")
            << GPS_PATH << QStringList{"--help"} << 0 << "Usage: gps"
            << "";
        QTest::newRow("gps route to no city")
            << GPS_PATH << QStringList{"--route", "X", "Atlantis", "--screenshot", "x.png"} << 2
            << ""
            << "no city named \"Atlantis\"\n";
        QTest::newRow("gps --screenshot of a folder that is not there")
            << GPS_PATH << QStringList{"--data", "/nowhere/at/all", "--screenshot", "x.png"} << 1
            << ""
            << "gps: /nowhere/at/all: no such folder";
        QTest::newRow("gps: a misspelt name, the closest offered")
            << GPS_PATH << QStringList{"--route", "X", "Saint-Malo", "--screenshot", "x.png"} << 2
            << ""
            << "gps: no city named \"Saint-Malo\"\ngps: \"Saint-Malo\": did you mean Saint Malo?\n";
        QTest::newRow("gpsroute: a misspelt name, the closest names offered")
            << GPSROUTE_PATH << QStringList{"route", "x", "Saint-Malo", "Atlantis"} << 2 << ""
            << "gpsroute: \"x\": did you mean X?\ngpsroute: \"Saint-Malo\": did you mean Saint "
               "Malo?\n";
        // An option with nothing after it, or given twice, is a usage error, not a guess.
        QTest::newRow("gps --screenshot with no file name")
            << GPS_PATH << QStringList{"--screenshot", ""} << 64 << ""
            << "gps: --screenshot needs a file name";
        QTest::newRow("gps --data with no folder")
            << GPS_PATH << QStringList{"--data", "", "--screenshot", "x.png"} << 64 << ""
            << "gps: --data needs a folder";
        QTest::newRow("gps --language of no language")
            << GPS_PATH << QStringList{"--language", "klingon", "--screenshot", "x.png"} << 64 << ""
            << "gps: --language takes en, fr or system, not klingon";
        QTest::newRow("gps --language fr")
            << GPS_PATH
            << QStringList{"--language",          "fr", "--route", "X", "Z", "--screenshot",
                           dir.filePath("fr.png")}
            << 0 << ""
            << "";
        QTest::newRow("gps --route twice")
            << GPS_PATH << QStringList{"--screenshot", "x.png", "--route", "X", "--route", "Y", "Z"}
            << 64 << ""
            << "gps: --route is given once";
        QTest::newRow("gps --route from an empty name")
            << GPS_PATH << QStringList{"--screenshot", "x.png", "--route", "", "Z"} << 2 << ""
            << "no city named \"\"";
        QTest::newRow("reach in a negative time")
            << GPSROUTE_PATH << QStringList{"reach", "X", "-5"} << 64 << ""
            << "gpsroute: -5 is a negative number: times are 0 or more";
        // An option that would do nothing is refused, not ignored.
        QTest::newRow("table in another format than CSV")
            << GPSROUTE_PATH << QStringList{"--format", "json", "table", "--from", "X", "--to", "Y"}
            << 64 << ""
            << "gpsroute: table writes CSV: --format is for route, trip and reach";
        QTest::newRow("matrix in GPX")
            << GPSROUTE_PATH << QStringList{"--format", "gpx", "matrix"} << 64 << ""
            << "gpsroute: matrix writes CSV";
        QTest::newRow("trip with two ends")
            << GPSROUTE_PATH << QStringList{"trip", "--end", "X", "--end", "Y", "Z", "Saint Malo"}
            << 64 << ""
            << "gpsroute: --end is given once";
        QTest::newRow("gpsroute --data with no folder")
            << GPSROUTE_PATH << QStringList{"--data", "", "route", "X", "Y"} << 64 << ""
            << "gpsroute: --data needs a folder";
        QTest::newRow("gpsroute --data naming a file")
            << GPSROUTE_PATH << QStringList{"--data", dir.filePath("villes.csv"), "route", "X", "Y"}
            << 1 << ""
            << "villes.csv: not a folder";
        QTest::newRow("gps route")
            << GPS_PATH << QStringList{"--route", "X", "Z", "--screenshot", dir.filePath("r.png")}
            << 0 << ""
            << "";
        QTest::newRow("every French place: a name completed with its department")
            << GPSROUTE_PATH
            << QStringList{"--data", GPS_SAMPLE_DATA_DIR "/france", "route", "Vineuil (41)",
                           "Blois"}
            << 0 << "Vineuil (41)\t0\nBlois\t"
            << "";
        // The best order of stops: the route through them follows, as route prints it.
        QTest::newRow("trip: the stops reordered")
            << GPSROUTE_PATH << QStringList{"trip", "X", "Z", "Y"} << 0
            << "Order\tX\tY\tZ\nBest\tproven\nSaves\t45\nX\t0\nY\t30\nZ\t45\nTotal\t75\n"
            << "";
        QTest::newRow("trip --end: the order given is already the best")
            << GPSROUTE_PATH << QStringList{"trip", "--end", "Saint Malo", "Y", "Z", "X"} << 0
            << "Order\tY\tZ\tX\tSaint Malo\nBest\tproven\nSaves\t0\nY\t0\nZ\t45\nY\t45\nX\t30\n"
               "Saint Malo\t125\nTotal\t245\n"
            << "";
        QTest::newRow("trip --round, in hours: back to the start")
            << GPSROUTE_PATH << QStringList{"--hours", "trip", "--round", "Saint Malo", "Z", "X"}
            << 0
            << "Order\tSaint Malo\tZ\tX\nBest\tproven\nSaves\t0\nSaint Malo\t0\nX\t2.08333\n"
               "Y\t0.5\nZ\t0.75\nY\t0.75\nX\t0.5\nSaint Malo\t2.08333\nTotal\t6.66667\n"
            << "";
        QTest::newRow("trip: a stop no road reaches is visited last, and said")
            << GPSROUTE_PATH << QStringList{"trip", "X", "Île", "Y"} << 0
            << "Order\tX\tY\tÎle\nBest\tproven\nSaves\t1 leg fewer without a "
               "road\nX\t0\nY\t30\nÎle\tinf\nTotal\tinf\n"
            << "gpsroute: no road leads from \"X\" to \"Île\": the trip reaches it on a leg that "
               "reads inf\n";
        QTest::newRow("trip: a stop given twice")
            << GPSROUTE_PATH << QStringList{"trip", "--end", "X", "X", "Y"} << 64 << ""
            << "gpsroute: \"X\" is given twice";
        QTest::newRow("trip: a start alone")
            << GPSROUTE_PATH << QStringList{"trip", "--round", "X"} << 64 << ""
            << "gpsroute: trip needs a start and at least one stop";
        QTest::newRow("trip: --round and --end")
            << GPSROUTE_PATH << QStringList{"trip", "--round", "--end", "Z", "X", "Y"} << 64 << ""
            << "gpsroute: trip takes --round or --end, not both";
        QTest::newRow("trip: an unknown stop, the closest names offered")
            << GPSROUTE_PATH << QStringList{"trip", "X", "saint malo"} << 2 << ""
            << "gpsroute: \"saint malo\": did you mean Saint Malo?";
        QStringList many{"trip"};
        for (int i = 0; i <= 1000; ++i)
            many << QStringLiteral("c%1").arg(i);
        QTest::newRow("trip: more than 1000 stops")
            << GPSROUTE_PATH << many << 64 << ""
            << "gpsroute: a trip takes at most 1000 stops, not 1001";
        QTest::newRow("route with --round")
            << GPSROUTE_PATH << QStringList{"route", "--round", "X", "Y"} << 64 << ""
            << "gpsroute: --round is for trip only";
        // Reach: nearest first, the limit itself included.
        QTest::newRow("reach") << GPSROUTE_PATH << QStringList{"reach", "X", "75"} << 0
                               << "X\t0\nY\t30\nZ\t75\n"
                               << "";
        QTest::newRow("reach in hours, the time in minutes")
            << GPSROUTE_PATH << QStringList{"--hours", "reach", "Z", "74.9"} << 0
            << "Z\t0\nY\t0.75\n"
            << "";
        QTest::newRow("reach: nothing but the start")
            << GPSROUTE_PATH << QStringList{"reach", "Île", "1e6"} << 0 << "Île\t0\n"
            << "";
        for (const char *time : {"-5", "ten", "nan", "inf", ""})
            QTest::addRow("reach within \"%s\"", time)
                << GPSROUTE_PATH << QStringList{"reach", "X", "--", time} << 64 << ""
                << QStringLiteral("gpsroute: reach needs a time in minutes, 0 or more, not \"%1\"")
                       .arg(time);
        QTest::newRow("reach as GPX")
            << GPSROUTE_PATH << QStringList{"--format", "gpx", "reach", "X", "5"} << 64 << ""
            << "gpsroute: --format is tsv, json or geojson, not gpx";
        // Without shapes: a straight line from city to city, and no km.
        QTest::newRow("route as GeoJSON")
            << GPSROUTE_PATH << QStringList{"--format", "geojson", "route", "X", "Y"} << 0
            << "\"type\": \"LineString\""
            << "";
        QTest::newRow("trip as GeoJSON")
            << GPSROUTE_PATH << QStringList{"--format", "geojson", "trip", "X", "Y"} << 64 << ""
            << "gpsroute: --format is tsv, gpx or json, not geojson";
        QTest::newRow("reach from an unknown city")
            << GPSROUTE_PATH << QStringList{"reach", "x", "5"} << 2 << ""
            << "gpsroute: \"x\": did you mean X?";
        // Sources x targets, in the form of matrix (names repeated, options repeated).
        QTest::newRow("table")
            << GPSROUTE_PATH
            << QStringList{"table", "--from", "X,Z", "--from", "X", "--to", "Saint Malo,Y,X,Île"}
            << 0 << ",Saint Malo,Y,X,Île\nX,125,30,0,inf\nZ,200,45,75,inf\nX,125,30,0,inf\n"
            << "";
        QTest::newRow("table without --to")
            << GPSROUTE_PATH << QStringList{"table", "--from", "X"} << 64 << ""
            << "gpsroute: table needs --from and --to";
        QTest::newRow("table to an unknown city")
            << GPSROUTE_PATH << QStringList{"table", "--from", "X", "--to", "Y,Atlantis"} << 2 << ""
            << "no city named \"Atlantis\"";
        for (const auto &[program, name] :
             {std::pair{GPSROUTE_PATH, "gpsroute"}, std::pair{GPS_PATH, "gps"},
              std::pair{GPSNET_PATH, "gpsnet"}}) {
            QTest::addRow("%s --version", name)
                << program << QStringList{"--version"} << 0 << QString(name) + " " GPS_VERSION "\n"
                << "";
            QTest::addRow("%s with an unknown option", name)
                << program << QStringList{"--fly"} << 64 << ""
                << QString(name) + ": Unknown option 'fly'.\nTry '" + name + " --help'.";
        }
        QTest::newRow("gps route with one name")
            << GPS_PATH << QStringList{"--screenshot", "x.png", "--route", "X"} << 64 << ""
            << "gps: --route needs two city names";
        QTest::newRow("gpsnet without a command") << GPSNET_PATH << QStringList{} << 64 << ""
                                                  << "gpsnet: no command given";
        QTest::newRow("gpsnet synth with a wrong count")
            << GPSNET_PATH << QStringList{"synth", "abc", "1", dir.filePath("synth")} << 64 << ""
            << "city count";
        // Bounds before any memory is asked for, and a folder that is named.
        QTest::newRow("gpsnet synth with too many cities")
            << GPSNET_PATH << QStringList{"synth", "2147483647", "1", dir.filePath("synth")} << 64
            << ""
            << "gpsnet: synth needs a city count from 1 to 10000000";
        QTest::newRow("gpsnet synth with too many roads a city")
            << GPSNET_PATH
            << QStringList{"synth", "10", "1", dir.filePath("synth"), "--roads-per-city", "1e9"}
            << 64 << ""
            << "gpsnet: --roads-per-city needs a number above 0 and at most 100";
        QTest::newRow("gpsnet synth into an empty folder name")
            << GPSNET_PATH << QStringList{"synth", "10", "1", ""} << 64 << ""
            << "gpsnet: synth needs a folder to write into";
    }

    void commandLines()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result r = run(args, program != GPSNET_PATH, program);
        QVERIFY2(r.code == exit, qPrintable(QStringLiteral("exit %1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(r.out.contains(out), qPrintable(r.out));
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(dir.filePath("synth"))); // nothing written on a usage error
    }

    // Trips and reach for other programs; many queries answered as each alone is.
    void tripsReachAndQueriesForPrograms()
    {
        const Result trip = run({"--format", "json", "trip", "--round", "Z", "X", "Y"});
        QCOMPARE(trip.code, 0);
        const QJsonObject t = QJsonDocument::fromJson(trip.out.toUtf8()).object();
        QCOMPARE(t["order"].toArray(), QJsonArray({"Z", "X", "Y"})); // as good as any: it stays
        QCOMPARE(t["proven"].toBool(), true);
        QCOMPARE(t["saves"].toDouble(), 0.0);
        QCOMPARE(t["route"].toObject()["total"].toDouble(), 150.0);
        const Result gpx = run({"--format", "gpx", "trip", "X", "Z", "Y"});
        QVERIFY(gpx.out.contains("<desc>Order: X, Y, Z (proven best); saves 45 min</desc>"));
        QVERIFY(!gpx.out.contains("<metadata>")); // no credits.txt, no credit
        // The network's credits go with what is exported from it; a generated one says so.
        const Result made =
            run({"synth", "20", "3", dir.filePath("made"), "--quiet"}, false, GPSNET_PATH);
        QCOMPARE(made.code, 0);
        const Result credited = run(
            {"--data", dir.filePath("made"), "--format", "gpx", "route", "C0001", "C0002"}, false);
        QVERIFY2(credited.out.contains("<copyright author=\"Generated network (gpsnet synth): no "
                                       "real places or roads\"/>"),
                 qPrintable(credited.out));
        const Result madeJson = run(
            {"--data", dir.filePath("made"), "--format", "json", "route", "C0001", "C0002"}, false);
        QVERIFY(QJsonDocument::fromJson(madeJson.out.toUtf8())
                    .object()["credit"]
                    .toString()
                    .startsWith("Generated network"));
        // Reach, a table and the matrix carry it too: JSON beside the cities, CSV on a line of
        // its own after the table.
        const QString credit = "Generated network (gpsnet synth): no real places or roads";
        for (const char *format : {"json", "geojson"})
            QCOMPARE(QJsonDocument::fromJson(run({"--data", dir.filePath("made"), "--format",
                                                  format, "reach", "C0001", "5"},
                                                 false)
                                                 .out.toUtf8())
                         .object()["credit"]
                         .toString(),
                     credit);
        for (const QStringList &command :
             {QStringList{"table", "--from", "C0001,C0002", "--to", "C0003"},
              QStringList{"matrix"}}) {
            const QStringList lines =
                run(QStringList{"--data", dir.filePath("made")} + command, false)
                    .out.split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), command.size() == 1 ? 22 : 4);
            QCOMPARE(lines.last(), credit);
        }
        QDir(dir.filePath("made")).removeRecursively();

        const Result reach = run({"--format", "geojson", "reach", "Y", "30"});
        QCOMPARE(reach.code, 0);
        const QJsonArray features =
            QJsonDocument::fromJson(reach.out.toUtf8()).object()["features"].toArray();
        QCOMPARE(features.size(), 2);
        QCOMPARE(features[1].toObject()["geometry"].toObject()["coordinates"].toArray(),
                 QJsonArray({4.0, 45.0}));
        QCOMPARE(features[1].toObject()["properties"].toObject()["name"].toString(), "X");
        QCOMPARE(features[1].toObject()["properties"].toObject()["time"].toDouble(), 30.0);
        const QJsonObject json =
            QJsonDocument::fromJson(
                run({"--format", "json", "--hours", "reach", "Y", "60"}).out.toUtf8())
                .object();
        QCOMPARE(json["from"].toString(), "Y");
        QCOMPARE(json["limit"].toDouble(), 1.0);
        QCOMPARE(json["cities"].toArray().size(), 3);

        // Queries on standard input: each answer as route gives it alone, then an empty line;
        // a query that cannot be answered keeps its place.
        const QList<QStringList> queries{
            {"X", "Z", "Saint Malo"}, {"Z", "Île"}, {"X", "Atlantis"}, {"Y"}, {"Saint Malo", "Y"}};
        for (const QString format : {"tsv", "json", "gpx"}) {
            QByteArray input;
            QString expected;
            for (const QStringList &q : queries) {
                input += q.join('\t').toUtf8() + (q.size() == 1 ? "\r\n" : "\n");
                if (q.size() > 1 && !q.contains("Atlantis"))
                    expected += run(QStringList{"--format", format, "route"} + q).out;
                expected += '\n';
            }
            QProcess p;
            p.start(GPSROUTE_PATH, {"--data", dir.path(), "--format", format, "route", "-"});
            p.write(input);
            p.closeWriteChannel();
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 2);
            QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), expected);
            const QString err = QString::fromUtf8(p.readAllStandardError());
            QVERIFY2(err.contains("gpsroute: line 3: no city named \"Atlantis\"") &&
                         err.contains("gpsroute: line 4: a route needs two city names or more"),
                     qPrintable(err));
        }
    }

    // What route - reads: lines ended as the data files' are, names written as route writes
    // them (so that every name can be asked for), and what cannot be read, said.
    void batchInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        // Cities "Tab<TAB>Town", "Back\\slash" and "Total".
        QTest::newRow("a CR alone ends a line")
            << QByteArray("Total\tBack\\\\slash\rBack\\\\slash\tTotal\r\n") << 0
            << "\\Total\t0\nBack\\\\slash\t7\nTotal\t7\n\nBack\\\\slash\t0\n\\Total\t7\nTotal\t7\n"
               "\n"
            << "";
        QTest::newRow("\\t, \\\\ and \\Total as route writes them")
            << QByteArray("Tab\\tTown\t\\Total\n") << 0 << "Tab\\tTown\t0\n\\Total\t5\nTotal\t5\n\n"
            << "";
        QTest::newRow("an unknown name a megabyte long: not kept, not looked for")
            << QByteArray(2 << 20, 'x') + "\tTotal\nTotal\tTab\\tTown\n"
            << 2 << "\n\\Total\t0\nTab\\tTown\t5\nTotal\t5\n\n"
            << "line 1: longer than 1048576 bytes";
        QTest::newRow("a long unknown name: said by its start, no suggestion")
            << QByteArray(300, 'y') + "\tTotal\n"
            << 2 << "\n"
            << "\"" + QString(200, 'y') + "... (300 characters)\" in";
        // What a terminal acts on (a title, a colour, NUL, text turned right to left) is said
        // escaped, not sent to it.
        QTest::newRow("an unknown name holding terminal controls")
            << QByteArray("A\x1b]0;title\x07\x00\xe2\x80\xae\x1b[31m\tTotal\n", 27) << 2 << "\n"
            << "no city named \"A\\x1B]0;title\\x07\\x00\\u202E\\x1B[31m\" in";
    }

    void batchInput()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString net = dir.filePath("escaped");
        QDir().mkpath(net);
        for (const auto &[file, bytes] :
             {std::pair{"villes.csv", QByteArray("h\n1,Tab\tTown,,45,5\n2,Back\\slash,,45,6\n"
                                                 "3,Total,,46,5\n")},
              std::pair{"temps.csv", QByteArray("Tab\tTown,Total,5\nTotal,Back\\slash,7\n")}}) {
            QFile f(net + '/' + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QProcess p;
        p.start(GPSROUTE_PATH, {"--data", net, "route", "-"});
        p.write(input);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
        QVERIFY2(said.contains(err), qPrintable(said));
        QCOMPARE(p.exitCode(), code);
    }

    // Each answer of route - is what route prints for that query alone, whatever came before
    // it: on a grid in tenths (sums not exact in binary, many routes of one time), the same
    // pair asked the other way first, and a trip there and back.
    void batchAnswersDoNotDependOnEarlierQueries()
    {
        const QString net = dir.filePath("tenths");
        QDir().mkpath(net);
        const int side = 12;
        QByteArray cities = "id,name,dept,lat,lon\n", roads;
        auto name = [](int i) { return QByteArray("g") + QByteArray::number(i); };
        for (int i = 0; i < side * side; ++i) {
            cities += QByteArray::number(i) + ',' + name(i) + ",0," +
                      QByteArray::number(45 + i / side * 0.01) + ',' +
                      QByteArray::number(5 + i % side * 0.01) + '\n';
            if (i % side + 1 < side)
                roads += name(i) + ',' + name(i + 1) + ",0.1\n";
            if (i + side < side * side)
                roads += name(i) + ',' + name(i + side) + ",0.3\n";
        }
        for (const auto &[file, bytes] : {std::pair{"villes.csv", cities}, {"temps.csv", roads}}) {
            QFile f(net + '/' + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QList<QByteArrayList> queries;
        for (int q = 0; q < 12; ++q) {
            const QByteArray a = name(q * 37 % (side * side)),
                             b = name(q * 53 % (side * side - 1) + 1);
            queries << QByteArrayList{b, a} << QByteArrayList{a, b} << QByteArrayList{a, b, a};
        }
        QByteArray input, alone;
        for (const QByteArrayList &query : queries) {
            input += query.join('\t') + '\n';
            QStringList args{"--data", net, "route"};
            for (const QByteArray &stop : query)
                args << QString::fromUtf8(stop);
            const Result r = run(args, false);
            QCOMPARE(r.code, 0);
            alone += r.out.toUtf8() + '\n';
        }
        QProcess p;
        p.start(GPSROUTE_PATH, {"--data", net, "route", "-"});
        p.write(input);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray batch = p.readAllStandardOutput();
        QCOMPARE(batch.split('\n'), alone.split('\n'));
    }

    // Standard input that is a folder cannot be read: said, exit 1.
    // route - answers each query as soon as it has read it: a program may write one, wait for
    // its answer, then write the next.
    void batchAnswersEachQueryAtOnce()
    {
        QProcess p;
        p.start(GPSROUTE_PATH, {"--data", dir.path(), "route", "-"});
        QVERIFY(p.waitForStarted());
        QByteArray got;
        const auto answer = [&] { // up to the empty line that ends it
            while (!got.contains("\n\n") && p.waitForReadyRead(60000))
                got += p.readAllStandardOutput();
            const qsizetype end = got.indexOf("\n\n");
            const QByteArray one = end < 0 ? QByteArray() : got.left(end + 2);
            got.remove(0, one.size());
            return one;
        };
        p.write("X\tY\n");
        QVERIFY(answer().startsWith("X\t0\n"));
        p.write("Z\tX\tY\n");
        QVERIFY(answer().startsWith("Z\t0\n"));
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(got.isEmpty());
    }

    void batchInputUnreadable()
    {
        QProcess p;
        p.setStandardInputFile(dir.path());
        p.start(GPSROUTE_PATH, {"--data", dir.path(), "route", "-"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError())
                    .contains("gpsroute: cannot read standard input: "));
    }

    // Above 2,000 cities the table is written row by row from searches, as it was all at once.
    void largeMatrixIsTheAllPairsTable()
    {
        const QString big = dir.filePath("big");
        QCOMPARE(
            run({"synth", "2050", "5", big, "--roads-per-city", "1.5"}, false, GPSNET_PATH).code,
            0);
        const Result r = run({"--data", big, "matrix"}, false);
        QCOMPARE(r.code, 0);
        Network net;
        QCOMPARE(net.load(big), Network::Load::Ok);
        const TimeMatrix all = Matrix::Floyd_Warshall_Only(net.directMatrix());
        QString expected;
        for (const City &c : net.cities())
            expected += ',' + c.getName();
        expected += '\n';
        for (int i = 0; i < net.size(); ++i) {
            expected += net.cities()[i].getName();
            for (const double t : all[i])
                expected += ',' + QString::number(t, 'g', 6);
            expected += '\n';
        }
        expected += readNetworkCredit(big).line + '\n'; // gpsnet's credit, after the table
        QVERIFY(r.out == expected);                     // (QCOMPARE would print 30 MB)
    }

    // A network large enough to be kept with its searches' hierarchy answers many routes (on
    // every core), tables and trips as the same network read from its text, byte for byte.
    void largeNetworkAnswersAsWithoutItsImage()
    {
        const QString big = dir.filePath("large");
        QCOMPARE(run({"synth", "20000", "11", big, "--quiet", "--roads-per-city", "2.5"}, false,
                     GPSNET_PATH)
                     .code,
                 0);
        // Long names, as real places have, so that the files are large enough to be kept.
        const QString suffix = "-Saint-Martin-de-la-Grande-Forêt-des-Landes";
        for (const char *file : {"villes.csv", "temps.csv"}) {
            QFile f(big + '/' + file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll())
                                     .replace(QRegularExpression("(C\\d+)"), "\\1" + suffix);
            f.close();
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(text.toUtf8());
        }
        QVERIFY(QFileInfo(big + "/villes.csv").size() + QFileInfo(big + "/temps.csv").size() >=
                Network::Cache().smallest);
        QByteArray queries;
        QStringList some;
        const auto name = [&suffix](int k) {
            return QStringLiteral("C%1").arg(k, 4, 10, QChar('0')) + suffix;
        };
        for (int q = 0; q < 200; ++q) {
            queries +=
                (name(1 + q * 97 % 20000) + '\t' + name(1 + q * 7919 % 20000) +
                 (q % 50 == 0 ? '\t' + name(3) : "") + (q % 60 == 0 ? "\tnowhere" : "") + '\n')
                    .toUtf8();
            if (q < 30)
                some << name(1 + q * 1237 % 20000);
        }
        // (`cacheHome`: where the image is kept; none, no image at all.)
        const auto answers = [&](bool image, const QString &cacheHome = {}) {
            QStringList all;
            for (const QStringList &args :
                 {QStringList{"route", "-"},
                  QStringList{"table", "--from", some.join(','), "--to", some.mid(0, 20).join(',')},
                  QStringList{"trip"} + some.mid(0, 25)}) {
                QProcess p;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert("XDG_CACHE_HOME",
                           cacheHome.isEmpty() ? dir.filePath(".cache") : cacheHome);
                if (!image)
                    env.insert("GPS_NO_CACHE", "1");
                p.setProcessEnvironment(env);
                p.start(GPSROUTE_PATH, QStringList{"--data", big} + args);
                p.write(args.contains("-") ? queries : QByteArray());
                p.closeWriteChannel();
                if (!p.waitForFinished(300000))
                    qFatal("gpsroute did not finish");
                all << QString::number(p.exitCode()) + QString::fromUtf8(p.readAllStandardOutput());
            }
            return all;
        };
        const QStringList plain = answers(false);
        QCOMPARE(plain.size(), 3);
        QVERIFY(plain[0].startsWith('2') && plain[0].count("\nTotal") == 200 - 4);
        QCOMPARE(answers(true), plain); // the image made, with its hierarchy
        Network kept;
        bool fromImage = false;
        QCOMPARE(kept.load(big, nullptr, {dir.filePath(".cache/gps/networks"), 0, &fromImage}),
                 Network::Load::Ok);
        QVERIFY(fromImage);
        QVERIFY(kept.hierarchy());
        QCOMPARE(answers(true), plain); // the image read

        // Where its image cannot be kept (a folder in its place), nothing is built for it: the
        // same answer, and why said once.
        const QString blocked = dir.filePath(".blocked/gps/networks");
        QByteArray key;
        QVERIFY(QDir().mkpath(networkcache::fileFor(blocked, big, &key)));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", dir.filePath(".blocked"));
        p.setProcessEnvironment(env);
        p.start(GPSROUTE_PATH, {"--data", big, "route", name(1), name(2)});
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(err.count("gpsroute: the network is read from its files at each run: a folder "
                           "stands where its image would go"),
                 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith(name(1) + "\t0\n"));
        // Many routes, a table, a trip: a hierarchy for the run alone, the same answers.
        QCOMPARE(answers(true, dir.filePath(".blocked")), plain);
        QDir(big).removeRecursively();
    }

    void defaultDataFolderIsBesideTheProgram()
    {
        const Result r = run({"route", "Paris", "Lyon"}, false);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Paris\t0\n"));
        QVERIFY(r.out.contains("\nLyon\t"));
    }
};

QTEST_GUILESS_MAIN(TestGpsroute)
#include "tst_gpsroute.moc"
