// gpsnet: writes road networks.
//   gpsnet roads CITIES.csv [--roads-per-city R] [--separate DEPT,...]   (temps.csv on stdout)
//   gpsnet synth N SEED DIR [--roads-per-city R]                          (DIR/villes.csv,
//   DIR/temps.csv)

#include "netgen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    QTextStream(stderr) << "gpsnet: " << text << Qt::endl;
    return 1;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    double roadsPerCity = -1;
    QStringList separate;
    for (qsizetype i = 0; i + 1 < args.size();) {
        if (args[i] == QLatin1String("--roads-per-city")) {
            bool ok = false;
            roadsPerCity = args[i + 1].toDouble(&ok);
            if (!ok || !(roadsPerCity > 0))
                return fail(QStringLiteral("--roads-per-city needs a positive number"));
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--separate")) {
            separate = args[i + 1].split(u',', Qt::SkipEmptyParts);
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
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
        return 0;
    }
    if (args.size() == 4 && args[0] == QLatin1String("synth")) {
        bool countOk = false, seedOk = false;
        const int n = args[1].toInt(&countOk);
        const uint seed = args[2].toUInt(&seedOk);
        if (!countOk || n < 1 || !seedOk) {
            QTextStream(stderr) << "gpsnet: synth needs a city count of at least 1 and a seed "
                                   "(whole numbers), not \""
                                << args[1] << "\" and \"" << args[2] << '"' << Qt::endl;
            return 64;
        }
        const auto places = netgen::randomPlaces(n, seed);
        const auto links = netgen::nearestRoads(places, roadsPerCity > 0 ? roadsPerCity : 5.0);
        QDir().mkpath(args[3]);
        const QDir dir(args[3]);
        if (!writeFile(dir.filePath("villes.csv"), netgen::citiesCsv(places)) ||
            !writeFile(dir.filePath("temps.csv"), netgen::roadsCsv(places, links)))
            return fail(QStringLiteral("cannot write into %1").arg(args[3]));
        return 0;
    }
    QTextStream(stderr)
        << "Usage:\n"
           "  gpsnet roads CITIES.csv [--roads-per-city R] [--separate DEPT,...] > temps.csv\n"
           "      roads to each city's nearest neighbours (R per city, default 2.5); the\n"
           "      departments listed in --separate form a network of their own (islands)\n"
           "  gpsnet synth N SEED DIR [--roads-per-city R]\n"
           "      a random network of N cities in France (R roads per city, default 5)\n";
    return 64;
}
