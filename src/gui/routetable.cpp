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

RouteTableTexts routeTableTexts(const std::vector<City> &cities, const std::vector<int> &path,
                                const std::vector<double> &legTimes, const QString &unit)
{
    RouteTableTexts t;
    for (const int at : path)
        t.headers << (at >= 0 && std::size_t(at) < cities.size() ? cities[at].getName()
                                                                 : QString());
    t.headers << QStringLiteral("Total");
    t.rowHeader = QStringLiteral("Time(%1)").arg(unit);
    // The first city is where the route starts: a bare 0, no unit.
    t.cells << QString::number(0);
    double total = 0;
    for (std::size_t i = 0; i < legTimes.size() && i + 1 < path.size(); ++i) {
        t.cells << legText(legTimes[i], unit);
        total += legTimes[i];
    }
    while (t.cells.size() < t.headers.size() - 1)
        t.cells << QString(); // a route with missing leg times leaves its cells empty
    const QString totalText = legText(total, unit);
    if (t.cells.size() == t.headers.size())
        t.cells.last() = totalText; // no city: the total takes the first cell
    else
        t.cells << totalText;
    return t;
}
