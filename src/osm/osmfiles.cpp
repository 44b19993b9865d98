// What gpsnet osm writes: the two files, the roads' shapes and the credits, and the folder
// written whole.

#include "cpustate.h"
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

namespace {

// The conversion's graph as the file lays it out, read as it is written: each arc's time and
// length worked out as the file takes them (no array of them beside the graph).
RoadGraphFile::Source graphSource(const Network &net)
{
    const RoadGraph &g = net.graph;
    const auto tenMillionths = [](double degrees) {
        return std::int32_t(std::lround(degrees * 1e7));
    };
    RoadGraphFile::Source source;
    source.nodes = g.nodeCount();
    source.places = std::int64_t(net.places.size());
    source.first = [&g](std::int64_t v) { return g.out[std::size_t(v)]; };
    source.node = [&g, &net, tenMillionths](std::int64_t v, std::int32_t *lat, std::int32_t *lon,
                                            std::int64_t *id, std::int32_t *town) {
        const auto k = std::size_t(v);
        *lat = tenMillionths(g.lat[k]);
        *lon = tenMillionths(g.lon[k]);
        *id = k < g.id.size() ? g.id[k] : 0;
        *town = k < net.town.size() ? net.town[k] : -1;
    };
    source.to = [&g](std::int64_t a) { return g.to[std::size_t(a)]; };
    source.ms = [&g](std::int64_t a) {
        return std::uint32_t(std::lround(double(g.minutes[std::size_t(a)]) * 60000));
    };
    source.cm = [&g](std::int64_t v, std::int64_t a) {
        const auto from = std::size_t(v), to = std::size_t(g.to[std::size_t(a)]);
        return std::uint32_t(
            std::lround(distanceKm(g.lat[from], g.lon[from], g.lat[to], g.lon[to]) * 100000));
    };
    source.place = [&net](std::int64_t p, std::int32_t *node, QByteArray *name) {
        *node = net.places[std::size_t(p)].node;
        *name = net.places[std::size_t(p)].name.toUtf8();
    };
    return source;
}

} // namespace

QByteArray roadGraphBin(const Network &network)
{
    QByteArray all;
    if (!RoadGraphFile::write(graphSource(network), [&all](QByteArrayView piece) {
            all.append(piece);
            return true;
        }))
        return {};
    return all;
}

bool write(const QString &dir, const Network &network, QString *error, bool roadGraph)
{
    clearUpperRegisters(); // (the caller's texts may have left them in use: see cpustate.h)
    // What goes with the pair: read by newer versions, passed over by older ones.
    std::vector<NetworkExtra> extras{
        {QStringLiteral("credits.txt"), openStreetMapCredit().toUtf8()},
        {QStringLiteral("shapes.csv"), shapesCsv(network)}};
    const RoadGraph &g = network.graph;
    for (std::size_t v = 0; roadGraph && v + 1 < g.out.size(); ++v)
        if (g.out[v + 1] - g.out[v] > 65535) {
            *error = QStringLiteral("a road node meets more than 65,535 others: no road graph "
                                    "can hold it");
            return false;
        }
    // Written as it is made: whole in memory, it would double the conversion's peak.
    if (roadGraph)
        extras.push_back({RoadGraphFile::fileName(), {}, [&network](const auto &out) {
                              return RoadGraphFile::write(graphSource(network), out);
                          }});
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
