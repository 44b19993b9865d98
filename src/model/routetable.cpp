#include "routetable.h"

#include "csvtext.h"
#include "infinity.h"
#include "roadshapes.h"
#include "routerows.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamWriter>

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

QString routeTsv(const std::vector<City> &cities, const std::vector<int> &path,
                 const std::vector<double> &legTimes, double scale, const RouteShape *shape)
{
    const RouteRows rows = routeRows(cities, path, legTimes);
    const bool km = shape && shape->hasKm();
    QString out;
    for (qsizetype i = 0; i < rows.names.size(); ++i)
        out +=
            tsvName(rows.names[i]) + u'\t' +
            (i == 0 || std::size_t(i) > rows.legs.size() ? QStringLiteral("0")
                                                         : formatNumber(rows.legs[i - 1] * scale)) +
            (km ? u'\t' + formatKm(shape->kmTo(std::size_t(i))) : QString()) + u'\n';
    return out + QStringLiteral("Total\t") + formatNumber(rows.total * scale) +
           (km ? u'\t' + formatKm(shape->totalKm()) : QString()) + u'\n';
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

namespace {

QString csvLine(const QString &first, const QStringList &rest)
{
    QStringList fields{csvField(first)};
    for (const QString &field : rest)
        fields << csvField(field);
    return fields.join(u',') + QStringLiteral("\r\n");
}

} // namespace

QString sheetCell(const QString &text)
{
    // A spreadsheet would run these as formulas: a leading apostrophe keeps them text.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && formulaStarts.contains(text.front()) ? u'\'' + text : text;
}

QString tsvName(const QString &name)
{
    if (name == QLatin1String("Total"))
        return QStringLiteral("\\Total");
    QString out;
    out.reserve(name.size() + 1);
    for (const QChar c : sheetCell(name)) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

QList<QStringList> routeSheet(const std::vector<City> &cities, const std::vector<int> &path,
                              const std::vector<double> &legTimes, double scale,
                              const QString &unit)
{
    const RouteRows rows = routeRows(cities, path, legTimes);
    const auto time = [scale](double minutes) {
        return std::isinf(minutes) ? QCoreApplication::translate("RouteTable", "no road")
                                   : formatNumber(minutes * scale);
    };
    QList<QStringList> sheet{
        {QCoreApplication::translate("RouteTable", "City"),
         QCoreApplication::translate("RouteTable", "Leg (%1)").arg(unit),
         QCoreApplication::translate("RouteTable", "Since start (%1)").arg(unit)}};
    double sinceStart = 0;
    for (qsizetype i = 0; i < rows.names.size(); ++i) {
        const bool known = i == 0 || std::size_t(i) <= rows.legs.size();
        const double leg = i == 0 || !known ? 0 : rows.legs[std::size_t(i) - 1];
        sinceStart += leg;
        sheet << QStringList{sheetCell(rows.names[i]), known ? time(leg) : QString(),
                             known ? time(sinceStart) : QString()};
    }
    sheet << QStringList{QCoreApplication::translate("RouteTable", "Total"), QString(),
                         time(rows.total)};
    return sheet;
}

} // namespace

QByteArray routeCsv(const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, double scale, const QString &unit)
{
    QString out;
    for (const QStringList &row : routeSheet(cities, path, legTimes, scale, unit))
        out += csvLine(row.front(), row.mid(1));
    return out.toUtf8();
}

QString routeSheetTsv(const std::vector<City> &cities, const std::vector<int> &path,
                      const std::vector<double> &legTimes, double scale, const QString &unit)
{
    QString out;
    for (QStringList row : routeSheet(cities, path, legTimes, scale, unit)) {
        // A tab or a line end in a name would make another cell or row: spaces instead.
        for (QString &cell : row)
            for (QChar &c : cell)
                if (c == u'\t' || c == u'\n' || c == u'\r')
                    c = u' ';
        out += row.join(u'\t') + u'\n';
    }
    return out;
}

namespace {

QJsonObject reachedCity(const City &c, double minutes, double scale)
{
    return {{QStringLiteral("name"), c.getName()},
            {QStringLiteral("lat"), rounded(latitude(c))},
            {QStringLiteral("lon"), rounded(longitude(c))},
            {QStringLiteral("time"), minutes * scale}};
}

} // namespace

QString reachTsv(const std::vector<City> &cities, const std::vector<Reached> &reached, double scale)
{
    QString out;
    for (const Reached &r : reached)
        out += tsvName(cities[std::size_t(r.city)].getName()) + u'\t' +
               formatNumber(r.time * scale) + u'\n';
    return out;
}

QByteArray reachJson(const std::vector<City> &cities, const std::vector<Reached> &reached,
                     double limit, double scale, const QString &unit)
{
    QJsonArray list;
    for (const Reached &r : reached)
        list.append(reachedCity(cities[std::size_t(r.city)], r.time, scale));
    const QJsonObject all{
        {QStringLiteral("unit"), unit},
        {QStringLiteral("from"),
         reached.empty() ? QString() : cities[std::size_t(reached.front().city)].getName()},
        {QStringLiteral("limit"), limit * scale},
        {QStringLiteral("cities"), list}};
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

QByteArray reachGeoJson(const std::vector<City> &cities, const std::vector<Reached> &reached,
                        double scale, const QString &unit)
{
    QJsonArray features;
    for (const Reached &r : reached) {
        const City &c = cities[std::size_t(r.city)];
        QJsonObject properties = reachedCity(c, r.time, scale);
        properties.remove(QStringLiteral("lat"));
        properties.remove(QStringLiteral("lon"));
        properties.insert(QStringLiteral("unit"), unit);
        features.append(
            QJsonObject{{QStringLiteral("type"), QStringLiteral("Feature")},
                        {QStringLiteral("geometry"),
                         QJsonObject{{QStringLiteral("type"), QStringLiteral("Point")},
                                     {QStringLiteral("coordinates"),
                                      QJsonArray{rounded(longitude(c)), rounded(latitude(c))}}}},
                        {QStringLiteral("properties"), properties}});
    }
    const QJsonObject all{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                          {QStringLiteral("features"), features}};
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}
