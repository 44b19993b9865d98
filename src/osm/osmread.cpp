// The read stage: what an extract holds for a network, in two or three passes over it.

#include "osmreaders.h"
#include "osmstages.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <array>
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
    // Places mapped as multipolygons: their outer ways' nodes, in another pass, each way's
    // once however many relations name it.
    std::vector<std::int64_t> wanted;
    for (const AreaPlace &a : ways.relations)
        wanted.insert(wanted.end(), a.outline.begin(), a.outline.end());
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    OutlineReader outlineWays(wanted, options.cancelled);
    if (!wanted.empty())
        readAll(path, osmium::osm_entity_bits::way, outlineWays);
    std::vector<std::int64_t>().swap(wanted);
    progress.say(QStringLiteral("%1 read, %2 kept for cars")
                     .arg(count(net->waysRead, "way", "ways"), count(net->waysKept)));
    Extract read;
    read.ids = ways.refs;
    std::sort(read.ids.begin(), read.ids.end());
    read.ids.erase(std::unique(read.ids.begin(), read.ids.end()), read.ids.end());

    std::vector<std::int64_t> outlines;
    for (const AreaPlace &a : ways.areas)
        outlines.insert(outlines.end(), a.outline.begin(), a.outline.end());
    for (const auto &[id, nodes] : outlineWays.refs)
        outlines.insert(outlines.end(), nodes.begin(), nodes.end());
    std::sort(outlines.begin(), outlines.end());
    outlines.erase(std::unique(outlines.begin(), outlines.end()), outlines.end());
    NodeReader nodes(read.ids, outlines, options.placeKinds, net, options.cancelled);
    readAll(path, osmium::osm_entity_bits::node, nodes);
    ways.areas.insert(ways.areas.end(), std::make_move_iterator(ways.relations.begin()),
                      std::make_move_iterator(ways.relations.end()));
    placeAreas(std::move(ways.areas), outlineWays.refs, outlines, nodes.outlineAt, net);
    progress.say(
        QStringLiteral("%1, %2").arg(count(qsizetype(read.ids.size()), "road node", "road nodes"),
                                     count(net->placesFound, "place", "places")));
    read.ways = std::move(ways.ways);
    read.refs = std::move(ways.refs);
    read.at = std::move(nodes.at);
    read.barriers = std::move(nodes.barriers);
    return read;
}

namespace {

// The corners of outer ways, summed once a way: a relation's centre is their mean, and a way
// named by many relations is read once.
struct Corners
{
    double lon = 0, lat = 0;
    std::size_t count = 0;
    double west = 180, east = -180, south = 90, north = -90;

    void add(const Corners &o)
    {
        lon += o.lon, lat += o.lat, count += o.count;
        west = std::min(west, o.west), east = std::max(east, o.east);
        south = std::min(south, o.south), north = std::max(north, o.north);
    }
};

// A place from its outline, unless a place node of its name within the outline's box (west,
// east, south, north) is that place already.
void addArea(Place place, const std::array<double, 4> &box,
             const std::unordered_map<QString, std::vector<std::size_t>> &byName, std::size_t nodes,
             Network *net)
{
    if (const auto same = byName.find(place.name); same != byName.end())
        for (const std::size_t i : same->second) {
            const Place &p = net->places[i];
            if (i < nodes && p.lon >= box[0] && p.lon <= box[1] && p.lat >= box[2] &&
                p.lat <= box[3])
                return;
        }
    ++net->placesFound;
    net->places.push_back(std::move(place));
}

} // namespace

void placeAreas(std::vector<AreaPlace> areas,
                const std::unordered_map<std::int64_t, std::vector<std::int64_t>> &outerWays,
                const std::vector<std::int64_t> &outlines, const std::vector<osmium::Location> &at,
                Network *net)
{
    std::unordered_map<QString, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < net->places.size(); ++i)
        byName[net->places[i].name].push_back(i);
    const auto location = [&](std::int64_t id) -> const osmium::Location & {
        const auto it = std::lower_bound(outlines.begin(), outlines.end(), id);
        return at[std::size_t(it - outlines.begin())];
    };
    std::unordered_map<std::int64_t, Corners> wayCorners;
    for (const auto &[id, nodes] : outerWays) {
        Corners c;
        for (const std::int64_t node : nodes)
            if (const osmium::Location &l = location(node); l.valid()) {
                c.add({l.lon(), l.lat(), 1, l.lon(), l.lon(), l.lat(), l.lat()});
            }
        wayCorners.emplace(id, c);
    }
    const std::size_t nodes = net->places.size();
    for (AreaPlace &area : areas) {
        if (!area.ring) {
            Corners all;
            for (const std::int64_t way : area.outline)
                if (const auto it = wayCorners.find(way); it != wayCorners.end())
                    all.add(it->second);
            if (all.count < 3)
                continue; // the extract holds too little of it
            area.place.lon = all.lon / double(all.count);
            area.place.lat = all.lat / double(all.count);
            addArea(std::move(area.place), {all.west, all.east, all.south, all.north}, byName,
                    nodes, net);
            continue;
        }
        std::vector<std::pair<double, double>> ring; // lon, lat
        for (const std::int64_t id : area.outline)
            if (const osmium::Location &l = location(id); l.valid())
                ring.emplace_back(l.lon(), l.lat());
        if (ring.size() < 3)
            continue; // the extract holds too little of it
        // One closed way: the centre of its surface (of its corners, for a sliver), taken from
        // its first corner so that the products keep their digits. (The outer ways of a
        // multipolygon come in any order: their corners' mean, above.)
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
        // An outline that crosses itself has lobes of both signs, whose centre can lie anywhere:
        // a centre outside the outline's box is no centre, and the corners' mean is taken then.
        const double n = double(ring.size());
        area.place.lon = ox + mx / n;
        area.place.lat = oy + my / n;
        if (std::abs(twice) > 1e-18) {
            const double x = ox + cx / (3 * twice), y = oy + cy / (3 * twice);
            if (x >= west && x <= east && y >= south && y <= north)
                area.place.lon = x, area.place.lat = y;
        }
        addArea(std::move(area.place), {west, east, south, north}, byName, nodes, net);
    }
}

} // namespace osmnet::detail
