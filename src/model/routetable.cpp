#include "routetable.h"

#include <limits>

QString formatNumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString formatTime(double minutes, const QString &unit)
{
    return formatNumber(unit == QLatin1String("h") ? minutes / 60 : minutes) + unit;
}

namespace {

// "inf minutes" would read as a (long) time: say what it means.
QString legText(double minutes, const QString &unit)
{
    return minutes == std::numeric_limits<double>::infinity() ? QStringLiteral("no road")
                                                              : formatTime(minutes, unit);
}

} // namespace

namespace {

// The rows both tables are made of: the names, the legs known (one fewer than the names when
// complete), and their sum.
struct RouteRows
{
    QStringList names;
    std::vector<double> legs;
    double total = 0;
};

RouteRows routeRows(const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes)
{
    RouteRows rows;
    for (const int at : path)
        rows.names << (at >= 0 && std::size_t(at) < cities.size() ? cities[at].getName()
                                                                  : QString());
    for (std::size_t i = 0; i < legTimes.size() && i + 1 < path.size(); ++i) {
        rows.legs.push_back(legTimes[i]);
        rows.total += legTimes[i];
    }
    return rows;
}

} // namespace

RouteTableTexts routeTableTexts(const std::vector<City> &cities, const std::vector<int> &path,
                                const std::vector<double> &legTimes, const QString &unit)
{
    const RouteRows rows = routeRows(cities, path, legTimes);
    const double total = rows.total;
    RouteTableTexts t;
    t.headers = rows.names;
    t.headers << QStringLiteral("Total");
    t.rowHeader = QStringLiteral("Time(%1)").arg(unit);
    // The first city is where the route starts: a bare 0, no unit.
    t.cells << QString::number(0);
    for (const double leg : rows.legs)
        t.cells << legText(leg, unit);
    while (t.cells.size() < t.headers.size() - 1)
        t.cells << QString(); // a route with missing leg times leaves its cells empty
    const QString totalText = legText(total, unit);
    if (t.cells.size() == t.headers.size())
        t.cells.last() = totalText; // no city: the total takes the first cell
    else
        t.cells << totalText;
    return t;
}

QString routeTsv(const std::vector<City> &cities, const std::vector<int> &path,
                 const std::vector<double> &legTimes, double scale)
{
    const RouteRows rows = routeRows(cities, path, legTimes);
    QString out;
    for (qsizetype i = 0; i < rows.names.size(); ++i)
        out +=
            rows.names[i] + u'\t' +
            (i == 0 || std::size_t(i) > rows.legs.size() ? QStringLiteral("0")
                                                         : formatNumber(rows.legs[i - 1] * scale)) +
            u'\n';
    return out + QStringLiteral("Total\t") + formatNumber(rows.total * scale) + u'\n';
}
