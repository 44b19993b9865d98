// gpsnet: writes road networks.
//   gpsnet roads CITIES.csv [--roads-per-city R] [--separate DEPT,...]   (temps.csv on stdout)
//   gpsnet synth N SEED DIR [--roads-per-city R]                          (DIR/villes.csv,
//   DIR/temps.csv)

#include "commandline.h"
#include "netgen.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <new>

namespace {

int fail(const QString &text)
{
    QTextStream(stderr) << "gpsnet: " << text << Qt::endl;
    return 1;
}

// Whole or not at all: a full disk leaves no half-written file behind a success.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

// Far above any real network, and small enough that the arithmetic and memory of one stays sane.
constexpr int kMostCities = 10'000'000;
constexpr double kMostRoadsPerCity = 100;

const char *const kHelp =
    "Usage:\n"
    "  gpsnet roads CITIES.csv [--roads-per-city R] [--separate DEPT,...] > temps.csv\n"
    "      roads to each city's nearest neighbours (R per city, default 2.5); the\n"
    "      departments listed in --separate form a network of their own (islands)\n"
    "  gpsnet synth N SEED DIR [--roads-per-city R]\n"
    "      a random network of N cities in France (R roads per city, default 5),\n"
    "      N from 1 to 10,000,000\n"
    "  R is a number above 0 and at most 100\n"
    "  gpsnet --help | --version\n";

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption perCity(QStringLiteral("roads-per-city"), QString(),
                                     QStringLiteral("R"));
    const QCommandLineOption separateOption(QStringLiteral("separate"), QString(),
                                            QStringLiteral("DEPTS"));
    parser.addOptions({perCity, separateOption});
    if (const int done = commandline::parse(parser, arguments, QStringLiteral("gpsnet"), kHelp);
        done >= 0)
        return done;
    const auto usage = [](const QString &problem) {
        return commandline::usageError(QStringLiteral("gpsnet"), problem);
    };
    double roadsPerCity = -1;
    if (parser.isSet(perCity)) {
        bool ok = false;
        roadsPerCity = parser.value(perCity).toDouble(&ok);
        if (!ok || !(roadsPerCity > 0) || !(roadsPerCity <= kMostRoadsPerCity))
            return usage(QStringLiteral("--roads-per-city needs a number above 0 and at most %1")
                             .arg(kMostRoadsPerCity));
    }
    const QStringList separate = parser.value(separateOption).split(u',', Qt::SkipEmptyParts);
    const QStringList args = parser.positionalArguments();
    if (args.size() == 2 && args[0] == QLatin1String("roads")) {
        QFile in(args[1]);
        if (!in.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(args[1]));
        QString error;
        std::vector<netgen::Place> places = netgen::readPlaces(in.readAll(), &error);
        if (!error.isEmpty())
            return fail(args[1] + QStringLiteral(": ") + error);
        for (netgen::Place &p : places)
            p.group = separate.contains(p.dept) ? 1 : 0;
        const auto links = netgen::nearestRoads(places, roadsPerCity > 0 ? roadsPerCity : 2.5);
        const QByteArray csv = netgen::roadsCsv(places, links);
        fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
        return commandline::outputWritten(QStringLiteral("gpsnet")) ? 0 : 1;
    }
    if (args.size() == 4 && args[0] == QLatin1String("synth")) {
        bool countOk = false, seedOk = false;
        const int n = args[1].toInt(&countOk);
        const uint seed = args[2].toUInt(&seedOk);
        if (!countOk || n < 1 || n > kMostCities || !seedOk)
            return usage(QStringLiteral("synth needs a city count from 1 to %1 and a seed "
                                        "(whole numbers), not \"%2\" and \"%3\"")
                             .arg(kMostCities)
                             .arg(args[1], args[2]));
        if (args[3].isEmpty())
            return usage(QStringLiteral("synth needs a folder to write into, not an empty name"));
        const auto places = netgen::randomPlaces(n, seed);
        const auto links = netgen::nearestRoads(places, roadsPerCity > 0 ? roadsPerCity : 5.0);
        QDir().mkpath(args[3]);
        const QDir dir(args[3]);
        if (!writeFile(dir.filePath("villes.csv"), netgen::citiesCsv(places)) ||
            !writeFile(dir.filePath("temps.csv"), netgen::roadsCsv(places, links)))
            return fail(QStringLiteral("cannot write into %1").arg(args[3]));
        return 0;
    }
    return usage(args.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("unknown command or wrong number of arguments: %1")
                                      .arg(args.join(u' ')));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments());
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("not enough memory for this network"));
    }
}
