#pragma once

#include "city.h"
#include "searches.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <vector>

class QTextStream;
struct RouteShape;

// The route, and what can be reached from a city, written for other programs: spreadsheets
// (CSV, tab-separated), gpsroute's own table, GPX, JSON and GeoJSON. Times and lengths are
// written as the route table writes them (routetable.h).

// The route for a spreadsheet: a header line ("City", "Leg (UNIT)", "Since start (UNIT)"),
// then a line per city with the time of the leg that reaches it and the time since the start
// as plain numbers (minutes times `scale`: 1 for "min", 1/60 for "h"), then "Total"; "no
// road" where no road leads. With a `shape` whose network knows its roads' lengths, two more
// columns, "Leg (km)" and "Since start (km)" (empty where unknown), and the total's km; a
// `credit`, when given, on a line of its own after the table. A name a spreadsheet would run as a
// formula (one that starts with =, +, -, @, a tab or a carriage return) gets a leading apostrophe.
// As CSV (RFC 4180: quoted where needed, CR LF), for a file; as tab-separated lines, for the
// clipboard (a tab or line end in a name becomes a space).
QByteArray routeCsv(const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, double scale, const QString &unit,
                    const RouteShape *shape = nullptr, const QString &credit = {});
QString routeSheetTsv(const std::vector<City> &cities, const std::vector<int> &path,
                      const std::vector<double> &legTimes, double scale, const QString &unit,
                      const RouteShape *shape = nullptr, const QString &credit = {});

// The same table as gpsroute prints it: "NAME<TAB>LEG" lines, then "Total<TAB>SUM", the times
// multiplied by `scale` (1: minutes; 1/60: hours) and written as formatNumber does ("inf" where
// no road leads). Names are written by tsvName. With a `shape` whose network knows its roads'
// lengths, a third column: the leg's km (0 for the first city, empty where unknown), and the
// total's.
QString routeTsv(const std::vector<City> &cities, const std::vector<int> &path,
                 const std::vector<double> &legTimes, double scale,
                 const RouteShape *shape = nullptr);
// The same, written to `out` line by line as it is made: a route through thousands of stops
// can be millions of lines, and is never held whole.
void writeRouteTsv(QTextStream &out, const std::vector<City> &cities, const std::vector<int> &path,
                   const std::vector<double> &legTimes, double scale,
                   const RouteShape *shape = nullptr);

// A field of a CSV line (RFC 4180): quoted, its quotes doubled, when it holds a comma, a quote
// or a line end.
QString csvField(const QString &text);
// A text as a spreadsheet's cell: one that starts with =, +, -, @, a tab or a carriage return
// (a spreadsheet would run it as a formula) gets a leading apostrophe.
QString sheetCell(const QString &text);
// A city's name on a line of gpsroute's tab-separated route, one reading back to one name: as
// sheetCell makes it, then a backslash, a tab and the line ends written \\, \t, \n and \r;
// a city named "Total" is written \Total, so that only the last line reads "Total".
QString tsvName(const QString &name);
// A name as a message on standard error says it: a backslash, a tab and the line ends as
// tsvName writes them, every other control or format character as \xHH or \uHHHH, so that no
// name typed or read can move a terminal's cursor, retitle it or hide what follows.
QString messageName(const QString &name);

// The same route for other programs, times in minutes (scale 1, unit "min") or hours (1/60,
// "h"), or for GPX in hours and minutes (unit "h:mm"); a leg where no road leads has no time.
// GPX's descriptions are in the program's language (the translator installed). GPX 1.1: one <rte>
// named "FIRST - LAST" with an <rtept lat lon> per city, its <name>, and the leg and running total
// in <desc>. JSON: {"unit", "total", "cities": [{"name", "lat", "lon", "leg"}]}, "leg" and "total"
// null where no road leads. A `description`, when given, is the <rte>'s <desc>. A `credit`
// (where the network's data comes from), when given, is the GPX's <metadata><copyright author>
// and the JSON's "credit". With a `shape` whose network knows its roads: the GPX's <trk>
// along the roads beside the <rte> (a <trkseg> for each run of legs that roads make) and the
// km in each <rtept>'s <desc> where known, and the JSON's "km" per city and "totalKm" (null
// where unknown); on a road graph, the JSON's "osmNode" per city, the OSM id of the road node
// it stands on.
QByteArray routeGpx(const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, double scale, const QString &unit,
                    QString description = {}, QString credit = {},
                    const RouteShape *shape = nullptr);
QByteArray routeJson(const std::vector<City> &cities, const std::vector<int> &path,
                     const std::vector<double> &legTimes, double scale, const QString &unit,
                     const QString &credit = {}, const RouteShape *shape = nullptr);
// The route for map programs, as GeoJSON: a FeatureCollection whose first feature is the
// route's line along the roads (straight between cities whose road has no shape; a
// MultiLineString where legs that no road makes break it; none for a route of one city) with
// its "name", "unit", "total" time and "km", then a Point per city with its "name", "leg" and
// "km"; a "credit" beside, when given.
QByteArray routeGeoJson(const std::vector<City> &cities, const std::vector<int> &path,
                        const std::vector<double> &legTimes, double scale, const QString &unit,
                        const RouteShape &shape, const QString &credit = {});

// A time for JSON and GeoJSON: to 15 significant digits, the most a decimal keeps through a
// double, so that a sum reads as its terms' digits (19.139, not 19.139000000000003); null where
// it is not finite (no road leads there).
QJsonValue jsonNumber(double value);

// What reachFrom found, for gpsroute: as tab-separated lines ("NAME<TAB>TIME", names as tsvName
// writes them); as JSON ({"unit", "from", "limit", "cities": [{"name", "lat", "lon", "time"}]});
// as GeoJSON, a FeatureCollection of Points whose properties are the name, the time and the
// unit, for map programs; a "credit" beside in both, when given. Times in minutes times
// `scale`.
QString reachTsv(const std::vector<City> &cities, const std::vector<Reached> &reached,
                 double scale);
QByteArray reachJson(const std::vector<City> &cities, const std::vector<Reached> &reached,
                     double limit, double scale, const QString &unit, const QString &credit = {});
QByteArray reachGeoJson(const std::vector<City> &cities, const std::vector<Reached> &reached,
                        double scale, const QString &unit, const QString &credit = {});
