#include <QProcess>
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

    Result run(QStringList args, bool withData = true)
    {
        if (withData)
            args = QStringList{"--data", dir.path()} + args;
        QProcess p;
        p.start(GPSROUTE_PATH, args);
        if (!p.waitForFinished(60000))
            qFatal("gpsroute did not finish");
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
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
        QVERIFY(missing.err.contains(QDir::toNativeSeparators(dir.filePath("nowhere/villes.csv"))));

        QCOMPARE(run({"route", "X"}).code, 64);
        QCOMPARE(run({"fly", "X", "Y"}).code, 64);
        const Result help = run({"--help"}, false);
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("Exit status"));
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
