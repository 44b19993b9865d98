// gpsnet: writes road networks.
//   gpsnet roads CITIES.csv [--roads-per-city R] [--separate DEPT,...]   (temps.csv on stdout)
//   gpsnet synth N SEED DIR [--roads-per-city R] [--grid]                 (DIR/villes.csv,
//   DIR/temps.csv)
//   gpsnet osm EXTRACT DIR [--places KINDS] [--service] [--join-within KM] [--no-road-graph]
//              [--quiet]

#include "commandline.h"
#include "netgen.h"
#include "networkcredit.h"
#include "networkwrite.h"
#ifdef GPS_HAVE_OSM
#include "osmnet.h"
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

int fail(const QString &text)
{
    QTextStream(stderr) << "gpsnet: " << text << Qt::endl;
    return 1;
}

// Far above any real network, and small enough that the arithmetic and memory of one stays sane.
constexpr int kMostCities = 10'000'000;
constexpr double kMostRoadsPerCity = 100;

const char *const kHelp =
    "Usage:\n"
    "  gpsnet roads CITIES.csv [--roads-per-city R] [--separate DEPT,...] > temps.csv\n"
    "      roads to each city's nearest neighbours (R per city, default 2.5); the\n"
    "      departments listed in --separate form a network of their own (islands)\n"
    "  gpsnet synth N SEED DIR [--roads-per-city R] [--grid]\n"
    "      a random network of N cities in France (R roads per city, default 5),\n"
    "      N from 1 to 10,000,000; with --grid, one city in each cell of a square\n"
    "      grid, anywhere in its cell\n"
    "  R is a number above 0 and at most 100\n"
    "  gpsnet osm EXTRACT DIR [--places KINDS] [--service] [--join-within KM]\n"
    "             [--no-road-graph] [--quiet]\n"
    "      a network of real roads from an OpenStreetMap extract (.osm.pbf, .osm,\n"
    "      .osm.bz2): the places (KINDS: place= values, default city,town,village)\n"
    "      as cities, joined to the nearest road within KM kilometres (default 2),\n"
    "      and between places the fastest times over the roads a car may use\n"
    "      (highway=service too with --service), and the car road graph itself\n"
    "      (DIR/roadgraph.bin, which GPS drives on; left out with --no-road-graph,\n"
    "      and GPS then routes from place to place). Progress on standard error\n"
    "      unless --quiet; what was left out is always said\n"
    "  gpsnet --help | --version\n";

int usage(const QString &problem)
{
    return commandline::usageError(QStringLiteral("gpsnet"), problem);
}

// What the command line gives a command: its arguments (its name first), its options, and
// the roads per city and separate departments, already checked.
struct Request
{
    const QCommandLineParser &parser;
    QStringList args;
    double roadsPerCity = -1; // not given: the command's own default
    QStringList separate;
};

int roads(const Request &r)
{
    QFile in(r.args[1]);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(r.args[1]));
    QString error;
    std::vector<netgen::Place> places = netgen::readPlaces(in.readAll(), &error);
    if (!error.isEmpty())
        return fail(r.args[1] + QStringLiteral(": ") + error);
    for (netgen::Place &p : places)
        p.group = r.separate.contains(p.dept) ? 1 : 0;
    const auto links = netgen::nearestRoads(places, r.roadsPerCity > 0 ? r.roadsPerCity : 2.5);
    const QByteArray csv = netgen::roadsCsv(places, links);
    fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
    return commandline::outputWritten(QStringLiteral("gpsnet")) ? 0 : 1;
}

