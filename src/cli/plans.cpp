// gpsroute's commands for many answers at once: queries from standard input, the best order of
// stops, what can be reached in a time, and times between chosen cities.

#include "citynames.h"
#include "commandline.h"
#include "commands.h"
#include "drive.h"
#include "infinity.h"
#include "routeexport.h"
#include "routefinder.h"
#include "routeshape.h"
#include "routetable.h"
#include "searches.h"
#include "trip.h"
#include "workers.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

int cores()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

bool written(QTextStream &out)
{
    return commandline::outputWritten(QStringLiteral("gpsroute"), &out);
}

} // namespace

PlannedRoute tsvRoute(const Job &job, RouteFinder &finder, const std::vector<QString> &names)
{
    // (Without shapes there is no km column, and no line of the route to make.)
    return planRoute(job.net, finder, names, !job.net.shapes().isEmpty());
}

void writeRoute(const Job &job, const PlannedRoute &route)
{
    writeRouteTsv(job.out, job.net.cities(), route.path, route.legs, job.scale(), &route.shape);
}

QByteArray routeText(const Job &job, RouteFinder &finder, const std::vector<QString> &names,
                     const QString &gpxDescription)
{
    const PlannedRoute planned = planRoute(job.net, finder, names);
    const std::vector<int> &route = planned.path;
    const std::vector<double> &legs = planned.legs;
    const std::vector<City> &cities = job.net.cities();
    const QString &credit = job.credit;
    const RouteShape &shape = planned.shape;
    if (job.format == QLatin1String("gpx"))
        return routeGpx(cities, route, legs, job.scale(), job.unit(), gpxDescription, credit,
                        &shape);
    if (job.format == QLatin1String("json"))
        return routeJson(cities, route, legs, job.scale(), job.unit(), credit, &shape);
    if (job.format == QLatin1String("geojson"))
        return routeGeoJson(cities, route, legs, job.scale(), job.unit(), shape, credit);
    return routeTsv(cities, route, legs, job.scale(), &shape).toUtf8();
}

int usage(const QString &problem)
{
    return commandline::usageError(QStringLiteral("gpsroute"), problem);
}

void reportUnknown(const Job &job, const QStringList &unknown, const QString &where)
{
    // A name of a page or more is said by its start.
    // (Escaped as well: a name may hold what a terminal would act on.)
    const auto shown = [](const QString &name) {
        return name.size() <= 200 ? messageName(name)
                                  : messageName(name.left(200)) +
                                        QStringLiteral("... (%1 characters)").arg(name.size());
    };
    QStringList names;
    for (const QString &name : unknown)
        names << shown(name);
    QTextStream err(stderr);
    err << "gpsroute: " << where << "no city named " << '"' << names.join(QStringLiteral("\", \""))
        << '"' << " in " << QDir::toNativeSeparators(job.dir.filePath("villes.csv")) << Qt::endl;
    // The closest names, as the window offers them, for the first few.
    if (!job.suggester)
        job.suggester = std::make_shared<const NameSuggester>(job.net.cities());
    for (const QString &name : unknown.mid(0, 5)) {
        const QStringList close = job.suggester->closest(name);
        if (!close.isEmpty())
            err << "gpsroute: " << where << '"' << shown(name) << "\": did you mean "
                << messageName(close.join(QStringLiteral(", "))) << "?" << Qt::endl;
    }
}

QStringList unknownNames(const Network &net, const QStringList &names)
{
    QStringList unknown; // each once, in the order given
    QSet<QString> said;
    for (const QString &name : names)
        if (net.positionsOf(name).empty() && !said.contains(name)) {
            said.insert(name);
            unknown << name;
        }
    return unknown;
}

std::vector<int> positionsOf(const Job &job, const QStringList &names, bool *unknownFound)
{
    const QStringList unknown = unknownNames(job.net, names);
    *unknownFound = !unknown.isEmpty();
    if (*unknownFound) {
        reportUnknown(job, unknown);
        return {};
    }
    std::vector<int> at;
    for (const QString &name : names)
        at.push_back(job.net.lastIndexOf(name));
    return at;
}

