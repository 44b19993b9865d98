#pragma once

#include "citynames.h"
#include "network.h"

#include <QDir>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <vector>

// What gpsroute's commands share once the network is loaded.

enum Exit
{
    Ok = 0,
    DataUnreadable = 1,
    UnknownCity = 2,
    Usage = 64, // commandline::kUsage
};

struct Job
{
    const Network &net;
    QDir dir;       // the data folder, for messages
    bool hours;     // times in hours rather than minutes
    QString format; // tsv, gpx, json or geojson
    QTextStream &out;
    QString credit; // the network's, for the exports' metadata
    // The names' index for "did you mean", made when first asked.
    mutable std::shared_ptr<const NameSuggester> suggester = {};

    double scale() const { return hours ? 1.0 / 60.0 : 1.0; }
    QString unit() const { return hours ? QStringLiteral("h") : QStringLiteral("min"); }
};

// "gpsroute: PROBLEM" and the usual hint; returns Usage.
int usage(const QString &problem);
// Says which names match no city (with the closest names for the first few) on standard
// error, prefixed by `where` ("line 3: ") when given.
void reportUnknown(const Job &job, const QStringList &unknown, const QString &where = {});
// The positions of `names` (each the last city of its name), or unknown names reported and
// an empty list; `unknownFound` set when some name was unknown.
// The names no city bears, each once, in the order given.
QStringList unknownNames(const Network &net, const QStringList &names);
std::vector<int> positionsOf(const Job &job, const QStringList &names, bool *unknownFound);

// The route through `names` in the job's format, as `route` prints it (with the network's
// road lengths and shapes where it has them).
class RouteFinder;
QByteArray routeText(const Job &job, RouteFinder &finder, const std::vector<QString> &names,
                     const QString &gpxDescription = {});
// The route found through `names` on job.out, as `route` prints it: in the tab-separated format
// line by line as it is made (through thousands of stops it can be millions of lines), whole in
// the others.
struct PlannedRoute;
PlannedRoute tsvRoute(const Job &job, RouteFinder &finder, const std::vector<QString> &names);
void writeRoute(const Job &job, const PlannedRoute &route);

// The commands beyond one route and the whole matrix. Each returns the exit status.
int runBatch(const Job &job);
int runTrip(const Job &job, const QStringList &names, bool round, const QString &end);
int runReach(const Job &job, const QString &name, const QString &minutes);
int runTable(const Job &job, const QStringList &from, const QStringList &to);
// Names given as "A,B,C": commas separate, "\," is a comma within a name and "\\" a backslash.
QStringList splitNameList(const QStringList &values);
// A name of a query of route -, written as route writes names: "\t", "\n", "\r" and "\\"
// stand for a TAB, a line feed, a carriage return and a backslash, and "\Total" for Total; a
// backslash before anything else is itself.
QString unescapedName(QStringView written);
// The lines of `input`, each ended by LF, CR LF or CR (or the end), given to `line` with their
// number; a line longer than `longest` bytes is given empty with `tooLong` set, and not kept.
// False when `input` could not be read (its error in `error`). `blockRead`, when given, is
// called once the lines of each read are given (what has come so far), and at the end; it
// returns false to stop.
bool readLines(QIODevice &input, qsizetype longest,
               const std::function<bool(int number, const QByteArray &line, bool tooLong)> &line,
               QString *error, const std::function<bool()> &blockRead = {});