int synth(const Request &r)
{
    bool countOk = false, seedOk = false;
    const int n = r.args[1].toInt(&countOk);
    const uint seed = r.args[2].toUInt(&seedOk);
    if (!countOk || n < 1 || n > kMostCities || !seedOk)
        return usage(QStringLiteral("synth needs a city count from 1 to %1 and a seed "
                                    "(whole numbers), not \"%2\" and \"%3\"")
                         .arg(kMostCities)
                         .arg(r.args[1], r.args[2]));
    if (r.args[3].isEmpty())
        return usage(QStringLiteral("synth needs a folder to write into, not an empty name"));
    // What it is doing, as osm says it (a large network takes a while), unless --quiet.
    const auto say = [&](const QString &text) {
        if (!r.parser.isSet(QStringLiteral("quiet")))
            QTextStream(stderr) << "gpsnet: " << text << Qt::endl;
    };
    const auto places = r.parser.isSet(QStringLiteral("grid")) ? netgen::gridPlaces(n, seed)
                                                               : netgen::randomPlaces(n, seed);
    say(QStringLiteral("%1 %2 placed; roads to their nearest...")
            .arg(n)
            .arg(n == 1 ? "city" : "cities"));
    const auto links = netgen::nearestRoads(places, r.roadsPerCity > 0 ? r.roadsPerCity : 5.0);
    // Both files or neither, as osm writes them: a full disk leaves no cities without roads.
    QString problem;
    if (!writeNetworkFiles(r.args[3], netgen::citiesCsv(places), netgen::roadsCsv(places, links),
                           {{QStringLiteral("credits.txt"), generatedCredit().toUtf8()}}, &problem))
        return fail(problem);
    say(QStringLiteral("wrote %1 %2 and %3 %4 to %5")
            .arg(n)
            .arg(n == 1 ? "city" : "cities")
            .arg(links.size())
            .arg(links.size() == 1 ? "road" : "roads")
            .arg(QDir::toNativeSeparators(r.args[3])));
    return 0;
}

#ifdef GPS_HAVE_OSM
// How the network of places drives, beside the roads themselves (with --quiet, only pairs
// still beyond the bound).
void reportChecked(const osmnet::Checked &c, bool quiet)
{
    if (c.places < 2)
        return;
    QTextStream err(stderr);
    const QLocale l = QLocale::c();
    if (c.left > 0)
        err << "gpsnet: " << l.toString(c.left) << (c.left == 1 ? " pair is" : " pairs are")
            << " still slower than the drive by more than 3 % and a minute" << Qt::endl;
    if (quiet)
        return;
    err << "gpsnet: checked "
        << (c.sources == c.places ? QStringLiteral("every pair of places")
                                  : QStringLiteral("the pairs from %1 of the %2 places (a sample)")
                                        .arg(l.toString(c.sources), l.toString(c.places)))
        << " against the drive: " << l.toString(c.pairs) << (c.pairs == 1 ? " pair" : " pairs")
        << " joined both ways by the roads";
    if (c.added > 0)
        err << "; " << l.toString(c.added) << (c.added == 1 ? " road" : " roads")
            << " added where the network had none, or a slower one";
    // (Within the bound: 3 % over drives of 33 1/3 min and more, a minute over shorter ones.)
    if (!c.worstSharePair.isEmpty())
        err << "; routes at most " << QString::number(100 * c.worstShare, 'f', 1)
            << " % over the drive (" << c.worstSharePair << ")";
    if (!c.worstMinutesPair.isEmpty())
        err << (c.worstSharePair.isEmpty() ? "; routes at most " : ", under 33 min at most ")
            << QString::number(c.worstMinutes, 'f', 2) << " min over the drive ("
            << c.worstMinutesPair << ")";
    if (c.pairs > 0 && c.worstSharePair.isEmpty() && c.worstMinutesPair.isEmpty())
        err << "; every route as fast as the drive";
    err << Qt::endl;
}

