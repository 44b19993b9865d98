// What GPS does with the data files people actually write, one case a row: what loading
// reports, what gpsroute says and exits with, and that the window opens and draws anyway.

#include "Window.h"
#include "matrix.h"
#include "modal.h"
#include "routeplan.h"

#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kMissing = "<missing>";
const QByteArray kFolder = "<folder>";
const QByteArray kPipe = "<pipe>";       // a named pipe nobody writes into
const QByteArray kEndless = "<endless>"; // a link to /dev/zero
const QByteArray kHuge = "<huge>";       // a sparse file over the size limit
const QByteArray kAbc = "id,name,dept,lat,lon\n1,A,0,45,5\n2,B,0,46,6\n3,C,0,44,4\n";

QByteArray randomBytes(int size)
{
    QRandomGenerator rng(2026);
    QByteArray out(size, '\0');
    for (char &c : out)
        c = char(rng.bounded(256));
    return out;
}

QByteArray longLines() // 50 lines of 1 MiB: a road repeated 100,000 times on each
{
    QByteArray line;
    for (int i = 0; i < 100000; ++i)
        line += "A,B,1," + QByteArray::number(i % 10) + ",";
    line.chop(1);
    line += ",A,C,7\n";
    QByteArray out;
    out.reserve(51 * line.size());
    for (int i = 0; i < 50; ++i)
        out += line;
    return out;
}

