#include "infinity.h"
#include "matrix.h"
#include "netgen.h"
#include "network.h"

#include <QFile>
#include <QTest>

#include <limits>

class TestNetgen : public QObject
{
    Q_OBJECT

    // Load the generated files the way the programs do.
    static Matrix load(const std::vector<netgen::Place> &places,
                       const std::vector<netgen::Link> &links)
    {
        Matrix m;
        QStringList warnings;
        m.readCities(netgen::citiesCsv(places), "villes.csv", &warnings);
        m.readRoads(netgen::roadsCsv(places, links), "temps.csv", &warnings);
        if (!warnings.isEmpty())
            qFatal("%s", qPrintable(warnings.join('\n')));
        m.setMatrix(Matrix::createMatrix(m.getCities(), m.getRoads()));
        return m;
    }

private slots:
    void syntheticNetworksAreConnectedAndRepeatable()
    {
        const auto places = netgen::randomPlaces(300, 42);
        QCOMPARE(netgen::citiesCsv(places), netgen::citiesCsv(netgen::randomPlaces(300, 42)));
        QVERIFY(netgen::citiesCsv(places) != netgen::citiesCsv(netgen::randomPlaces(300, 43)));
        const auto links = netgen::nearestRoads(places, 5.0);
        QCOMPARE(links.size(), 1500u);
        const Matrix m = load(places, links);
        QCOMPARE(m.getRoads().size(), 1500u);
        const TimeMatrix all = Matrix::Floyd_Warshall_Only(m.getMatrix());
        for (const auto &row : all)
            for (double t : row)
                QVERIFY(t < kInf);
    }

    void islandsGetNoRoadToTheMainland()
    {
        auto places = netgen::randomPlaces(40, 1);
        for (int i = 0; i < 5; ++i)
            places[i].group = 1;
        const auto links = netgen::nearestRoads(places, 2.5);
        QCOMPARE(links.size(), 100u);
        for (const auto &l : links)
            QCOMPARE(places[l.a].group, places[l.b].group);
        const TimeMatrix all = Matrix::Floyd_Warshall_Only(load(places, links).getMatrix());
        int unreachable = 0;
        for (const auto &row : all)
            for (double t : row)
                unreachable += t == kInf;
        QCOMPARE(unreachable, 2 * 5 * 35); // islands reach each other, and the mainland too
    }

    void travelTimesFollowTheDistance()
    {
        netgen::Place paris, lyon;
        paris.lat = 48.85341;
        paris.lon = 2.3488;
        lyon.lat = 45.74906;
        lyon.lon = 4.84789;
        const double km = netgen::greatCircleKm(paris, lyon);
        QVERIFY(km > 385 && km < 395);
        const netgen::TimeModel model;
        QCOMPARE(model.minutes(km), std::round(km * 1.3 / 80 * 60));
        QCOMPARE(model.minutes(0.1), 1.0); // never a free road
    }

    void shippedNetworkIsWhatTheToolMakes_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("places");
        QTest::addColumn<QStringList>("corsicans"); // two cities of Corsica
        QTest::newRow("sample") << GPS_SAMPLE_DATA_DIR << 103 << QStringList{"Ajaccio", "Bastia"};
        QTest::newRow("every French place")
            << GPS_SAMPLE_DATA_DIR "/france" << 8941 << QStringList{"Ajaccio", "Bastia"};
    }

    void shippedNetworkIsWhatTheToolMakes()
    {
        QFETCH(QString, folder);
        QFETCH(int, places);
        QFETCH(QStringList, corsicans);
        QFile villes(folder + "/villes.csv"), temps(folder + "/temps.csv");
        QVERIFY(villes.open(QIODevice::ReadOnly) && temps.open(QIODevice::ReadOnly));
        const QByteArray cityBytes = villes.readAll(), roadBytes = temps.readAll();
        QString error;
        auto read = netgen::readPlaces(cityBytes, &error);
        QVERIFY(error.isEmpty());
        QCOMPARE(int(read.size()), places);
        for (auto &p : read)
            p.group = (p.dept == "2A" || p.dept == "2B") ? 1 : 0;
        // gpsnet roads DIR/villes.csv --separate 2A,2B gives the shipped file byte for byte.
        QCOMPARE(netgen::roadsCsv(read, netgen::nearestRoads(read, 2.5)), roadBytes);

        // Every name once, every line usable; Corsica reaches only Corsica.
        QStringList warnings;
        Matrix m;
        m.readCities(cityBytes, "villes.csv", &warnings);
        m.readRoads(roadBytes, "temps.csv", &warnings);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        const Network net(m.getCities(), m.getRoads());
        const int ajaccio = net.lastIndexOf(corsicans[0]), bastia = net.lastIndexOf(corsicans[1]);
        QVERIFY(ajaccio >= 0 && bastia >= 0);
        const std::vector<double> fromAjaccio = net.timesFrom(ajaccio);
        const auto corsican = [&](int i) { return fromAjaccio[i] < kInf; };
        int reached = 0;
        for (int i = 0; i < net.size(); ++i)
            reached += corsican(i);
        QVERIFY(corsican(bastia));
        const std::vector<double> fromBastia = net.timesFrom(bastia);
        for (int i = 0; i < net.size(); ++i)
            QCOMPARE(fromBastia[i] < kInf, corsican(i));
        // Corsica's cities, and no other.
        int island = 0;
        for (const auto &p : read)
            island += p.dept == "2A" || p.dept == "2B";
        QCOMPARE(reached, island);
        // The mainland is one network: any city reaches every other city that is not Corsican.
        const std::vector<double> fromFirst = net.timesFrom(corsican(0) ? net.size() - 1 : 0);
        for (int i = 0; i < net.size(); ++i)
            QCOMPARE(fromFirst[i] < kInf, !corsican(i));
    }

    void cityFileRoundTrip()
    {
        const auto places = netgen::randomPlaces(10, 3);
        QString error;
        const auto back = netgen::readPlaces(netgen::citiesCsv(places), &error);
        QVERIFY(error.isEmpty());
        QCOMPARE(back.size(), places.size());
        QCOMPARE(back[9].name, places[9].name);
        QCOMPARE(back[9].lat, places[9].lat);
        QVERIFY(netgen::readPlaces("h\n1,A,1,north,2\n", &error).empty());
        QCOMPARE(error, QStringLiteral("line 2: expected id,name,dept,lat,lon"));
    }
};

QTEST_APPLESS_MAIN(TestNetgen)
#include "tst_netgen.moc"