// What was left out of the network is said whatever --quiet says, in words that agree with the
// count.
void reportLeftOut(const osmnet::Network &net, const osmnet::Options &options)
{
    QTextStream err(stderr);
    const auto said = [&err](long long count, const char *one, const char *many) {
        if (count > 0)
            err << "gpsnet: " << count << ' ' << (count == 1 ? one : many) << Qt::endl;
    };
    said(net.unnamed,
         "place has no name once written for GPS (only commas or characters no file "
         "carries): left out",
         "places have no name once written for GPS (only commas or characters no file "
         "carries): left out");
    said(net.invalidPositions,
         "road node or place has a position off the Earth (a latitude beyond 90, a "
         "longitude beyond 180): left out, with the stretches of road to it",
         "road nodes or places have a position off the Earth (a latitude beyond 90, a "
         "longitude beyond 180): left out, with the stretches of road to them");
    said(net.waysMissingNodes,
         "way names nodes the extract does not hold: its stretches to those nodes were "
         "left out",
         "ways name nodes the extract does not hold: their stretches to those nodes were "
         "left out");
    // Places left out or cut off, by name: the first ten.
    const auto named = [&](const QStringList &names, const QString &one, const QString &many) {
        if (!names.isEmpty())
            err << "gpsnet: " << names.size() << ' ' << (names.size() == 1 ? one : many)
                << names.mid(0, 10).join(QStringLiteral(", "))
                << (names.size() > 10 ? QStringLiteral(", ...") : QString()) << Qt::endl;
    };
    // Left out for what lies, or does not, within the reach a place is joined over.
    const auto leftOut = [&](const QStringList &names, const char *one, const char *many) {
        named(names, QString::fromLatin1(one).arg(options.joinWithinKm),
              QString::fromLatin1(many).arg(options.joinWithinKm));
    };
    leftOut(net.farPlaces, "place lies farther than %1 km from a road and was left out: ",
            "places lie farther than %1 km from a road and were left out: ");
    leftOut(net.motorwayPlaces,
            "place has only a motorway within %1 km (a car cannot stop on one) and was left "
            "out: ",
            "places have only a motorway within %1 km (a car cannot stop on one) and were left "
            "out: ");
    leftOut(net.barredPlaces,
            "place has only roads closed to cars by barriers within %1 km and was left out: ",
            "places have only roads closed to cars by barriers within %1 km and were left out: ");
    said(net.oneWayPairs,
         "pair of places is joined one way only: GPS roads go both ways, so no road was "
         "written for it",
         "pairs of places are joined one way only: GPS roads go both ways, so no road was "
         "written for them");
    said(std::count_if(net.links.begin(), net.links.end(), osmnet::overlong),
         "road's drive is longer than any road on Earth (100,000 km): its shape and length "
         "were left out of shapes.csv",
         "roads' drives are longer than any road on Earth (100,000 km): their shapes and "
         "lengths were left out of shapes.csv");
    said(net.barriers,
         "road node has a barrier that stops cars (a bollard, a locked gate...): the road is "
         "cut there",
         "road nodes have a barrier that stops cars (bollards, locked gates...): the roads are "
         "cut there");
    named(net.movedPlaces,
          QStringLiteral("place stands by a street cut off from the region's roads: joined "
                         "instead to the nearest road that leads out and back: "),
          QStringLiteral("places stand by streets cut off from the region's roads: each joined "
                         "instead to the nearest road that leads out and back: "));
    named(net.roadless,
          QStringLiteral("place gets no road to any other (its road node leads nowhere both "
                         "ways): "),
          QStringLiteral("places get no road to any other (their road nodes lead nowhere "
                         "both ways): "));
    said(net.renamed, "place shares its name with another: its region or a number was added",
         "places share their name with another: their region or a number was added");
    if (net.oneWayRoads)
        err << "gpsnet: the extract has one-way roads: each road written takes the slower "
               "direction's time"
            << Qt::endl;
    reportChecked(net.checked, !options.progress);
}
#endif