QByteArray manyFields(const QByteArray &prefix, int count)
{
    QByteArray out = prefix;
    for (int i = 1; i <= count; ++i)
        out += (i > 1 ? "," : "") + QByteArray::number(i);
    return out + "\n";
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

    QTemporaryDir root;
    int made = 0;

    // A data folder holding the two files (or a folder, or nothing, in their place).
    QString folder(const QByteArray &villes, const QByteArray &temps)
    {
        const QString dir = root.filePath(QString::number(++made));
        QDir().mkpath(dir);
        for (const auto &[name, bytes] :
             {std::pair{"villes.csv", villes}, std::pair{"temps.csv", temps}}) {
            if (bytes == kMissing)
                continue;
            if (bytes == kFolder) {
                QDir(dir).mkpath(name);
                continue;
            }
            QFile f(dir + "/" + name);
#ifdef Q_OS_UNIX
            if (bytes == kPipe) {
                if (mkfifo(qPrintable(f.fileName()), 0600) != 0)
                    qFatal("cannot make a pipe");
                continue;
            }
            if (bytes == kEndless) {
                if (!QFile::link("/dev/zero", f.fileName()))
                    qFatal("cannot link to /dev/zero");
                continue;
            }
#endif
            if (bytes == kHuge) {
                if (!f.open(QIODevice::WriteOnly) || !f.resize((qint64(1) << 30) + 1))
                    qFatal("cannot make a large file");
                continue;
            }
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                qFatal("cannot write %s", name);
        }
        return dir;
    }

    struct Run
    {
        int code;
        QByteArray out, err;
    };

#if defined(Q_OS_LINUX) && !defined(GPS_SANITIZED)
    // The process started by `p` may take `megabytes` of address space (the programs' libraries
    // take about 60 MB): memory that grows beyond it fails there, as on a smaller machine.
    static void limitAddressSpace(QProcess *p, unsigned megabytes)
    {
        p->setChildProcessModifier([megabytes] {
            const rlimit limit{rlim_t(megabytes) << 20, rlim_t(megabytes) << 20};
            setrlimit(RLIMIT_AS, &limit);
        });
    }
#endif

    static Run gpsroute(const QString &dir, const QStringList &args)
    {
        QProcess p;
        p.start(GPSROUTE_PATH, QStringList{"--data", dir} + args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            qFatal("gpsroute crashed or hung on %s", qPrintable(dir));
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
    }

    void catalogue_data()
    {
        QTest::addColumn<QByteArray>("villes");
        QTest::addColumn<QByteArray>("temps");
        QTest::addColumn<int>("cities");          // loaded
        QTest::addColumn<int>("roads");           // loaded
        QTest::addColumn<QString>("said");        // in the load messages ("" = none)
        QTest::addColumn<QStringList>("command"); // gpsroute's
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("answer"); // on stdout, or on stderr when exit != 0

        // Nothing to read: a message naming the file, exit 1, and an empty window.
        QTest::newRow("missing files")
            << kMissing << kMissing << 0 << 0
            << "villes.csv: cannot be read: No such file or directory" << QStringList{"matrix"} << 1
            << "villes.csv: cannot be read";
        QTest::newRow("folder instead of a file") << kFolder << QByteArray("A,B,1\n") << 0 << 1
                                                  << "villes.csv: cannot be read: it is a folder"
                                                  << QStringList{"matrix"} << 1 << "it is a folder";
#ifdef Q_OS_UNIX
        // Not files to read: refused at once, not waited on or read until memory runs out.
        QTest::newRow("a pipe") << kPipe << QByteArray("A,B,1\n") << 0 << 1
                                << "villes.csv: cannot be read: not an ordinary file"
                                << QStringList{"matrix"} << 1 << "not an ordinary file";
        QTest::newRow("a link to an endless device")
            << kAbc << kEndless << 3 << 0 << "temps.csv: cannot be read: not an ordinary file"
            << QStringList{"route", "A", "B"} << 1 << "not an ordinary file";
#endif
        QTest::newRow("a file over the size limit")
            << kHuge << QByteArray("A,B,1\n") << 0 << 1
            << "villes.csv: cannot be read: larger than 1024 MB, far more than any road network"
            << QStringList{"matrix"} << 1 << "larger than 1024 MB";
        QTest::newRow("empty files") << QByteArray() << QByteArray() << 0 << 0 << ""
                                     << QStringList{"matrix"} << 1 << "no city in";
        QTest::newRow("zero cities")
            << QByteArray("id,name,dept,lat,lon\n") << QByteArray("A,B,5\n") << 0 << 1 << ""
            << QStringList{"route", "A", "B"} << 2 << "no city named \"A\", \"B\"";
        QTest::newRow("one city") << QByteArray("h\n1,A,0,45,5\n") << QByteArray() << 1 << 0 << ""
                                  << QStringList{"route", "A", "A"} << 0 << "A\t0\nTotal\t0\n";

        // Damaged text: read as far as it goes, with at most 100 messages a file.
        QTest::newRow("binary file")
            << randomBytes(65536) << randomBytes(65536) << -1 << -1 << "more problems not listed"
            << QStringList{"matrix"} << 0 << "";
        QTest::newRow("invalid UTF-8") << QByteArray("h\n1,Caf\xe9,0,45,5\n2,B\xff\xfe,0,46,6\n")
                                       << QByteArray("B\xff\xfe,Caf\xe9,12\n") << 2 << 1 << ""
                                       << QStringList{"matrix"} << 0 << "Caf\xef\xbf\xbd,12,0\n";
        // Characters no export can carry are replaced as the files are read, and said.
        QTest::newRow("NUL bytes") << QByteArray("h\n1,A\0B,0,45,5\n2,C,0,46,6\n", 26)
                                   << QByteArray("A\0B,C,4\n", 8) << 2 << 1
                                   << "villes.csv:2: name \"A\xef\xbf\xbd"
                                      "B\" holds the character U+0000, which no export "
                                      "can carry; it is read as U+FFFD"
                                   << QStringList{"matrix"} << 0
                                   << "A\xef\xbf\xbd"
                                      "B,0,4\n";
        QTest::newRow("characters XML cannot hold") << QByteArray("h\n1,C\x01"
                                                                  "D,0,45,5\n2,E\xef\xbf\xbf"
                                                                  "F,0,46,6\n")
                                                    << QByteArray("C\x01"
                                                                  "D,E\xef\xbf\xbf"
                                                                  "F,3\n")
                                                    << 2 << 1
                                                    << "temps.csv:1: name \"E\xef\xbf\xbd"
                                                       "F\" holds the character U+FFFF"
                                                    << QStringList{"--format", "gpx", "route",
                                                                   "C\xef\xbf\xbd"
                                                                   "D",
                                                                   "E\xef\xbf\xbd"
                                                                   "F"}
                                                    << 0
                                                    << "<name>C\xef\xbf\xbd"
                                                       "D</name>";
        // Names a spreadsheet would run as formulas, or that would shift a CSV's columns.
        QTest::newRow("names for spreadsheets")
            << QByteArray("h\n1,=1+1,0,45,5\n2,@SUM(A1),0,46,6\n3,a\"b,0,44,4\n4,-Town,0,44,5\n")
            << QByteArray() << 4 << 0 << "name \"a\"b\" holds a quote mark" << QStringList{"matrix"}
            << 0 << ",'-Town,'=1+1,'@SUM(A1),\"a\"\"b\"\n'-Town,0,inf,inf,inf\n";
        // Each line of the route reads back to one name, and only the last line is the total.
        QTest::newRow("names in a tab-separated route")
            << QByteArray("h\n1,A\tB,0,45,5\n2,Total,0,46,6\n3,=C\\D,0,44,4\n")
            << QByteArray("A\tB,Total,5\nTotal,=C\\D,1\n") << 3 << 2 << ""
            << QStringList{"route", "A\tB", "Total", "=C\\D"} << 0
            << "A\\tB\t0\n\\Total\t5\n'=C\\\\D\t1\nTotal\t6\n";
        QTest::newRow("CR-only line ends")
            << QByteArray(kAbc).replace('\n', '\r') << QByteArray("A,B,7\rB,C,8\r") << 3 << 2 << ""
            << QStringList{"route", "A", "C"} << 0 << "A\t0\nB\t7\nC\t8\nTotal\t15\n";
        QTest::newRow("50 MB of long lines")
            << kAbc << longLines() << 3 << 50 << "" << QStringList{"route", "A", "C"} << 0
            << "A\t0\nC\t7\nTotal\t7\n";
        QTest::newRow("10,000 fields a line")
            << manyFields("h\n", 10000) + "1,B,0,45,5\n"
            << manyFields("B,B,2,", 10000) << 2 << 1
            << "temps.csv:1: road not used: no city named \"9998\" or \"9999\""
            << QStringList{"route", "9982", "B"} << 0 << "9982\t0\nB\tinf\nTotal\tinf\n";

        // Fields people get wrong.
        QTest::newRow("commas and quotes in names")
            << QByteArray("h\n1,\"Saint, Malo\",35,48.6,-2\n2,O'Brien,0,1,1\n")
            << QByteArray("O'Brien,\"Saint,3\n") << 2 << 1 << "name \"\"Saint\" holds a quote mark"
            << QStringList{"route", "O'Brien", "\"Saint"} << 0
            << "O'Brien\t0\n\"Saint\t3\nTotal\t3\n";
        QTest::newRow("duplicate names")
            << kAbc + "4,A,0,40,2\n"
            << QByteArray("A,B,10\n") << 4 << 1
            << "villes.csv:5: city \"A\" is listed on line 2 too" << QStringList{"route", "A", "B"}
            << 0 << "A\t0\nB\t10\nTotal\t10\n";
        QTest::newRow("roads naming no city")
            << kAbc << QByteArray("from,to,minutes\nA,Bb,5\nlyon,paris\nB , C,3\nA,C,4\n") << 3 << 3
            << "temps.csv:2: road not used: no city named \"Bb\" (names are exact"
            << QStringList{"route", "A", "C"} << 0 << "A\t0\nC\t4\nTotal\t4\n";
        QTest::newRow("roads naming no city, with spaces")
            << kAbc << QByteArray("A,C,4\nB , C,3\n") << 3 << 2
            << "temps.csv:2: road not used: no city named \"B \" or \" C\""
            << QStringList{"route", "A", "C"} << 0 << "A\t0\nC\t4\nTotal\t4\n";
        // The tables keep one time for a pair by a rule of name order, not file order: said.
        QTest::newRow("a road given two times")
            << kAbc << QByteArray("B,A,600\nA,B,60\nA,C,5\nA,C,7\nC,A,7\n") << 3 << 5
            << "temps.csv:2: road \"A\" to \"B\" takes 60 minutes here but 600 on line 1, which "
               "is used (a road written from \"B\" to \"A\" comes first, then the last line)\n"
               "temps.csv:3: road \"A\" to \"C\" takes 5 minutes here but 7 on line 5, which is "
               "used"
            << QStringList{"route", "A", "B"} << 0 << "A\t0\nB\t600\nTotal\t600\n";
        QTest::newRow("markup in names")
            << QByteArray("h\n1,<img src=/dev/zero>,0,45,5\n2,<img src=/dev/zero>,0,46,6\n")
            << QByteArray() << 2 << 0 << "city \"<img src=/dev/zero>\" is listed on line 2 too"
            << QStringList{"route", "<img src=/dev/zero>", "<img src=/dev/zero>"} << 0
            << "<img src=/dev/zero>\t0\nTotal\t0\n";
        QTest::newRow("nameless cities")
            << QByteArray("h\n1,,0,45,5\n2\n3,A,0,46,6\n") << QByteArray() << 1 << 0
            << "villes.csv:2: city skipped: no name (field 2)" << QStringList{"route", "A", "A"}
            << 0 << "A\t0\nTotal\t0\n";
        QTest::newRow("cities named like the boxes' first lines")
            << QByteArray("h\n1,City - start    \xf0\x9f\x9f\xa6,0,45,5\n2,Info city,0,46,6\n")
            << QByteArray("City - start    \xf0\x9f\x9f\xa6,Info city,4\n") << 2 << 1 << ""
            << QStringList{"route", "City - start    \xf0\x9f\x9f\xa6", "Info city"} << 0
            << "Info city\t4\nTotal\t4\n";
        QTest::newRow("a city named unused")
            << QByteArray("h\n1,unused,0,45,5\n2,B,0,46,6\n") << QByteArray("unused,B,9\n") << 2
            << 1 << "" << QStringList{"route", "unused", "B"} << 0 << "unused\t0\nB\t9\nTotal\t9\n";
        QTest::newRow("huge and tiny numbers")
            << QByteArray("h\n1,A,0,90,-180\n2,B,0,1e-400,5e-324\n3,C,0,0,0\n")
            << QByteArray("A,B,1e12\nB,C,1e12\nA,C,1e-400\n") << 3 << 3 << ""
            << QStringList{"route", "B", "A"} << 0 << "B\t0\nA\t1e+12\nTotal\t1e+12\n";
        // Roads whose sum would overflow to infinity, which reads "no road".
        QTest::newRow("times too large to add")
            << kAbc << QByteArray("A,B,1e308\nB,C,1e308\nA,C,1e12\n") << 3 << 1
            << "temps.csv:1: road skipped: travel time \"1e308\" (field 3) is too large (at most "
               "1e+12 minutes)"
            << QStringList{"route", "A", "B", "C"} << 0 << "A\t0\nB\tinf\nC\tinf\nTotal\tinf\n";
        // Off the Earth: a decimal comma read as a separator, an absurd latitude. Said, and
        // never written into an export as it stands.
        QTest::newRow("decimal commas")
            << QByteArray("id,name,dept,lat,lon\n2,Paris,75,48,85341,2,34880\n3,Lyon,69,45.7,4.8\n")
            << QByteArray("Paris,Lyon,280\n") << 2 << 1
            << "villes.csv:2: longitude \"85341\" (field 5) is not between -180 and 180; 0 is "
               "used"
            << QStringList{"--format", "gpx", "route", "Paris", "Lyon"} << 0
            << "<rtept lat=\"48.000000\" lon=\"0.000000\">";
        QTest::newRow("positions off the Earth")
            << QByteArray("h\n1,A,0,1e300,-1e300\n2,B,0,-90.5,180.5\n3,C,0,-90,180\n")
            << QByteArray("A,B,1\n") << 3 << 1
            << "villes.csv:2: latitude \"1e300\" (field 4) is not between -90 and 90; 0 is used\n"
               "villes.csv:2: longitude \"-1e300\" (field 5) is not between -180 and 180; 0 is "
               "used\n"
               "villes.csv:3: latitude \"-90.5\" (field 4) is not between -90 and 90; 0 is used\n"
               "villes.csv:3: longitude \"180.5\" (field 5) is not between -180 and 180; 0 is used"
            << QStringList{"--format", "json", "route", "A", "B"} << 0 << "\"lat\": 0,";
        // A long field is cut in the message between two characters, not through an emoji.
        QTest::newRow("a long field cut before an emoji")
            << QByteArray("h\n1,A,0," + QByteArray(39, 'x') + "\xf0\x9f\x98\x80yz,5\n")
            << QByteArray() << 1 << 0
            << "latitude \"" + QString(39, 'x') + "...\" (field 4) is not a usable number"
            << QStringList{"route", "A", "A"} << 0 << "A\t0\nTotal\t0\n";
        QTest::newRow("negative, NaN and infinite times")
            << kAbc << QByteArray("A,B,-5\nA,B,nan\nA,B,inf\nA,B,1e999\nA,B,-0\nB,C,\n") << 3 << 1
            << "temps.csv:1: road skipped: travel time \"-5\" (field 3) is negative"
            << QStringList{"route", "A", "B", "C"} << 0 << "A\t0\nB\t0\nC\tinf\nTotal\tinf\n";
    }

    void catalogue()
    {
        QFETCH(QByteArray, villes);
        QFETCH(QByteArray, temps);
        QFETCH(int, cities);
        QFETCH(int, roads);
        QFETCH(QString, said);
        QFETCH(QStringList, command);
        QFETCH(int, exit);
        QFETCH(QString, answer);
        const QString dir = folder(villes, temps);

        Matrix m;
        QStringList messages;
        m.loadCity(dir + "/villes.csv", &messages);
        m.loadRoad(dir + "/temps.csv", &messages);
        if (cities >= 0)
            QCOMPARE(int(m.getCities().size()), cities);
        if (roads >= 0)
            QCOMPARE(int(m.getRoads().size()), roads);
        if (said.isEmpty())
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        else
            QVERIFY2(messages.join('\n').contains(said),
                     qPrintable(messages.join('\n').left(2000)));
        QVERIFY(messages.size() <= 2 * 101);

        const Run run = gpsroute(dir, command);
        QCOMPARE(run.code, exit);
        if (exit == 0) {
            QVERIFY(run.out.startsWith(answer.toUtf8()) || run.out.contains(answer.toUtf8()));
        } else {
            QVERIFY(run.out.isEmpty());
            QVERIFY2(QString::fromUtf8(run.err).contains(answer), run.err.constData());
        }

        // The window opens on whatever could be read, draws, and says what could not; a route
        // gpsroute finds between two names, it finds too.
        Fenetre w(dir);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.grab().isNull());
        if (exit == 0 && command.size() == 3 && command[0] == "route") {
            w.routePlan().setRoute(command[1], command[2]);
            const std::vector<City> &all = w.routePlan().network().cities();
            QVERIFY(!w.currentPath().empty());
            QCOMPARE(all[std::size_t(w.currentPath().front())].getName(), command[1]);
            QCOMPARE(all[std::size_t(w.currentPath().back())].getName(), command[2]);
        }
        const auto boxes = w.findChildren<QMessageBox *>();
        QCOMPARE(boxes.size(), messages.isEmpty() ? 0 : 1);
        if (!messages.isEmpty()) {
            QVERIFY(boxes[0]->text().contains(messages[0]));
            QCOMPARE(boxes[0]->textFormat(), Qt::PlainText); // names are no markup
            QCOMPARE(boxes[0]->detailedText(), messages.join('\n'));
            QVERIFY(!boxes[0]->isModal());
        }
    }

    // Output that cannot be written (a full disk, a closed output) is an error said, never a
    // success: exit 1 and "PROGRAM: cannot write the output: REASON".
    void failedWritesAreSaid_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output"); // "closed", or a file to write into
        const QString abc = folder(kAbc, "A,B,1\nB,C,2\n");
        QStringList many; // enough for the output to outgrow any buffer
        for (int i = 0; i < 3000; ++i)
            many << (i % 2 ? "A" : "C");
        for (const QString &output : {QStringLiteral("closed"), QStringLiteral("/dev/full")}) {
            QTest::addRow("route, output %s", qPrintable(output))
                << GPSROUTE_PATH << QStringList{"--data", abc, "route", "A", "C"} << output;
            QTest::addRow("long route, output %s", qPrintable(output))
                << GPSROUTE_PATH << QStringList{"--data", abc, "route"} + many << output;
            QTest::addRow("matrix, output %s", qPrintable(output))
                << GPSROUTE_PATH << QStringList{"--data", abc, "matrix"} << output;
            QTest::addRow("gpx, output %s", qPrintable(output))
                << GPSROUTE_PATH << QStringList{"--data", abc, "--format", "gpx", "route", "A", "C"}
                << output;
            QTest::addRow("gpsnet roads, output %s", qPrintable(output))
                << GPSNET_PATH << QStringList{"roads", abc + "/villes.csv"} << output;
        }
    }

    void failedWritesAreSaid()
    {
#ifndef Q_OS_UNIX
        QSKIP("a closed output is made with a POSIX call");
#else
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        if (output != "closed" && !QFileInfo::exists(output))
            QSKIP("this system has no /dev/full");
        QProcess p;
        if (output == "closed")
            p.setChildProcessModifier([] { ::close(1); });
        else
            p.setStandardOutputFile(output);
        p.start(program, args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.contains(QFileInfo(program).baseName() + ": cannot write the output: "),
                 qPrintable(err));
#endif
    }

    // A network written on a disk that fills up (a file size limit stands for it here): both
    // files or neither, the reason said as the system gives it, exit 1; the folder's old
    // network as it was.
    void networksOnAFullDisk()
    {
#ifndef Q_OS_LINUX
        QSKIP("a file size limit is set with a POSIX call");
#else
        const QByteArray osm = "<?xml version='1.0' encoding='UTF-8'?>\n<osm version='0.6'>\n"
                               "<node id='1' lat='45' lon='5'><tag k='place' v='village'/>"
                               "<tag k='name' v='A'/></node>\n"
                               "<node id='2' lat='45' lon='5.01'><tag k='place' v='village'/>"
                               "<tag k='name' v='B'/></node>\n"
                               "<way id='1'><nd ref='1'/><nd ref='2'/>"
                               "<tag k='highway' v='primary'/></way>\n</osm>\n";
        QFile extract(root.filePath("full.osm"));
        QVERIFY(extract.open(QIODevice::WriteOnly));
        extract.write(osm);
        extract.close();
        const QString there = root.filePath("full-there");
        QVERIFY(QDir().mkpath(there));
        QFile old(there + "/villes.csv");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QList<QStringList> runs{{"synth", "300", "1", root.filePath("full-new")},
                                {"synth", "300", "1", there}};
#ifdef GPS_HAVE_OSM
        runs << QStringList{"osm", "--quiet", extract.fileName(), root.filePath("full-osm")}
             << QStringList{"osm", "--quiet", extract.fileName(), there};
#endif
        for (const QStringList &args : runs) {
            QProcess p;
            p.setChildProcessModifier([] {
                signal(SIGXFSZ, SIG_IGN); // (a write past the limit fails, as on a full disk)
                const rlimit limit{20, 20};
                setrlimit(RLIMIT_FSIZE, &limit);
            });
            p.start(GPSNET_PATH, args);
            QVERIFY(p.waitForFinished(60000));
            const QString err = QString::fromLocal8Bit(p.readAllStandardError());
            QCOMPARE(p.exitCode(), 1);
            QVERIFY2(err.contains("cannot write (File too large)"), qPrintable(err));
            const QString dir = args.last();
            QVERIFY2(dir == there || !QFileInfo::exists(dir), qPrintable(dir));
        }
        QCOMPARE(QDir(there).entryList(QDir::Files | QDir::Hidden), QStringList{"villes.csv"});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
#endif
    }

    // A network too large for the memory there is: gpsroute says so, and does not abort.
    // A name held by thousands of cities: a road naming it joins them all, in memory that grows
    // with cities + roads (one entry per pair of cities would need gigabytes here).
    void sharedNamesStaySmall()
    {
#if !defined(Q_OS_LINUX) || defined(GPS_SANITIZED)
        QSKIP("needs an address-space limit, which the sanitizers cannot run under");
#else
        QByteArray cities = "id,name,dept,lat,lon\n";
        for (int i = 0; i < 2000; ++i)
            cities += "1,X,0,45,5\n2,Y,0,46,6\n";
        cities += "3,Z,0,47,7\n";
        QByteArray roads = "X,X,5\nY,Z,7\n";
        for (int i = 0; i < 1000; ++i)
            roads += "X,Y," + QByteArray::number(1000 - i) + "\n"; // the last, 1 minute, is kept
        const QString dir = folder(cities, roads);
        QProcess p;
        limitAddressSpace(&p, 160);
        p.start(GPSROUTE_PATH, {"--data", dir, "route", "X", "Z", "X"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.readAllStandardOutput(),
                 QByteArray("X\t0\nY\t1\nZ\t7\nY\t7\nX\t1\nTotal\t16\n"));
        QCOMPARE(p.exitCode(), 0);
#endif
    }

    // Places mapped as relations that name the same long outline, many times each: its nodes
    // read once and shared, in memory that grows with the extract (a copy a relation took
    // gigabytes from a few megabytes).
    void placeOutlinesStaySmall()
    {
#if !defined(Q_OS_LINUX) || defined(GPS_SANITIZED)
        QSKIP("needs an address-space limit, which the sanitizers cannot run under");
#else
        QByteArray osm = "<?xml version='1.0' encoding='UTF-8'?>\n<osm version='0.6'>\n"
                         "<node id='1' lat='45' lon='5'/><node id='2' lat='45' lon='5.01'/>\n"
                         "<node id='3' lat='45.0001' lon='5'><tag k='place' v='village'/>"
                         "<tag k='name' v='A'/></node>\n";
        QByteArray outline = "<way id='9'>";
        for (int i = 0; i < 50000; ++i) {
            osm += "<node id='" + QByteArray::number(100 + i) + "' lat='" +
                   QByteArray::number(45.001 + (i % 2) * 0.001) + "' lon='" +
                   QByteArray::number(5.0 + i * 1e-7, 'f', 7) + "'/>\n";
            outline += "<nd ref='" + QByteArray::number(100 + i) + "'/>";
        }
        osm += "<way id='1'><nd ref='1'/><nd ref='2'/><tag k='highway' v='primary'/></way>\n" +
               outline + "</way>\n";
        for (int r = 0; r < 300; ++r) {
            osm += "<relation id='" + QByteArray::number(r + 1) + "'>";
            for (int k = 0; k < 10; ++k)
                osm += "<member type='way' ref='9' role='outer'/>";
            osm += "<tag k='type' v='multipolygon'/><tag k='place' v='village'/><tag k='name' "
                   "v='R" +
                   QByteArray::number(r) + "'/></relation>\n";
        }
        osm += "</osm>\n";
        QFile extract(root.filePath("outlines.osm"));
        QVERIFY(extract.open(QIODevice::WriteOnly));
        extract.write(osm);
        extract.close();
        QProcess p;
        limitAddressSpace(&p, 400);
        p.start(GPSNET_PATH, {"osm", "--quiet", extract.fileName(), root.filePath("outlines")});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QFile cities(root.filePath("outlines/villes.csv"));
        QVERIFY(cities.open(QIODevice::ReadOnly));
        QCOMPARE(cities.readAll().count(",R"), 300); // each at its outline's centre, by the road
#endif
    }

    // A shape of 8 MB whose names eight cities each hold: the 64 pairs it joins share its
    // points (a copy a pair took a gigabyte), and the line is not split into a list first.
    void longShapesStaySmall()
    {
#if !defined(Q_OS_LINUX) || defined(GPS_SANITIZED)
        QSKIP("needs an address-space limit, which the sanitizers cannot run under");
#else
        QByteArray cities = "id,name,dept,lat,lon\n";
        for (int i = 0; i < 8; ++i)
            cities += "1,A,0,45,5\n2,B,0,46,6\n";
        QByteArray shape = "A,B,150";
        for (int i = 0; i < 450000; ++i)
            shape += ',' + QByteArray::number(45 + i / 450000.0, 'f', 7) + ',' +
                     QByteArray::number(5 + i / 450000.0, 'f', 7);
        const QString dir = folder(cities, "A,B,90\n");
        QFile file(dir + "/shapes.csv");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(shape + '\n');
        file.close();
        QProcess p;
        limitAddressSpace(&p, 300);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GPS_NO_CACHE", "1");
        p.setProcessEnvironment(env);
        p.start(GPSROUTE_PATH, {"--data", dir, "--format", "json", "route", "A", "B"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY(p.readAllStandardOutput().contains("\"km\": 150"));
#endif
    }

    // One query of 600 stops whose answer is 23 MB: written as it is made, in memory that
    // stays near the network's (the answer held whole, in several forms, took 565 MB).
    void hugeAnswersAreWrittenAsMade()
    {
#if !defined(Q_OS_LINUX) || defined(GPS_SANITIZED)
        QSKIP("needs an address-space limit, which the sanitizers cannot run under");
#else
        QByteArray cities = "id,name,dept,lat,lon\n", roads, query;
        for (int i = 0; i < 5000; ++i) {
            cities += "1,c" + QByteArray::number(i) + ",0,45," +
                      QByteArray::number(5 + i * 0.001, 'f', 4) + '\n';
            if (i > 0)
                roads += "c" + QByteArray::number(i - 1) + ",c" + QByteArray::number(i) + ",1\n";
        }
        for (int k = 0; k < 600; ++k)
            query += (k == 0 ? "" : "\t") + QByteArray(k % 2 ? "c4999" : "c0");
        const QString dir = folder(cities, roads);
        QProcess p;
        limitAddressSpace(&p, 250);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GPS_NO_CACHE", "1");
        p.setProcessEnvironment(env);
        p.start(GPSROUTE_PATH, {"--data", dir, "route", "-"});
        p.write(query + '\n');
        p.closeWriteChannel();
        QByteArray out;
        while (p.state() != QProcess::NotRunning || p.bytesAvailable() > 0) {
            p.waitForReadyRead(1000);
            out += p.readAllStandardOutput();
        }
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QCOMPARE(out.count('\n'), 599 * 4999 + 1 + 2);
        QVERIFY(out.endsWith("c4999\t1\nTotal\t2.9944e+06\n\n"));
#endif
    }

    void outOfMemoryIsSaid()
    {
#if !defined(Q_OS_LINUX) || defined(GPS_SANITIZED)
        QSKIP("needs an address-space limit, which the sanitizers cannot run under");
#else
        QByteArray roads;
        for (int i = 0; i < 1'500'000; ++i)
            roads += "A,B," + QByteArray::number(i % 97) + "\n";
        const QString dir = folder(kAbc, roads);
        QProcess p;
        limitAddressSpace(&p, 160);
        p.start(GPSROUTE_PATH, {"--data", dir, "route", "A", "C"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QVERIFY(p.readAllStandardError().contains("gpsroute: not enough memory for this network"));
#endif
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
