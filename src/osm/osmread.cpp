// The read stage: what an extract holds for a network, in two or three passes over it.

#include "osmreaders.h"
#include "osmstages.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace osmnet::detail {

Extract readExtract(const QString &path, const Options &options, const Progress &progress,
                    Network *net)
{
    const QFileInfo info(path);
    if (!info.exists())
        refuse(path, QStringLiteral("no such file"));
    if (info.isDir())
        refuse(path, QStringLiteral("a folder, not an OSM extract"));
    if (!info.isFile())
        refuse(path, QStringLiteral("not an ordinary file (a pipe, a device...): give gpsnet "
                                    "an extract saved as a file"));

    // The ways first: their nodes are the only ones whose places are kept.
    WayReader ways(options.service, options.placeKinds, net, options.cancelled);
    readAll(path, osmium::osm_entity_bits::way | osmium::osm_entity_bits::relation, ways);
    if (!ways.relations.empty()) {
        // Places mapped as multipolygons: their outer ways' nodes, in another pass.
        std::vector<std::int64_t> wanted;
        for (const AreaPlace &a : ways.relations)
            wanted.insert(wanted.end(), a.outline.begin(), a.outline.end());
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        OutlineReader outlineWays(wanted);
        readAll(path, osmium::osm_entity_bits::way, outlineWays);
        for (AreaPlace &a : ways.relations) {
            std::vector<std::int64_t> nodes;
            for (const std::int64_t way : a.outline)
                if (const auto it = outlineWays.refs.find(way); it != outlineWays.refs.end())
                    nodes.insert(nodes.end(), it->second.begin(), it->second.end());
            a.outline = std::move(nodes);
            ways.areas.push_back(std::move(a));
        }
        ways.relations.clear();
    }
    progress.say(QStringLiteral("%1 read, %2 kept for cars")
                     .arg(count(net->waysRead, "way", "ways"), count(net->waysKept)));
    Extract read;
    read.ids = ways.refs;
    std::sort(read.ids.begin(), read.ids.end());
    read.ids.erase(std::unique(read.ids.begin(), read.ids.end()), read.ids.end());

    std::vector<std::int64_t> outlines;
    for (const AreaPlace &a : ways.areas)
        outlines.insert(outlines.end(), a.outline.begin(), a.outline.end());
    std::sort(outlines.begin(), outlines.end());
    outlines.erase(std::unique(outlines.begin(), outlines.end()), outlines.end());
    NodeReader nodes(read.ids, outlines, options.placeKinds, net, options.cancelled);
    readAll(path, osmium::osm_entity_bits::node, nodes);
    placeAreas(std::move(ways.areas), outlines, nodes.outlineAt, net);
    progress.say(
        QStringLiteral("%1, %2").arg(count(qsizetype(read.ids.size()), "road node", "road nodes"),
                                     count(net->placesFound, "place", "places")));
    read.ways = std::move(ways.ways);
    read.refs = std::move(ways.refs);
    read.at = std::move(nodes.at);
    read.barriers = std::move(nodes.barriers);
    return read;
}

void placeAreas(std::vector<AreaPlace> areas, const std::vector<std::int64_t> &outlines,
                const std::vector<osmium::Location> &at, Network *net)
{
    std::unordered_map<QString, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < net->places.size(); ++i)
        byName[net->places[i].name].push_back(i);
    const std::size_t nodes = net->places.size();
    for (AreaPlace &area : areas) {
        std::vector<std::pair<double, double>> ring; // lon, lat
        for (const std::int64_t id : area.outline) {
            const auto it = std::lower_bound(outlines.begin(), outlines.end(), id);
            const osmium::Location &l = at[std::size_t(it - outlines.begin())];
            if (l.valid())
                ring.emplace_back(l.lon(), l.lat());
        }
        if (ring.size() < 3)
            continue; // the extract holds too little of it
        // The centre of its surface (of its corners, for a sliver), taken from its first corner
        // so that the products keep their digits.
        double twice = 0, cx = 0, cy = 0, mx = 0, my = 0;
        double west = 180, east = -180, south = 90, north = -90;
        const auto [ox, oy] = ring.front();
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const double x0 = ring[k].first - ox, y0 = ring[k].second - oy;
            const double x1 = ring[(k + 1) % ring.size()].first - ox;
            const double y1 = ring[(k + 1) % ring.size()].second - oy;
            const double cross = x0 * y1 - x1 * y0;
            twice += cross;
            cx += (x0 + x1) * cross;
            cy += (y0 + y1) * cross;
            mx += x0;
            my += y0;
            west = std::min(west, ring[k].first);
            east = std::max(east, ring[k].first);
            south = std::min(south, ring[k].second);
            north = std::max(north, ring[k].second);
        }
        // (The outer ways of a multipolygon come in any order: their corners' mean.) An outline
        // that crosses itself has lobes of both signs, whose centre can lie anywhere: a centre
        // outside the outline's box is no centre, and the corners' mean is taken then too.
        const double n = double(ring.size());
        double lon = ox + mx / n, lat = oy + my / n;
        if (area.ring && std::abs(twice) > 1e-18) {
            const double x = ox + cx / (3 * twice), y = oy + cy / (3 * twice);
            if (x >= west && x <= east && y >= south && y <= north)
                lon = x, lat = y;
        }
        area.place.lon = lon;
        area.place.lat = lat;
        bool mapped = false;
        if (const auto same = byName.find(area.place.name); same != byName.end())
            for (const std::size_t i : same->second)
                mapped = mapped ||
                         (i < nodes && net->places[i].lon >= west && net->places[i].lon <= east &&
                          net->places[i].lat >= south && net->places[i].lat <= north);
        if (mapped)
            continue;
        ++net->placesFound;
        net->places.push_back(std::move(area.place));
    }
}

} // namespace osmnet::detail
