#include "landmap.h"

#include <QFile>

#include <cmath>
#include <cstdlib>

namespace {

QPointF mapPoint(long long lon, long long lat)
{
    // Hundredths of a degree, projected as the city files are.
    return QPointF(300.0 + 0.25 * double(lon), 1400.0 - 0.25 * double(lat));
}

} // namespace

LandMap parseLandMap(const QByteArray &text, int *skipped)
{
    LandMap map;
    int bad = 0;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        const bool land = fields[0] == "L";
        if ((!land && fields[0] != "B") || fields.size() < 5 || fields.size() % 2 == 0) {
            ++bad;
            continue;
        }
        QPolygonF shape;
        shape.reserve((fields.size() - 1) / 2);
        long long lon = 0, lat = 0;
        bool ok = true;
        for (qsizetype i = 1; ok && i + 1 < fields.size(); i += 2) {
            bool okLon = false, okLat = false;
            const long long dLon = fields[i].toLongLong(&okLon);
            const long long dLat = fields[i + 1].toLongLong(&okLat);
            // Past a full turn of the globe a number is a damaged line, not a place.
            ok = okLon && okLat && std::llabs(dLon) <= 36000 && std::llabs(dLat) <= 36000;
            lon += dLon;
            lat += dLat;
            ok = ok && std::llabs(lon) <= 36000 && std::llabs(lat) <= 18000;
            shape.append(mapPoint(lon, lat));
        }
        if (!ok) {
            ++bad;
            continue;
        }
        const QRectF box = shape.boundingRect();
        map.bounds = map.bounds.isNull() ? box : map.bounds.united(box);
        if (land) {
            map.land.push_back(std::move(shape));
            map.landBounds.push_back(box);
        } else {
            map.borders.push_back(std::move(shape));
        }
    }
    if (skipped)
        *skipped = bad;
    return map;
}

const LandMap &builtInLandMap()
{
    static const LandMap map = [] {
        QFile file(QStringLiteral(":/map/land.txt"));
        return file.open(QIODevice::ReadOnly) ? parseLandMap(file.readAll()) : LandMap();
    }();
    return map;
}
