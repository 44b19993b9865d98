// gpsroute: routes and travel-time tables of a road network, for scripts.

#include "citynames.h"
#include "commandline.h"
#include "commands.h"
#include "datadir.h"
#include "drive.h"
#include "logging.h"
#include "matrix.h"
#include "network.h"
#include "networkcredit.h"
#include "routeexport.h"
#include "routefinder.h"
#include "routetable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <new>
#include <thread>

namespace {

static_assert(Usage == commandline::kUsage);

const char *const kHelp = R"(Usage:
  gpsroute [--data DIR] [--hours] [--format tsv|gpx|json|geojson]
           route NAME NAME [NAME...]
  gpsroute [--data DIR] [--hours] [--format tsv|gpx|json|geojson] route -
  gpsroute [--data DIR] [--hours] [--format tsv|gpx|json]
           trip [--round | --end NAME] NAME NAME [NAME...]
  gpsroute [--data DIR] [--hours] [--format tsv|json|geojson] reach NAME MINUTES
  gpsroute [--data DIR] [--hours] table --from NAME[,NAME...] --to NAME[,NAME...]
  gpsroute [--data DIR] [--hours] matrix
  gpsroute --help | --version

Reads the network from DIR/villes.csv and DIR/temps.csv (by default the data
folder beside this program, or the installed share/gps/data).

route   The fastest route that visits the named cities in order. Prints one line
        per city of the route: its name, a TAB, and the minutes of the leg that
        reaches it (0 for the first city); then "Total", a TAB and the sum. In
        names, a backslash, TAB and line ends are written \\, \t, \n and \r,
        and a city named Total is written \Total.
        --hours prints hours instead of minutes. A leg between two cities that
        no roads join reads "inf" (no road leads from one to the other), and so
        does the total then. Names are exact and case-sensitive; quote names
        that hold spaces for the shell. --format gpx writes the route as GPX 1.1
        (a <rte> of <rtept lat lon> with each city's name, the leg and the time
        since the start in <desc>), for GPS devices and map programs;
        --format json as JSON ({"unit", "total", "cities": [{"name", "lat",
        "lon", "leg"}]}, null where no road leads); --format geojson as a
        GeoJSON FeatureCollection: the route's line, then a Point per city.
        Where DIR has shapes.csv (the roads' shapes and lengths), tsv adds the
        km of each leg and of the total as a third column, json "km" and
        "totalKm", gpx a <trk> along the roads, and the line follows them.
        Where DIR has roadgraph.bin (written by gpsnet osm), every command
        drives on the roads themselves, one-way streets included (A to B and B
        to A may differ); a route lists the places it passes, and json gives
        each city's "osmNode", the OpenStreetMap node it stands on.
route - Many routes with one loading of the network: one query a line on
        standard input (lines end with LF, CR LF or CR), the names of its
        cities separated by TABs and written as route writes them (\t, \n, \r
        and \\ for a TAB, line ends and a backslash, \Total for Total). Each
        answer is what route prints for that query, then an empty line; a query
        that names an unknown city, or fewer than two, or is longer than a
        megabyte, gets the empty line alone and its reason on standard error
        ("line N: ...").
trip    The order of visiting the named cities that takes the least time, from
        the first name: a start, then the stops in any order. --end NAME ends
        the trip at NAME, --round comes back to the start. Prints "Order" and
        the cities in the best order, "Best" and "proven" (no order is faster:
        up to 16 stops to place) or "not proven" (more stops: a careful search,
        the same answer every time), "Saves" and the time saved on the order
        given (or, where that order has more legs that no road makes, "N legs
        fewer without a road"), all TAB-separated; then the route through them
        as route prints it. --format json: {"order", "proven", "saves",
        "fewerLegsWithoutRoad", "route": {...}}; --format gpx: the route, the
        order in its <desc>. Up to 1000 cities, each named once. A city no road reaches is still visited, on a leg that
        reads inf, and said on standard error.
reach   The cities that can be reached from NAME in at most MINUTES minutes,
        nearest first: a line each, the name, a TAB and the time (NAME itself
        first, at 0). --format json: {"unit", "from", "limit", "cities":
        [{"name", "lat", "lon", "time"}]}; --format geojson: a FeatureCollection
        of Points whose properties are the name, the time and the unit, for map
        programs. Both say where the data comes from in "credit", where the
        folder's credits.txt gives it.
table   The shortest travel times from each --from city (a line each) to each
        --to city (a column each), as CSV in the form of matrix (no --format). The options
        take names separated by commas and can be repeated; in a name, "\,"
        is a comma and "\\" a backslash.
matrix  The shortest travel times in minutes (--hours: hours) between all
        cities, as CSV: a header line (an empty cell, then the city names in
        list order), then one line per city, its name and its row; "inf" where
        no road leads from one to the other. Names holding a comma or a quote
        are quoted as RFC 4180 says. Where the folder's credits.txt says where
        the data comes from, table and matrix end with a line holding it.

Names that start with =, +, -, @, a TAB or a carriage return get a leading '
in the route and the matrix, so that a spreadsheet takes them as text, not as
formulas.

Lines of the data files that cannot serve are reported on standard error and
left out; the rest is used.

Names that start with "-" come after "--" (gpsroute route -- -Town Paris).

Exit status: 0 on success; 1 when the folder or a data file cannot be read (or,
for matrix, holds no city), or when the output cannot be written (a full disk, a
closed output); 2 when a name matches no city (nothing is printed on standard
output then; with route -, when a query could not be answered); 64 on a usage
error (for trip also: a city named twice, more than 1000, --end twice; for
reach: a time that is not a number of minutes, 0 or more). With route -, 1
also when standard input cannot be read.
)";

// Up to this many cities `matrix` builds the all-pairs table at once (32 MB); above, rows.
constexpr int kDenseLimit = 2000;

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return; // the loaders' own trace; problems come as warnings
    QTextStream(stderr) << "gpsroute: " << text << Qt::endl;
}

// What the options say, once read, for the commands' checks and work.
struct Given
{
    bool round = false;
    bool endSet = false;
    QString end;
    QStringList from, to; // as given, commas and all
};

// gpsroute's commands: what each asks of its names before the network is read (an empty text
// when they serve), the formats it writes (none: CSV, and --format is refused), and its work.
struct Command
{
    const char *name;
    QString (*check)(const QStringList &names, const Given &given);
    QStringList formats;
    int (*run)(const Job &job, const QStringList &names, const Given &given);
};

bool isBatch(const QStringList &names)
{
    return names == QStringList{"-"};
}

int runRoute(const Job &job, const QStringList &names, const Given &)
{
    if (isBatch(names))
        return runBatch(job);
    const QStringList unknown = unknownNames(job.net, names);
    if (!unknown.isEmpty()) {
        reportUnknown(job, unknown);
        return UnknownCity;
    }
    RouteFinder finder(job.net);
    const std::vector<QString> stops(names.begin(), names.end());
    if (job.format == QLatin1String("tsv") || job.format.isEmpty())
        writeRoute(job, tsvRoute(job, finder, stops));
    else
        job.out << QString::fromUtf8(routeText(job, finder, stops));
    return commandline::outputWritten(QStringLiteral("gpsroute"), &job.out) ? Ok : DataUnreadable;
}

int runMatrix(const Job &job, const QStringList &, const Given &)
{
    const Network &net = job.net;
    const std::vector<City> &cities = net.cities();
    if (cities.empty()) {
        QTextStream(stderr) << "gpsroute: no city in "
                            << QDir::toNativeSeparators(job.dir.filePath("villes.csv")) << Qt::endl;
        return DataUnreadable;
    }
    QTextStream &out = job.out;
    const double scale = job.scale();
    const auto cell = [](const City &c) { return csvField(sheetCell(c.getName())); };
    for (const City &c : cities)
        out << ',' << cell(c);
    out << '\n';
    auto writeRow = [&](int i, const std::vector<double> &times) {
        out << cell(cities[i]);
        for (double t : times)
            out << ',' << formatNumber(t * scale);
        out << '\n';
        return out.status() == QTextStream::Ok;
    };
    const int n = net.size();
    if (n <= kDenseLimit && !net.roadNodes()) {
        // Small enough for the all-pairs table, whose sums are those of earlier versions
        // even for times like 12.3.
        const TimeMatrix times = Matrix::Floyd_Warshall_Only(net.directMatrix());
        for (int i = 0; i < n; ++i)
            writeRow(i, times[i]);
    } else {
        // Row by row, one search each, on every core: memory stays a few rows.
        const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
        net.forEachRow(0, n, threads, writeRow);
    }
    // Where the network's data comes from, on a line of its own after the table.
    if (!job.credit.isEmpty())
        out << csvField(sheetCell(job.credit)) << '\n';
    return commandline::outputWritten(QStringLiteral("gpsroute"), &out) ? Ok : DataUnreadable;
}

const Command kCommands[] = {
    {"route",
     [](const QStringList &names, const Given &) {
         return names.size() < 2 && !isBatch(names)
                    ? QStringLiteral("route needs at least two city names, or - to read "
                                     "queries from standard input")
                    : QString();
     },
     {"tsv", "gpx", "json", "geojson"},
     runRoute},
    {"matrix",
     [](const QStringList &names, const Given &) {
         return names.isEmpty() ? QString() : QStringLiteral("matrix takes no names");
     },
     {},
     runMatrix},
    {"trip",
     [](const QStringList &, const Given &given) {
         return given.round && given.endSet
                    ? QStringLiteral("trip takes --round or --end, not both")
                    : QString();
     },
     {"tsv", "gpx", "json"},
     [](const Job &job, const QStringList &names, const Given &given) {
         return runTrip(job, names, given.round, given.endSet ? given.end : QString());
     }},
    {"reach",
     [](const QStringList &names, const Given &) {
         return names.size() != 2 ? QStringLiteral("reach needs a city name and a time in minutes")
                                  : QString();
     },
     {"tsv", "json", "geojson"},
     [](const Job &job, const QStringList &names, const Given &) {
         return runReach(job, names[0], names[1]);
     }},
    {"table",
     [](const QStringList &names, const Given &given) {
         return !names.isEmpty() ? QStringLiteral("table takes its names in --from and --to")
                : given.from.isEmpty() || given.to.isEmpty()
                    ? QStringLiteral("table needs --from and --to")
                    : QString();
     },
     {},
     [](const Job &job, const QStringList &, const Given &given) {
         return runTable(job, splitNameList(given.from), splitNameList(given.to));
     }},
};

// The first argument before "--" that is a negative number: no option, said for what it is
// ("reach Paris -5" would otherwise read as an unknown option "5"). After "--" it is a name.
QString negativeNumber(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        bool number = false;
        if (argument.startsWith(u'-') && (argument.toDouble(&number), number))
            return argument;
    }
    return {};
}

