// What gpsnet osm writes: the two files, the roads' shapes and the credits, and the folder
// written whole.

#include "networkcredit.h"
#include "networkwrite.h"
#include "osmstages.h"
#include "roadgraphfile.h"
#include "roadshapes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace osmnet {

bool overlong(const Link &link)
{
    return link.km > RoadShapes::kLongestKm;
}

QByteArray citiesCsv(const Network &network)
{
    QByteArray out = "id,name,dept,lat,lon\n";
    for (const Place &p : network.places)
        out += QByteArray::number(qlonglong(p.id)) + ',' + p.name.toUtf8() + ',' +
               p.region.toUtf8() + ',' + QByteArray::number(p.lat, 'f', 7) + ',' +
               QByteArray::number(p.lon, 'f', 7) + '\n';
    return out;
}

QByteArray roadsCsv(const Network &network)
{
    QByteArray out;
    for (const Link &l : network.links) {
        // Thousandths of a minute: coarser, rounding leg after leg makes a route a little long
        // (tenths, rounded the same way along a route of short roads: a few tenths of a percent)
        // or picks another way of nearly the same time, and length; never under 0.01, which a
        // route through a town would not tell from the town itself.
        const double minutes = std::max(0.01, std::round(l.minutes * 1000) / 1000);
        out += network.places[std::size_t(l.a)].name.toUtf8() + ',' +
               network.places[std::size_t(l.b)].name.toUtf8() + ',' +
               QByteArray::number(minutes, 'g', 12) + '\n';
    }
    return out;
}

QByteArray shapesCsv(const Network &network)
{
    QByteArray out = "from,to,km,lat,lon,...\n";
    // Piece by piece: a sum of pieces made a string for each, and most of the time went there.
    const auto point = [&out](double lat, double lon) {
        out += ',';
        out += QByteArray::number(lat, 'f', 7);
        out += ',';
        out += QByteArray::number(lon, 'f', 7);
    };
    for (const Link &l : network.links) {
        if (overlong(l))
            continue; // (GPS would refuse the line: the road is drawn straight, its km unknown)
        const Place &a = network.places[std::size_t(l.a)], &b = network.places[std::size_t(l.b)];
        out += a.name.toUtf8() + ',' + b.name.toUtf8() + ',' + QByteArray::number(l.km, 'f', 3);
        // From the place's own position along the drive to the other's: the road drawn from
        // square to square.
        point(a.lat, a.lon);
        for (std::size_t k = 0; k + 1 < l.shape.size(); k += 2)
            point(l.shape[k], l.shape[k + 1]);
        point(b.lat, b.lon);
        out += '\n';
    }
    return out;
}

QByteArray roadGraphBin(const Network &network)
{
    const RoadGraph &g = network.graph;
    const std::size_t n = std::size_t(g.nodeCount());
    RoadGraphFile f;
    const auto tenMillionths = [](double degrees) {
        return std::int32_t(std::lround(degrees * 1e7));
    };
    for (std::size_t v = 0; v < n; ++v) {
        f.lat.push_back(tenMillionths(g.lat[v]));
        f.lon.push_back(tenMillionths(g.lon[v]));
        f.osmId.push_back(v < g.id.size() ? g.id[v] : 0);
    }
    f.first.assign(g.out.begin(), g.out.end());
    f.to.assign(g.to.begin(), g.to.end());
    for (std::size_t v = 0; v < n; ++v)
        for (std::int64_t a = g.out[v]; a < g.out[v + 1]; ++a) {
            const auto w = std::size_t(g.to[std::size_t(a)]);
            f.ms.push_back(std::uint32_t(std::lround(double(g.minutes[std::size_t(a)]) * 60000)));
            f.cm.push_back(std::uint32_t(
                std::lround(distanceKm(g.lat[v], g.lon[v], g.lat[w], g.lon[w]) * 100000)));
        }
    for (const Place &p : network.places) {
        f.placeNode.push_back(p.node);
        f.placeName.push_back(p.name);
    }
    f.town = network.town;
    return f.bytes();
}

bool write(const QString &dir, const Network &network, QString *error, bool roadGraph)
{
    // What goes with the pair: read by newer versions, passed over by older ones.
    std::vector<std::pair<QString, QByteArray>> extras{
        {QStringLiteral("credits.txt"), openStreetMapCredit().toUtf8()},
        {QStringLiteral("shapes.csv"), shapesCsv(network)}};
    if (roadGraph) {
        QByteArray graph = roadGraphBin(network);
        if (graph.isEmpty()) {
            *error = QStringLiteral("a road node meets more than 65,535 others: no road graph "
                                    "can hold it");
            return false;
        }
        extras.emplace_back(RoadGraphFile::fileName(), std::move(graph));
    }
    if (!writeNetworkFiles(dir, citiesCsv(network), roadsCsv(network), extras, error))
        return false;
    // A road graph of the folder's last network would drive between other places.
    const QString old = QDir(dir).filePath(RoadGraphFile::fileName());
    if (!roadGraph && QFileInfo::exists(old) && !QFile::remove(old)) {
        *error = QStringLiteral("the network was written, but the road graph of the one before "
                                "(%1) could not be removed")
                     .arg(QDir::toNativeSeparators(old));
        return false;
    }
    return true;
}

} // namespace osmnet