QStringList splitNameList(const QStringList &values)
{
    QStringList names;
    for (const QString &value : values) {
        QString name;
        for (qsizetype i = 0; i < value.size(); ++i) {
            const QChar c = value[i];
            if (c == u'\\' && i + 1 < value.size() &&
                (value[i + 1] == u',' || value[i + 1] == u'\\')) {
                name += value[++i];
            } else if (c == u',') {
                names << name;
                name.clear();
            } else {
                name += c;
            }
        }
        names << name;
    }
    return names;
}

QString unescapedName(QStringView written)
{
    if (written == u"\\Total")
        return QStringLiteral("Total");
    QString name;
    name.reserve(written.size());
    for (qsizetype i = 0; i < written.size(); ++i) {
        const QChar c = written[i];
        const QChar next = i + 1 < written.size() ? written[i + 1] : QChar();
        if (c == u'\\' && (next == u't' || next == u'n' || next == u'r' || next == u'\\')) {
            name += next == u't' ? u'\t' : next == u'n' ? u'\n' : next == u'r' ? u'\r' : u'\\';
            ++i;
        } else {
            name += c;
        }
    }
    return name;
}

bool readLines(QIODevice &input, qsizetype longest,
               const std::function<bool(int, const QByteArray &, bool)> &line, QString *error,
               const std::function<bool()> &blockRead)
{
    QByteArray current;
    bool tooLong = false;
    bool afterCr = false; // an LF right after a CR ends no other line
    int number = 0;
    char block[65536];
    const auto end = [&] {
        const bool more = line(++number, tooLong ? QByteArray() : current, tooLong);
        current.clear();
        tooLong = false;
        return more;
    };
    for (;;) {
        const qint64 got = input.read(block, sizeof block);
        if (got < 0) {
            *error = input.errorString();
            return false;
        }
        if (got == 0)
            break;
        for (qint64 i = 0; i < got; ++i) {
            const char c = block[i];
            if (c == '\n' && afterCr) {
                afterCr = false;
                continue;
            }
            afterCr = c == '\r';
            if (c == '\n' || c == '\r') {
                if (!end()) {
                    if (blockRead)
                        blockRead();
                    return true;
                }
            } else if (!tooLong) {
                current += c;
                if (current.size() > longest) {
                    tooLong = true;
                    current = QByteArray(); // its memory goes
                }
            }
        }
        if (blockRead && !blockRead())
            return true;
    }
    if (!current.isEmpty() || tooLong)
        end();
    if (blockRead)
        blockRead();
    return true;
}