int osm(const Request &r)
{
    if (r.args[2].isEmpty())
        return usage(QStringLiteral("osm needs a folder to write into, not an empty name"));
#ifdef GPS_HAVE_OSM
    osmnet::Options options;
    if (r.parser.isSet(QStringLiteral("places")))
        options.placeKinds =
            r.parser.value(QStringLiteral("places")).split(u',', Qt::SkipEmptyParts);
    if (options.placeKinds.isEmpty())
        return usage(QStringLiteral("--places needs place kinds, such as city,town"));
    options.service = r.parser.isSet(QStringLiteral("service"));
    // (--road-graph, from when the graph was written only on request, is still taken.)
    const bool roadGraph = !r.parser.isSet(QStringLiteral("no-road-graph"));
    options.nodeIds = roadGraph;
    if (r.parser.isSet(QStringLiteral("join-within"))) {
        bool ok = false;
        options.joinWithinKm = r.parser.value(QStringLiteral("join-within")).toDouble(&ok);
        if (!ok || !(options.joinWithinKm > 0) || !(options.joinWithinKm <= 100))
            return usage(QStringLiteral("--join-within needs kilometres above 0 and at most 100"));
    }
    if (!r.parser.isSet(QStringLiteral("quiet")))
        options.progress = [](const QString &text) {
            QTextStream(stderr) << "gpsnet: " << text << Qt::endl;
        };
    osmnet::Network net;
    try {
        net = osmnet::convert(r.args[1], options);
    } catch (const osmnet::Error &e) {
        return fail(QString::fromUtf8(e.what()));
    }
    reportLeftOut(net, options);
    if (net.places.empty())
        return fail(QStringLiteral("%1: no place (%2) near a road: nothing written")
                        .arg(QDir::toNativeSeparators(r.args[1]),
                             options.placeKinds.join(QStringLiteral(", "))));
    QString error;
    if (!osmnet::write(r.args[2], net, &error, roadGraph))
        return fail(error);
    if (!r.parser.isSet(QStringLiteral("quiet")))
        QTextStream(stderr) << "gpsnet: wrote " << net.places.size()
                            << (net.places.size() == 1 ? " place and " : " places and ")
                            << net.links.size()
                            << (net.links.size() == 1 ? " road to " : " roads to ")
                            << QDir::toNativeSeparators(r.args[2]) << Qt::endl;
    return 0;
#else
    return fail(QStringLiteral("this gpsnet was built without OpenStreetMap support "
                               "(libosmium2-dev)"));
#endif
}

// gpsnet's commands, and how many arguments each takes (its name among them).
struct Command
{
    const char *name;
    qsizetype arguments;
    int (*run)(const Request &r);
};
const Command kCommands[] = {{"roads", 2, roads}, {"synth", 4, synth}, {"osm", 3, osm}};

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption perCity(QStringLiteral("roads-per-city"), QString(),
                                     QStringLiteral("R"));
    const QCommandLineOption separateOption(QStringLiteral("separate"), QString(),
                                            QStringLiteral("DEPTS"));
    const QCommandLineOption placesOption(QStringLiteral("places"), QString(),
                                          QStringLiteral("KINDS"));
    const QCommandLineOption serviceOption(QStringLiteral("service"));
    const QCommandLineOption joinOption(QStringLiteral("join-within"), QString(),
                                        QStringLiteral("KM"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"));
    const QCommandLineOption gridOption(QStringLiteral("grid"));
    const QCommandLineOption roadGraphOption(QStringLiteral("road-graph"));
    const QCommandLineOption noRoadGraphOption(QStringLiteral("no-road-graph"));
    parser.addOptions({perCity, separateOption, placesOption, serviceOption, joinOption,
                       quietOption, gridOption, roadGraphOption, noRoadGraphOption});
    if (const int done = commandline::parse(parser, arguments, QStringLiteral("gpsnet"), kHelp);
        done >= 0)
        return done;
    Request request{parser, parser.positionalArguments(), -1, {}};
    if (parser.isSet(perCity)) {
        bool ok = false;
        request.roadsPerCity = parser.value(perCity).toDouble(&ok);
        if (!ok || !(request.roadsPerCity > 0) || !(request.roadsPerCity <= kMostRoadsPerCity))
            return usage(QStringLiteral("--roads-per-city needs a number above 0 and at most %1")
                             .arg(kMostRoadsPerCity));
    }
    request.separate = parser.value(separateOption).split(u',', Qt::SkipEmptyParts);
    const QStringList &args = request.args;
    for (const Command &command : kCommands)
        if (args.size() == command.arguments && args[0] == QLatin1String(command.name))
            return command.run(request);
    return usage(args.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("unknown command or wrong number of arguments: %1")
                                      .arg(args.join(u' ')));
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Large arrays straight from the system and back to it: glibc otherwise raises that bound
    // as they are freed, and keeps what was freed for later ones (a million-node extract peaked
    // at 216 MiB instead of 139).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // One heap for every thread: what the extract's reader threads free is what the stages after
    // them take (with a heap of their own, it stayed theirs: 196 MiB at the peak instead of 189).
    mallopt(M_ARENA_MAX, 1);
#endif
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments());
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("not enough memory for this network"));
    }
}
