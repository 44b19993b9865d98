#include "routeexport.h"

#include "routeshape.h"
#include "routetable.h"

#include "csvtext.h"
#include "roadshapes.h"
#include "routerows.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QXmlStreamWriter>

#include <cmath>

using namespace routerows;

namespace {

// The runs of legs that roads make, each a line of points in map units (a leg's first point
// is the one before's last).
std::vector<std::vector<QPointF>> runsOf(const RouteShape &shape)
{
    std::vector<std::vector<QPointF>> runs;
    bool open = false;
    for (const std::vector<QPointF> &leg : shape.legLines) {
        if (leg.empty()) {
            open = false;
            continue;
        }
        if (!open)
            runs.emplace_back();
        open = true;
        std::vector<QPointF> &run = runs.back();
        run.insert(run.end(), leg.begin() + (run.empty() || run.back() != leg.front() ? 0 : 1),
                   leg.end());
    }
    return runs;
}

QJsonValue kmValue(double km)
{
    return std::isfinite(km) ? QJsonValue(std::round(km * 1000) / 1000)
                             : QJsonValue(QJsonValue::Null);
}

} // namespace

QByteArray routeGpx(const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, double scale, const QString &unit,
                    QString description, QString credit, const RouteShape *shape)
{
    RouteRows rows = routeRows(cities, path, legTimes);
    // The loader has replaced what XML cannot hold; a network built otherwise is written the
    // same way rather than have the writer drop characters.
    for (QString &name : rows.names)
        csv::replaceUnwritable(&name);
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("GPS " GPS_VERSION));
    if (!credit.isEmpty()) {
        csv::replaceUnwritable(&credit);
        xml.writeStartElement(QStringLiteral("metadata"));
        xml.writeStartElement(QStringLiteral("copyright"));
        xml.writeAttribute(QStringLiteral("author"), credit);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("rte"));
    if (!rows.names.isEmpty())
        xml.writeTextElement(QStringLiteral("name"),
                             rows.names.first() + QStringLiteral(" - ") + rows.names.last());
    if (!description.isEmpty()) {
        csv::replaceUnwritable(&description);
        xml.writeTextElement(QStringLiteral("desc"), description);
    }
    auto time = [&](double minutes) {
        return !std::isfinite(minutes) ? QCoreApplication::translate("RouteTable", "no road")
               : unit == QLatin1String("h:mm") ? formatDuration(minutes, unit)
                                               : formatNumber(minutes * scale) + u' ' + unit;
    };
    const bool km = shape && shape->hasKm();
    double sofar = 0, kmSoFar = 0;
    for (qsizetype i = 0; i < rows.names.size(); ++i) {
        const int at = path[std::size_t(i)];
        const bool known = at >= 0 && std::size_t(at) < cities.size();
        xml.writeStartElement(QStringLiteral("rtept"));
        xml.writeAttribute(QStringLiteral("lat"), known ? degrees(latitude(cities[at])) : "0");
        xml.writeAttribute(QStringLiteral("lon"), known ? degrees(longitude(cities[at])) : "0");
        xml.writeTextElement(QStringLiteral("name"), rows.names[i]);
        if (i > 0 && std::size_t(i) <= rows.legs.size()) {
            sofar += rows.legs[i - 1];
            const double legKm = km ? shape->kmTo(std::size_t(i)) : qQNaN();
            kmSoFar += legKm;
            xml.writeTextElement(
                QStringLiteral("desc"),
                std::isfinite(legKm) && std::isfinite(kmSoFar)
                    ? QCoreApplication::translate("RouteTable",
                                                  "leg %1, %2 km; since the start %3, %4 km")
                          .arg(time(rows.legs[i - 1]), formatKm(legKm), time(sofar),
                               formatKm(kmSoFar))
                    : QCoreApplication::translate("RouteTable", "leg %1, since the start %2")
                          .arg(time(rows.legs[i - 1]), time(sofar)));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement(); // rte
    if (shape && shape->hasKm() && !rows.names.isEmpty()) {
        // The way along the roads, for devices and programs that draw tracks.
        xml.writeStartElement(QStringLiteral("trk"));
        xml.writeTextElement(QStringLiteral("name"),
                             rows.names.first() + QStringLiteral(" - ") + rows.names.last());
        for (const std::vector<QPointF> &run : runsOf(*shape)) {
            xml.writeStartElement(QStringLiteral("trkseg"));
            for (const QPointF &p : run) {
                xml.writeStartElement(QStringLiteral("trkpt"));
                xml.writeAttribute(QStringLiteral("lat"), degrees(latitudeOfMapY(p.y())));
                xml.writeAttribute(QStringLiteral("lon"), degrees(longitudeOfMapX(p.x())));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return out;
}

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(QString::number(value, 'g', 15).toDouble())
                                : QJsonValue(QJsonValue::Null);
}

QByteArray routeJson(const std::vector<City> &cities, const std::vector<int> &path,
                     const std::vector<double> &legTimes, double scale, const QString &unit,
                     const QString &credit, const RouteShape *shape)
{
    const bool km = shape && shape->hasKm();
    const RouteRows rows = routeRows(cities, path, legTimes);
    auto time = [&](double minutes) { return jsonNumber(minutes * scale); };
    QJsonArray stops;
    for (qsizetype i = 0; i < rows.names.size(); ++i) {
        const int at = path[std::size_t(i)];
        const bool known = at >= 0 && std::size_t(at) < cities.size();
        QJsonObject stop{{QStringLiteral("name"), rows.names[i]},
                         {QStringLiteral("lat"), known ? rounded(latitude(cities[at])) : 0.0},
                         {QStringLiteral("lon"), known ? rounded(longitude(cities[at])) : 0.0}};
        stop.insert(QStringLiteral("leg"), i == 0 ? QJsonValue(0)
                                           : std::size_t(i) <= rows.legs.size()
                                               ? time(rows.legs[i - 1])
                                               : QJsonValue(QJsonValue::Null));
        if (km)
            stop.insert(QStringLiteral("km"), kmValue(shape->kmTo(std::size_t(i))));
        // Where the drive stands for the city, so that a route can be checked on the extract.
        if (shape && std::size_t(i) < shape->osmIds.size() && shape->osmIds[std::size_t(i)] > 0)
            stop.insert(QStringLiteral("osmNode"), qint64(shape->osmIds[std::size_t(i)]));
        stops.append(stop);
    }
    QJsonObject route{{QStringLiteral("unit"), unit},
                      {QStringLiteral("total"), time(rows.total)},
                      {QStringLiteral("cities"), stops}};
    if (km)
        route.insert(QStringLiteral("totalKm"), kmValue(shape->totalKm()));
    if (!credit.isEmpty())
        route.insert(QStringLiteral("credit"), credit);
    return QJsonDocument(route).toJson(QJsonDocument::Indented);
}

QByteArray routeGeoJson(const std::vector<City> &cities, const std::vector<int> &path,
                        const std::vector<double> &legTimes, double scale, const QString &unit,
                        const RouteShape &shape, const QString &credit)
{
    const RouteRows rows = routeRows(cities, path, legTimes);
    const auto time = [&](double minutes) { return jsonNumber(minutes * scale); };
    const auto position = [](double lon, double lat) {
        return QJsonArray{rounded(lon), rounded(lat)};
    };
    QJsonArray features;
    QJsonArray lines;
    for (const std::vector<QPointF> &run : runsOf(shape)) {
        QJsonArray line;
        for (const QPointF &p : run)
            line.append(position(longitudeOfMapX(p.x()), latitudeOfMapY(p.y())));
        lines.append(line);
    }
    if (!lines.isEmpty()) {
        const bool one = lines.size() == 1;
        features.append(QJsonObject{
            {QStringLiteral("type"), QStringLiteral("Feature")},
            {QStringLiteral("geometry"),
             QJsonObject{{QStringLiteral("type"),
                          one ? QStringLiteral("LineString") : QStringLiteral("MultiLineString")},
                         {QStringLiteral("coordinates"), one ? lines.first() : lines}}},
            {QStringLiteral("properties"),
             QJsonObject{{QStringLiteral("name"),
                          rows.names.first() + QStringLiteral(" - ") + rows.names.last()},
                         {QStringLiteral("unit"), unit},
                         {QStringLiteral("total"), time(rows.total)},
                         {QStringLiteral("km"), kmValue(shape.totalKm())}}}});
    }
    for (qsizetype i = 0; i < rows.names.size(); ++i) {
        const int at = path[std::size_t(i)];
        if (at < 0 || std::size_t(at) >= cities.size())
            continue;
        const City &c = cities[std::size_t(at)];
        features.append(QJsonObject{
            {QStringLiteral("type"), QStringLiteral("Feature")},
            {QStringLiteral("geometry"),
             QJsonObject{{QStringLiteral("type"), QStringLiteral("Point")},
                         {QStringLiteral("coordinates"), position(longitude(c), latitude(c))}}},
            {QStringLiteral("properties"),
             QJsonObject{{QStringLiteral("name"), rows.names[i]},
                         {QStringLiteral("leg"), i == 0 ? QJsonValue(0)
                                                 : std::size_t(i) <= rows.legs.size()
                                                     ? time(rows.legs[i - 1])
                                                     : QJsonValue(QJsonValue::Null)},
                         {QStringLiteral("km"), kmValue(shape.kmTo(std::size_t(i)))}}}});
    }
    QJsonObject all{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                    {QStringLiteral("features"), features}};
    if (!credit.isEmpty())
        all.insert(QStringLiteral("credit"), credit);
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

QString routeTsv(const std::vector<City> &cities, const std::vector<int> &path,
                 const std::vector<double> &legTimes, double scale, const RouteShape *shape)
{
    QString text;
    QTextStream out(&text);
    writeRouteTsv(out, cities, path, legTimes, scale, shape);
    out.flush();
    return text;
}

void writeRouteTsv(QTextStream &out, const std::vector<City> &cities, const std::vector<int> &path,
                   const std::vector<double> &legTimes, double scale, const RouteShape *shape)
{
    // As routeRows makes the rows, a line at a time.
    const std::size_t legs = std::min(legTimes.size(), path.empty() ? 0 : path.size() - 1);
    double total = 0;
    for (std::size_t i = 0; i < legs; ++i)
        total += legTimes[i];
    const bool km = shape && shape->hasKm();
    for (std::size_t i = 0; i < path.size(); ++i) {
        const int at = path[i];
        out << tsvName(at >= 0 && std::size_t(at) < cities.size()
                           ? cities[std::size_t(at)].getName()
                           : QString())
            << '\t'
            << (i == 0 || i > legs ? QStringLiteral("0") : formatNumber(legTimes[i - 1] * scale));
        if (km)
            out << '\t' << formatKm(shape->kmTo(i));
        out << '\n';
    }
    out << "Total\t" << formatNumber(total * scale);
    if (km)
        out << '\t' << formatKm(shape->totalKm());
    out << '\n';
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

QString messageName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QStringLiteral("\\\\");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (c.category() == QChar::Other_Control)
            out += QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, u'0').toUpper();
        else if (c.category() == QChar::Other_Format)
            out += QStringLiteral("\\u") + QString::number(u, 16).rightJustified(4, u'0').toUpper();
        else
            out += c;
    }
    return out;
}

namespace {

QList<QStringList> routeSheet(const std::vector<City> &cities, const std::vector<int> &path,
                              const std::vector<double> &legTimes, double scale,
                              const QString &unit, const RouteShape *shape, const QString &credit)
{
    const bool km = shape && shape->hasKm();
    const RouteRows rows = routeRows(cities, path, legTimes);
    const auto time = [scale](double minutes) {
        return std::isinf(minutes) ? QCoreApplication::translate("RouteTable", "no road")
                                   : formatNumber(minutes * scale);
    };
    QList<QStringList> sheet{
        {QCoreApplication::translate("RouteTable", "City"),
         QCoreApplication::translate("RouteTable", "Leg (%1)").arg(unit),
         QCoreApplication::translate("RouteTable", "Since start (%1)").arg(unit)}};
    if (km)
        sheet.first() << QCoreApplication::translate("RouteTable", "Leg (km)")
                      << QCoreApplication::translate("RouteTable", "Since start (km)");
    double sinceStart = 0, kmSoFar = 0;
    for (qsizetype i = 0; i < rows.names.size(); ++i) {
        const bool known = i == 0 || std::size_t(i) <= rows.legs.size();
        const double leg = i == 0 || !known ? 0 : rows.legs[std::size_t(i) - 1];
        sinceStart += leg;
        sheet << QStringList{sheetCell(rows.names[i]), known ? time(leg) : QString(),
                             known ? time(sinceStart) : QString()};
        if (km) {
            const double legKm = shape->kmTo(std::size_t(i));
            kmSoFar += legKm; // NaN from the first leg unknown on
            sheet.last() << formatKm(legKm) << formatKm(kmSoFar);
        }
    }
    sheet << QStringList{QCoreApplication::translate("RouteTable", "Total"), QString(),
                         time(rows.total)};
    if (km)
        sheet.last() << QString() << formatKm(shape->totalKm());
    // Where the network's data comes from, on a line of its own after the table.
    if (!credit.isEmpty())
        sheet << QStringList{sheetCell(credit)};
    return sheet;
}

} // namespace

QByteArray routeCsv(const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, double scale, const QString &unit,
                    const RouteShape *shape, const QString &credit)
{
    QString out;
    for (const QStringList &row : routeSheet(cities, path, legTimes, scale, unit, shape, credit))
        out += csvLine(row.front(), row.mid(1));
    return out.toUtf8();
}

QString routeSheetTsv(const std::vector<City> &cities, const std::vector<int> &path,
                      const std::vector<double> &legTimes, double scale, const QString &unit,
                      const RouteShape *shape, const QString &credit)
{
    QString out;
    for (QStringList row : routeSheet(cities, path, legTimes, scale, unit, shape, credit)) {
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
            {QStringLiteral("time"), jsonNumber(minutes * scale)}};
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
                     double limit, double scale, const QString &unit, const QString &credit)
{
    QJsonArray list;
    for (const Reached &r : reached)
        list.append(reachedCity(cities[std::size_t(r.city)], r.time, scale));
    QJsonObject all{
        {QStringLiteral("unit"), unit},
        {QStringLiteral("from"),
         reached.empty() ? QString() : cities[std::size_t(reached.front().city)].getName()},
        {QStringLiteral("limit"), limit * scale},
        {QStringLiteral("cities"), list}};
    if (!credit.isEmpty())
        all.insert(QStringLiteral("credit"), credit);
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

QByteArray reachGeoJson(const std::vector<City> &cities, const std::vector<Reached> &reached,
                        double scale, const QString &unit, const QString &credit)
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
    QJsonObject all{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                    {QStringLiteral("features"), features}};
    if (!credit.isEmpty())
        all.insert(QStringLiteral("credit"), credit);
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}
