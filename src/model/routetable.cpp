#include "routetable.h"

#include "infinity.h"
#include "routerows.h"
#include "routeshape.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

QString formatNumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString formatTime(double minutes, const QString &unit)
{
    if (unit == QLatin1String("h:mm") && std::isfinite(minutes) && minutes >= 0 && minutes < 1e15) {
        // To the nearest minute, as a clock reads: 125 minutes are 2:05.
        const auto whole = static_cast<long long>(std::llround(minutes));
        return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    }
    return formatNumber(unit == QLatin1String("h") ? minutes / 60 : minutes) + unit;
}

QString formatDuration(double minutes, const QString &unit)
{
    if (unit != QLatin1String("h:mm") || !std::isfinite(minutes) || minutes < 0 || minutes >= 1e15)
        return formatTime(minutes, unit);
    const auto whole = static_cast<long long>(std::llround(minutes));
    if (whole < 60)
        return QCoreApplication::translate("RouteTable", "%1 min").arg(whole);
    return QCoreApplication::translate("RouteTable", "%1 h %2 min")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

using namespace routerows;

namespace {

// "inf minutes" would read as a (long) time: say what it means.
QString legText(double minutes, const QString &unit)
{
    return minutes == kInf ? QCoreApplication::translate("RouteTable", "no road")
                           : formatTime(minutes, unit);
}

} // namespace

QString formatKm(double km)
{
    return std::isfinite(km) ? QString::number(std::round(km * 1000) / 1000, 'g', 6) : QString();
}

RouteTableTexts routeTableTexts(const std::vector<City> &cities, const std::vector<int> &path,
                                const std::vector<double> &legTimes, const QString &unit,
                                const RouteShape *shape)
{
    const RouteRows rows = routeRows(cities, path, legTimes);
    const double total = rows.total;
    RouteTableTexts t;
    t.headers = rows.names;
    // (In the user's language where the window installs a translation; gpsroute does not.)
    t.headers << QCoreApplication::translate("RouteTable", "Total");
    t.rowHeader = QCoreApplication::translate("RouteTable", "Time(%1)").arg(unit);
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
    if (shape && shape->hasKm() && !path.empty()) {
        t.kmRowHeader = QCoreApplication::translate("RouteTable", "Distance(km)");
        for (std::size_t k = 0; k < path.size(); ++k)
            t.kmCells << formatKm(shape->kmTo(k));
        t.kmCells << formatKm(shape->totalKm());
    }
    return t;
}