// The network of `dataDir`, through the cache the programs share; false, with what went wrong
// said, where its folder or a file cannot be read.
bool load(const QString &dataDir, Network *net, QString *notKept)
{
    Network::Cache cache{Network::defaultCacheFolder()};
    cache.notKept = notKept;
    const Network::Load loaded = net->load(dataDir, nullptr, cache);
    if (!notKept->isEmpty()) // (once: nothing was built for it, and the answers are the same)
        QTextStream(stderr) << "gpsroute: the network is read from its files at each run: "
                            << *notKept << Qt::endl;
    switch (loaded) {
    case Network::Load::NoFolder:
        QTextStream(stderr) << "gpsroute: "
                            << QDir::toNativeSeparators(QFileInfo(dataDir).absoluteFilePath())
                            << (QFileInfo::exists(dataDir) ? ": not a folder" : ": no such folder")
                            << Qt::endl;
        return false;
    case Network::Load::CitiesUnread:
    case Network::Load::RoadsUnread:
        return false; // the loader has said which file and why
    case Network::Load::Ok:
        break;
    }
    return true;
}

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption dataOption(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption hoursOption(QStringLiteral("hours"));
    const QCommandLineOption formatOption(QStringLiteral("format"), QString(),
                                          QStringLiteral("FORMAT"), QStringLiteral("tsv"));
    const QCommandLineOption roundOption(QStringLiteral("round"));
    const QCommandLineOption endOption(QStringLiteral("end"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("NAMES"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("NAMES"));
    parser.addOptions(
        {dataOption, hoursOption, formatOption, roundOption, endOption, fromOption, toOption});
    if (const QString number = negativeNumber(arguments); !number.isEmpty())
        return usage(QStringLiteral("%1 is a negative number: times are 0 or more (a name "
                                    "that starts with - comes after --)")
                         .arg(number));
    if (const int done = commandline::parse(parser, arguments, QStringLiteral("gpsroute"), kHelp);
        done >= 0)
        return done;
    if (parser.isSet(dataOption) && parser.value(dataOption).isEmpty())
        return usage(QStringLiteral("--data needs a folder"));
    const QString dataDir = parser.isSet(dataOption) ? parser.value(dataOption) : defaultDataDir();
    const QString format = parser.value(formatOption);
    QStringList names = parser.positionalArguments();
    if (names.isEmpty())
        return usage(QStringLiteral("no command given"));
    const QString name = names.takeFirst();
    const auto found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [&](const Command &c) { return name == QLatin1String(c.name); });
    if (found == std::end(kCommands))
        return usage(QStringLiteral("unknown command %1").arg(name));
    const Command &command = *found;
    Given given;
    given.round = parser.isSet(roundOption);
    given.endSet = parser.isSet(endOption);
    given.end = parser.value(endOption);
    if (parser.isSet(fromOption))
        given.from = parser.values(fromOption);
    if (parser.isSet(toOption))
        given.to = parser.values(toOption);
    if (const QString problem = command.check(names, given); !problem.isEmpty())
        return usage(problem);
    // Each option belongs to its command.
    struct Owned
    {
        const QCommandLineOption *option;
        const char *owner;
    };
    for (const Owned &o : {Owned{&roundOption, "trip"}, Owned{&endOption, "trip"},
                           Owned{&fromOption, "table"}, Owned{&toOption, "table"}})
        if (parser.isSet(*o.option) && name != QLatin1String(o.owner))
            return usage(QStringLiteral("--%1 is for %2 only")
                             .arg(o.option->names().constFirst(), QLatin1String(o.owner)));
    // What would be silently left aside is said.
    const QStringList &formats = command.formats;
    if (parser.isSet(formatOption) && formats.isEmpty())
        return usage(
            QStringLiteral("%1 writes CSV: --format is for route, trip and reach").arg(name));
    if (parser.values(endOption).size() > 1)
        return usage(QStringLiteral("--end is given once"));
    if (!formats.isEmpty() && !formats.contains(format))
        return usage(QStringLiteral("--format is %1 or %2, not %3")
                         .arg(formats.mid(0, formats.size() - 1).join(QStringLiteral(", ")),
                              formats.last(), format));
    if (given.endSet && given.end.isEmpty())
        return usage(QStringLiteral("--end needs a city name"));

    Network net;
    QString notKept;
    if (!load(dataDir, &net, &notKept))
        return DataUnreadable;
    // Where no image keeps a hierarchy, one is built for this run alone when the queries gain
    // from it (many routes, a table, a trip's table of stops), never for one route, which one
    // plain search answers sooner than the build.
    const Network::Cache sizes;
    if (!notKept.isEmpty() && !net.hierarchy() && sizes.wantsHierarchy(net.nodeCount()) &&
        ((name == QLatin1String("route") && isBatch(names)) || name == QLatin1String("table") ||
         name == QLatin1String("trip"))) {
        net.buildHierarchy();
        qCDebug(lcModel) << "hierarchy built for this run:" << bool(net.hierarchy());
    }
    QTextStream out(stdout);
    const Job job{net,    QDir(dataDir), parser.isSet(hoursOption),
                  format, out,           readNetworkCredit(dataDir).line};
    return command.run(job, names, given);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietDebug);
    try {
        return run(app.arguments());
    } catch (const std::bad_alloc &) {
        // What was printed stands; nothing is half-written after this line.
        QTextStream(stderr) << "gpsroute: not enough memory for this network" << Qt::endl;
        return DataUnreadable;
    }
}