int runBatch(const Job &job)
{
    // Each answer is what `route` prints for that query, then an empty line; a query that
    // cannot be answered gets the empty line alone and its reason on standard error.
    // The queries of what has been read so far are answered together, on every core where the
    // network's hierarchy keeps each search small (without it, each thread's kept searches
    // would take memory the size of the network many times), then written in their order: a
    // program that writes one query and waits for its answer gets it at once.
    const int threads = job.net.hierarchy() ? cores() : 1;
    std::vector<std::unique_ptr<RouteFinder>> finders;
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        QTextStream(stderr) << "gpsroute: cannot read standard input: " << in.errorString()
                            << Qt::endl;
        return DataUnreadable;
    }
    int status = Ok;
    QString problem;
    std::vector<std::vector<QString>> queries;
    // The tab-separated answers are written as they are made, from their routes; the other
    // formats' as text.
    const bool tsv = job.format == QLatin1String("tsv") || job.format.isEmpty();
    std::vector<QByteArray> answers;
    std::vector<PlannedRoute> routes;
    std::vector<std::function<void()>> written; // each line's output, in order
    const auto answerAll = [&] {
        answers.assign(tsv ? 0 : queries.size(), QByteArray());
        routes.assign(tsv ? queries.size() : 0, {});
        const int count = int(std::min<std::size_t>(std::size_t(threads), queries.size()));
        while (int(finders.size()) < count)
            finders.push_back(std::make_unique<RouteFinder>(job.net, 64));
        std::atomic<int> finderTaken{0};
        if (count > 0)
            shareOut(
                queries.size(), count, [&] { return finders[std::size_t(finderTaken++)].get(); },
                [&](RouteFinder *finder, std::size_t q) {
                    if (tsv)
                        routes[q] = tsvRoute(job, *finder, queries[q]);
                    else
                        answers[q] = routeText(job, *finder, queries[q]);
                });
        for (const auto &write : written)
            write();
        queries.clear();
        written.clear();
        job.out.flush();
        return job.out.status() == QTextStream::Ok;
    };
    // No city's name is a megabyte long: a longer line is not kept, nor looked for.
    constexpr qsizetype kLongest = 1 << 20;
    const bool read = readLines(
        in, kLongest,
        [&](int number, const QByteArray &bytes, bool tooLong) {
            const QString where = QStringLiteral("line %1: ").arg(number);
            QStringList names;
            for (const QString &text : QString::fromUtf8(bytes).split(u'\t'))
                names << unescapedName(text);
            std::function<void()> reason;
            if (tooLong) {
                reason = [where] {
                    QTextStream(stderr) << "gpsroute: " << where << "longer than " << kLongest
                                        << " bytes: no city's name is" << Qt::endl;
                };
                status = UnknownCity;
            } else if (names.size() < 2) {
                reason = [where] {
                    QTextStream(stderr)
                        << "gpsroute: " << where
                        << "a route needs two city names or more, separated by tabs" << Qt::endl;
                };
                status = UnknownCity;
            } else if (const QStringList unknown = unknownNames(job.net, names);
                       !unknown.isEmpty()) {
                reason = [&job, unknown, where] { reportUnknown(job, unknown, where); };
                status = UnknownCity;
            } else {
                const std::size_t q = queries.size();
                queries.emplace_back(names.begin(), names.end());
                reason = [&job, &answers, &routes, &queries, q, tsv] {
                    if (!tsv) {
                        job.out << QString::fromUtf8(answers[q]);
                        return;
                    }
                    writeRoute(job, routes[q]);
                    routes[q] = PlannedRoute(); // written: given back at once
                };
            }
            written.push_back([&job, reason] {
                reason();
                job.out << '\n';
            });
            return written.size() < 4096 || answerAll();
        },
        &problem, answerAll);
    if (!read) {
        job.out.flush();
        QTextStream(stderr) << "gpsroute: cannot read standard input: " << problem << Qt::endl;
        return DataUnreadable;
    }
    return ::written(job.out) ? status : DataUnreadable;
}

int runTrip(const Job &job, const QStringList &given, bool round, const QString &end)
{
    QStringList names = given;
    if (!end.isNull())
        names << end;
    if (names.size() < 2)
        return usage(QStringLiteral("trip needs a start and at least one stop"));
    if (names.size() > kMostTripStops)
        return usage(QStringLiteral("a trip takes at most %1 stops, not %2")
                         .arg(kMostTripStops)
                         .arg(names.size()));
    QSet<QString> seen;
    for (const QString &name : names) {
        if (seen.contains(name))
            return usage(QStringLiteral("\"%1\" is given twice").arg(name));
        seen.insert(name);
    }
    bool unknown = false;
    const std::vector<int> stops = positionsOf(job, names, &unknown);
    if (unknown)
        return UnknownCity;

    const TripEnds ends = round           ? TripEnds::Round
                          : !end.isNull() ? TripEnds::KeepFirstAndLast
                                          : TripEnds::KeepFirst;
    const std::vector<std::vector<double>> times = timesBetween(job.net, stops, stops, cores());
    const TripOrder trip = bestTripOrder(times, ends);

    // A stop no road reaches from the start is still visited, on a leg that reads inf.
    QStringList cut;
    for (std::size_t i = 1; i < stops.size(); ++i)
        if (!(times[0][i] < kInf))
            cut << names[qsizetype(i)];
    if (!cut.isEmpty())
        QTextStream(stderr) << "gpsroute: no road leads from \"" << messageName(names[0])
                            << "\" to \"" << messageName(cut.join(QStringLiteral("\", \"")))
                            << "\": the trip reaches " << (cut.size() == 1 ? "it" : "them")
                            << " on a leg that reads inf" << Qt::endl;

    const double saves = trip.saves; // on the order given
    // Where the given order has more legs without a road, the time saved is no number: how
    // many fewer is.
    const QString fewer = QStringLiteral("%1 leg%2 fewer without a road")
                              .arg(trip.fewerMissingLegs)
                              .arg(trip.fewerMissingLegs == 1 ? "" : "s");
    const QString savesText = trip.fewerMissingLegs > 0 ? fewer : formatNumber(saves * job.scale());

    QStringList ordered;
    for (int i : trip.order)
        ordered << names[i];
    std::vector<QString> visit(ordered.begin(), ordered.end());
    if (round)
        visit.push_back(names[0]);
    RouteFinder finder(job.net);
    const QString best = trip.proven ? QStringLiteral("proven") : QStringLiteral("not proven");
    if (job.format == QLatin1String("json")) {
        QJsonObject all{{QStringLiteral("order"), QJsonArray::fromStringList(ordered)},
                        {QStringLiteral("proven"), trip.proven},
                        {QStringLiteral("saves"), jsonNumber(saves * job.scale())},
                        {QStringLiteral("fewerLegsWithoutRoad"), trip.fewerMissingLegs},
                        {QStringLiteral("route"),
                         QJsonDocument::fromJson(routeText(job, finder, visit)).object()}};
        job.out << QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented));
    } else if (job.format == QLatin1String("gpx")) {
        const QString description =
            QStringLiteral("Order: %1 (%2 best); saves %3")
                .arg(ordered.join(QStringLiteral(", ")), best,
                     trip.fewerMissingLegs > 0 ? fewer : savesText + u' ' + job.unit());
        job.out << QString::fromUtf8(routeText(job, finder, visit, description));
    } else {
        QStringList line{QStringLiteral("Order")};
        for (const QString &name : ordered)
            line << tsvName(name);
        job.out << line.join(u'\t') << '\n'
                << "Best\t" << best << '\n'
                << "Saves\t" << savesText << '\n'
                << QString::fromUtf8(routeText(job, finder, visit));
    }
    return written(job.out) ? Ok : DataUnreadable;
}

