#include "osmnet.h"
#include "osmdetail.h"
#include "osmreaders.h"

#include <osmium/handler.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/visitor.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>

namespace osmnet {

namespace {

using detail::AreaPlace;
using detail::kRadiansPerDegree;
using detail::NodeReader;
using detail::readAll;
using detail::refuse;
using detail::Way;
using detail::WayReader;

// Where a point lies along a Hilbert curve over 2^16 x 2^16 cells of the box.
std::uint64_t alongCurve(std::uint32_t x, std::uint32_t y)
{
    std::uint64_t d = 0;
    for (std::uint32_t s = 1u << 15; s > 0; s /= 2) {
        const std::uint32_t rx = (x & s) ? 1 : 0, ry = (y & s) ? 1 : 0;
        d += std::uint64_t(s) * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = s - 1 - (x & (s - 1));
                y = s - 1 - (y & (s - 1));
            }
            std::swap(x, y);
        }
    }
    return d;
}

// The graph's nodes in the order of a Hilbert curve: nodes near one another stand near one
// another in memory, and a search reads fewer pages (the extract's order follows ids, not
// places). Returns each node's new number.
std::vector<std::int32_t> nearOnesTogether(RoadGraph *g)
{
    const std::size_t n = g->lat.size();
    double south = 90, north = -90, west = 180, east = -180;
    for (std::size_t v = 0; v < n; ++v) {
        south = std::min(south, g->lat[v]);
        north = std::max(north, g->lat[v]);
        west = std::min(west, g->lon[v]);
        east = std::max(east, g->lon[v]);
    }
    const auto cell = [](double at, double low, double high) {
        return high > low ? std::uint32_t(std::min(65535.0, (at - low) / (high - low) * 65536))
                          : 0u;
    };
    std::vector<std::pair<std::uint64_t, std::int32_t>> order(n);
    for (std::size_t v = 0; v < n; ++v)
        order[v] = {alongCurve(cell(g->lon[v], west, east), cell(g->lat[v], south, north)),
                    std::int32_t(v)};
    std::sort(order.begin(), order.end());
    std::vector<std::int32_t> renumbered(n);
    std::vector<double> lat(n), lon(n);
    for (std::size_t k = 0; k < n; ++k) {
        const auto v = std::size_t(order[k].second);
        renumbered[v] = std::int32_t(k);
        lat[k] = g->lat[v];
        lon[k] = g->lon[v];
    }
    g->lat = std::move(lat);
    g->lon = std::move(lon);
    return renumbered;
}

QString count(long long n)
{
    return QLocale::c().toString(n);
}