int runReach(const Job &job, const QString &name, const QString &minutesText)
{
    bool number = false;
    const double limit = minutesText.toDouble(&number);
    if (!number || !std::isfinite(limit) || limit < 0)
        return usage(QStringLiteral("reach needs a time in minutes, 0 or more, not \"%1\"")
                         .arg(minutesText));
    bool unknown = false;
    const std::vector<int> from = positionsOf(job, {name}, &unknown);
    if (unknown)
        return UnknownCity;
    const std::vector<Reached> reached = reachFrom(job.net, from.front(), limit);
    const std::vector<City> &cities = job.net.cities();
    if (job.format == QLatin1String("json"))
        job.out << QString::fromUtf8(
            reachJson(cities, reached, limit, job.scale(), job.unit(), job.credit));
    else if (job.format == QLatin1String("geojson"))
        job.out << QString::fromUtf8(
            reachGeoJson(cities, reached, job.scale(), job.unit(), job.credit));
    else
        job.out << reachTsv(cities, reached, job.scale());
    return written(job.out) ? Ok : DataUnreadable;
}

int runTable(const Job &job, const QStringList &fromNames, const QStringList &toNames)
{
    bool unknown = false;
    const std::vector<int> from = positionsOf(job, fromNames, &unknown);
    if (unknown)
        return UnknownCity;
    const std::vector<int> to = positionsOf(job, toNames, &unknown);
    if (unknown)
        return UnknownCity;
    const auto cell = [](const QString &name) { return csvField(sheetCell(name)); };
    for (const QString &name : toNames)
        job.out << ',' << cell(name);
    job.out << '\n';
    // A block of sources at a time: memory stays a few rows whatever the table's size.
    const std::size_t block = std::size_t(std::max(64, 16 * cores()));
    for (std::size_t first = 0; first < from.size(); first += block) {
        const std::vector<int> sources(from.begin() + qsizetype(first),
                                       from.begin() +
                                           qsizetype(std::min(from.size(), first + block)));
        const auto rows = timesBetween(job.net, sources, to, cores());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            job.out << cell(fromNames[qsizetype(first + r)]);
            for (double t : rows[r])
                job.out << ',' << formatNumber(t * job.scale());
            job.out << '\n';
        }
        if (job.out.status() != QTextStream::Ok)
            break;
    }
    // Where the network's data comes from, on a line of its own after the table.
    if (!job.credit.isEmpty())
        job.out << cell(job.credit) << '\n';
    return written(job.out) ? Ok : DataUnreadable;
}