// "1 place", "2 places".
QString count(long long n, const char *one, const char *many)
{
    return count(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

} // namespace

double distanceKm(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double radius = 6371.0088, rad = kRadiansPerDegree;
    const double dLat = (lat2 - lat1) * rad, dLon = (lon2 - lon1) * rad;
    const double h =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * radius * std::asin(std::min(1.0, std::sqrt(h)));
}

Network convert(const QString &extract, const Options &options)
{
    auto say = [&](const QString &text) {
        if (options.cancelled && options.cancelled())
            throw Cancelled();
        if (options.progress)
            options.progress(text);
    };
    Network net;
    // Only an ordinary file is read: a pipe would be read once, a device for ever.
    const QFileInfo info(extract);
    if (!info.exists())
        refuse(extract, QStringLiteral("no such file"));
    if (info.isDir())
        refuse(extract, QStringLiteral("a folder, not an OSM extract"));
    if (!info.isFile())
        refuse(extract, QStringLiteral("not an ordinary file (a pipe, a device...): give gpsnet "
                                       "an extract saved as a file"));

    // The ways first: their nodes are the only ones whose places are kept.
    WayReader ways(options.service, options.placeKinds, &net, options.cancelled);
    readAll(extract, osmium::osm_entity_bits::way | osmium::osm_entity_bits::relation, ways);
    if (!ways.relations.empty()) {
        // Places mapped as multipolygons: their outer ways' nodes, in another pass.
        std::vector<std::int64_t> wanted;
        for (const AreaPlace &a : ways.relations)
            wanted.insert(wanted.end(), a.outline.begin(), a.outline.end());
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        detail::OutlineReader outlineWays(wanted);
        readAll(extract, osmium::osm_entity_bits::way, outlineWays);
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
    say(QStringLiteral("%1 read, %2 kept for cars")
            .arg(count(net.waysRead, "way", "ways"), count(net.waysKept)));
    std::vector<std::int64_t> ids = ways.refs;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    std::vector<std::int64_t> outlines;
    for (const AreaPlace &a : ways.areas)
        outlines.insert(outlines.end(), a.outline.begin(), a.outline.end());
    std::sort(outlines.begin(), outlines.end());
    outlines.erase(std::unique(outlines.begin(), outlines.end()), outlines.end());
    NodeReader nodes(ids, outlines, options.placeKinds, &net, options.cancelled);
    readAll(extract, osmium::osm_entity_bits::node, nodes);
    detail::placeAreas(std::move(ways.areas), outlines, nodes.outlineAt, &net);
    say(QStringLiteral("%1, %2").arg(count(qsizetype(ids.size()), "road node", "road nodes"),
                                     count(net.placesFound, "place", "places")));

    // The graph: nodes that have a position, arcs along each way where cars may go.
    RoadGraph &g = net.graph;
    // Per node: the fastest road through it that is no motorway (0: motorways only).
    std::vector<float> mainRoad;
    {
        // Each way's nodes as the graph's; -1: not in the extract; -2: off the Earth; -3: a
        // barrier that stops cars, which cuts the road there.
        std::vector<std::int32_t> index(ids.size(), -1);
        for (const std::int64_t id : nodes.barriers)
            index[std::size_t(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin())] = -3;
        const auto placed = std::count_if(nodes.at.begin(), nodes.at.end(),
                                          [](const osmium::Location &l) { return l.valid(); });
        g.lat.reserve(std::size_t(placed));
        g.lon.reserve(std::size_t(placed));
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (index[i] == -3) {
                continue;
            } else if (nodes.at[i].valid()) {
                index[i] = std::int32_t(g.lat.size());
                g.lat.push_back(nodes.at[i].lat());
                g.lon.push_back(nodes.at[i].lon());
            } else if (nodes.at[i].is_defined()) {
                index[i] = -2;
            }
        detail::release(nodes.at);
        {
            const std::vector<std::int32_t> renumbered = nearOnesTogether(&g);
            for (std::int32_t &v : index)
                if (v >= 0)
                    v = renumbered[std::size_t(v)];
        }
        mainRoad.assign(g.lat.size(), 0.0f);
        std::vector<std::int32_t> refs(ways.refs.size());
        for (std::size_t r = 0; r < refs.size(); ++r)
            refs[r] = index[std::size_t(std::lower_bound(ids.begin(), ids.end(), ways.refs[r]) -
                                        ids.begin())];
        detail::release(ways.refs);
        detail::release(ids);
        detail::release(index);
        // Counted, then placed: no list of the arcs in between.
        const int n = g.nodeCount();
        g.out.assign(std::size_t(n) + 1, 0);
        std::vector<std::int64_t> next;
        for (const int pass : {0, 1}) {
            for (const Way &w : ways.ways) {
                bool missing = false;
                for (std::int64_t r = w.first; r + 1 < w.last; ++r) {
                    const int a = refs[std::size_t(r)], b = refs[std::size_t(r) + 1];
                    if (a < 0 || b < 0) {
                        // That stretch is left out; a node off the Earth or a barrier is said
                        // apart.
                        missing = missing || a == -1 || b == -1;
                        continue;
                    }
                    if (a == b)
                        continue;
                    if (pass == 0) {
                        if (!w.motorway)
                            for (const int v : {a, b})
                                mainRoad[std::size_t(v)] =
                                    std::max(mainRoad[std::size_t(v)], float(w.kmh));
                        g.out[std::size_t(a) + 1] += w.oneway >= 0;
                        g.out[std::size_t(b) + 1] += w.oneway <= 0;
                        continue;
                    }
                    const double km = distanceKm(g.lat[std::size_t(a)], g.lon[std::size_t(a)],
                                                 g.lat[std::size_t(b)], g.lon[std::size_t(b)]);
                    const auto minutes = float(km / w.kmh * 60.0);
                    for (const auto &[from, to, along] :
                         {std::tuple(a, b, 1), std::tuple(b, a, -1)})
                        if (w.oneway != -along) {
                            const std::int64_t slot = next[std::size_t(from)]++;
                            g.to[std::size_t(slot)] = to;
                            g.minutes[std::size_t(slot)] = minutes;
                            g.oneWay[std::size_t(slot)] = w.oneway != 0;
                        }
                }
                net.waysMissingNodes += pass == 0 && missing;
            }
            if (pass == 0) {
                for (int v = 0; v < n; ++v)
                    g.out[std::size_t(v) + 1] += g.out[std::size_t(v)];
                const auto arcs = std::size_t(g.out.back());
                g.to.resize(arcs);
                g.minutes.resize(arcs);
                g.oneWay.resize(arcs);
                next.assign(g.out.begin(), g.out.end() - 1);
            }
        }
        detail::release(ways.ways);
    }
    const int n = g.nodeCount();

    // Each place to its town's main road: the node of the fastest road within a third of its
    // town's reach (the nearest of those), or else the nearest road node within reach; never a
    // node of motorways alone, nor one of a street cut off from the region's roads while one
    // that is not is within reach (a place whose streets are all cut off is joined to them,
    // and said with the places no road joins). The others are said and left out.
    std::vector<char> used = detail::joinableNodes(g, mainRoad);
    const auto joinable = [&used](int v) { return used[std::size_t(v)] == 2; };
    auto grid = std::make_unique<detail::NodeGrid>(g, used);
    std::vector<Place> joined;
    for (Place &p : net.places) {
        float best = 0;
        double bestKm = 0;
        p.node = -1;
        // (Near its middle: a faster road at the edge of town is a way round it.)
        grid->within(p.lat, p.lon, std::min(detail::townKm(p.kind) / 3, options.joinWithinKm),
                     [&](int v, double km) {
                         const float speed = mainRoad[std::size_t(v)];
                         if (!joinable(v))
                             return;
                         if (speed > best ||
                             (speed == best && (km < bestKm || (km == bestKm && v < p.node)))) {
                             best = speed;
                             bestKm = km;
                             p.node = v;
                         }
                     });
        if (p.node < 0)
            p.node = grid->nearest(p.lat, p.lon, options.joinWithinKm, joinable);
        if (p.node < 0)
            p.node = grid->nearest(p.lat, p.lon, options.joinWithinKm, [](int) { return true; });
        if (p.node < 0)
            net.farPlaces << p.name;
        else
            joined.push_back(std::move(p));
    }
    net.places = std::move(joined);
    // In the order of the file's nodes, so that the same extract gives the same files.
    std::sort(net.places.begin(), net.places.end(),
              [](const Place &a, const Place &b) { return a.id < b.id; });
    detail::uniqueNames(&net);
    say(QStringLiteral("%1 to a road")
            .arg(count(qsizetype(net.places.size()), "place joined", "places joined")));

    // The places at each node, and each place's town: the road nodes (not of motorways alone)
    // within its kind's reach that are nearer to it than to any other place's.
    std::unordered_map<int, std::vector<int>> at;
    for (int i = 0; i < int(net.places.size()); ++i)
        at[net.places[std::size_t(i)].node].push_back(i);
    std::vector<std::int32_t> town(std::size_t(n), -1);
    {
        std::vector<float> nearest(std::size_t(n), std::numeric_limits<float>::infinity());
        for (const Place &p : net.places)
            grid->within(p.lat, p.lon, detail::townKm(p.kind), [&](int v, double km) {
                if (float(km) < nearest[std::size_t(v)]) {
                    nearest[std::size_t(v)] = float(km);
                    town[std::size_t(v)] = at[p.node].empty() ? -1 : p.node;
                }
            });
        for (const auto &[node, places] : at)
            town[std::size_t(node)] = node;
    }
    grid.reset();
    detail::release(used);
    detail::release(mainRoad);
    // From each place: the places it reaches passing no other, and how long that takes. The
    // time back of a road that takes one-way roads is the other end's time there (below).
    std::vector<detail::Found> found;
    std::vector<detail::Passed> passed(net.places.size());
    std::mutex lock;
    std::atomic<int> next{0};
    const int total = int(net.places.size());
    auto work = [&] {
        detail::Search search(n);
        std::vector<detail::Found> mine;
        std::vector<int> targets;
        std::vector<double> forth;
        std::vector<char> takesOneWay;
        for (int i; (i = next++) < total;) {
            if (options.cancelled && options.cancelled())
                throw Cancelled();
            const int node = net.places[std::size_t(i)].node;
            // Places at one node: the first stands for them all, the others joined to it
            // alone (a star), so that roads stay as many as the places, however many share
            // a node.
            const int first = at[node].front();
            if (i != first) {
                detail::Found star{first, i, 0.0, false, {first, i, 0.0, 0.0, {}}, {}};
                detail::shapeLink(g, {node}, &star.link, &star.kept);
                mine.push_back(std::move(star));
                continue;
            }
            targets.clear();
            forth.clear();
            takesOneWay.clear();
            search.places(
                g, town, node,
                [&](int v, double minutes, bool oneWay) {
                    targets.push_back(v);
                    forth.push_back(minutes);
                    takesOneWay.push_back(oneWay);
                },
                &passed[std::size_t(i)]);
            for (std::size_t k = 0; k < targets.size(); ++k) {
                const int j = at[targets[k]].front();
                detail::Found f{i,
                                j,
                                forth[k],
                                bool(takesOneWay[k]),
                                {std::min(i, j), std::max(i, j), forth[k], 0.0, {}},
                                {}};
                std::vector<std::int32_t> path = search.pathTo(targets[k]);
                if (i > j)
                    std::reverse(path.begin(), path.end());
                detail::shapeLink(g, path, &f.link, &f.kept);
                mine.push_back(std::move(f));
            }
            if (options.progress && i % 1000 == 999) {
                std::lock_guard<std::mutex> hold(lock);
                say(QStringLiteral("searched from %1 of %2 places")
                        .arg(count(i + 1), count(total)));
            }
        }
        std::lock_guard<std::mutex> hold(lock);
        found.insert(found.end(), std::make_move_iterator(mine.begin()),
                     std::make_move_iterator(mine.end()));
    };
    const int threads = options.threads > 0
                            ? options.threads
                            : int(std::max(1u, std::thread::hardware_concurrency()));
    detail::onThreads(threads, work, [&] { next = total; });
    std::vector<detail::Found> roads;
    net.oneWayPairs =
        detail::slowerWays(net, std::move(found), passed, threads, options.cancelled, &roads);
    // A route through a town is charged the way to its place's node and back: where that
    // costs too much, the pair is joined directly too.
    say(QStringLiteral("looking for detours through towns"));
    detail::joinPastTowns(net, at, std::move(passed), threads, options.cancelled, &roads);
    net.links = detail::placedRoads(g, std::move(roads));
    std::vector<char> joinedByRoad(net.places.size(), 0);
    for (const Link &l : net.links)
        joinedByRoad[std::size_t(l.a)] = joinedByRoad[std::size_t(l.b)] = 1;
    for (std::size_t i = 0; i < net.places.size() && net.places.size() > 1; ++i)
        if (!joinedByRoad[i])
            net.roadless << net.places[i].name;
    return net;
}

} // namespace osmnet
