// The places stage: each place joined to its town's main road, each name once as GPS reads it,
// and each place's town: the road nodes a route passes it by.

#include "csvtext.h"
#include "osmgrid.h"
#include "osmstages.h"
#include "osmthreads.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <memory>

namespace osmnet::detail {

namespace {

// Why a place with no road in reach has none: only a motorway passes there (a car cannot stop
// on one), or every road node there has a barrier; else it is far from any road.
void sayWhyFar(const std::vector<Place> &far, const std::vector<float> &mainRoad, double withinKm,
               Network *net)
{
    if (far.empty())
        return;
    const RoadGraph &g = net->graph;
    const NodeGrid all(g, std::vector<char>(std::size_t(g.nodeCount()), 1));
    for (const Place &p : far) {
        bool motorway = false;
        all.within(p.lat, p.lon, withinKm, [&](int v, double) {
            motorway = motorway || (mainRoad[std::size_t(v)] == 0 &&
                                    g.out[std::size_t(v)] != g.out[std::size_t(v) + 1]);
        });
        const bool barred =
            std::any_of(net->barrierAt.begin(), net->barrierAt.end(), [&](const auto &b) {
                return distanceKm(p.lat, p.lon, b.first, b.second) <= withinKm;
            });
        (motorway ? net->motorwayPlaces : barred ? net->barredPlaces : net->farPlaces) << p.name;
    }
}

} // namespace

Towns joinPlaces(std::vector<float> mainRoad, const Options &options, const Progress &progress,
                 Network *net)
{
    const RoadGraph &g = net->graph;
    const int n = g.nodeCount();
    std::vector<char> used = joinableNodes(g, mainRoad);
    const auto joinable = [&used](int v) { return used[std::size_t(v)] == 2; };
    auto grid = std::make_unique<NodeGrid>(g, used);
    std::vector<Place> joined, farPlaces;
    QHash<std::int64_t, double> moved; // by OSM id: how far the road joined is
    std::size_t done = 0;
    for (Place &p : net->places) {
        if ((++done & 0xfff) == 0)
            progress.check();
        float best = 0;
        double bestKm = 0;
        p.node = -1;
        // (Near its middle: a faster road at the edge of town is a way round it.)
        grid->within(p.lat, p.lon, std::min(townKm(p.kind) / 3, options.joinWithinKm),
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
        if (p.node < 0) {
            p.node = grid->nearest(p.lat, p.lon, options.joinWithinKm, joinable);
            // Its nearest street cut off from the region's roads: joined past it, and said.
            const int cut = grid->nearest(p.lat, p.lon, options.joinWithinKm,
                                          [&used](int v) { return used[std::size_t(v)] == 1; });
            const auto km = [&p, &g](int v) {
                return distanceKm(p.lat, p.lon, g.lat[std::size_t(v)], g.lon[std::size_t(v)]);
            };
            if (p.node >= 0 && cut >= 0 && km(cut) < km(p.node))
                moved.insert(p.id, km(p.node));
        }
        if (p.node < 0)
            p.node = grid->nearest(p.lat, p.lon, options.joinWithinKm, [](int) { return true; });
        if (p.node < 0)
            farPlaces.push_back(std::move(p));
        else
            joined.push_back(std::move(p));
    }
    net->places = std::move(joined);
    sayWhyFar(farPlaces, mainRoad, options.joinWithinKm, net);
    // In the order of the file's nodes, so that the same extract gives the same files.
    std::sort(net->places.begin(), net->places.end(),
              [](const Place &a, const Place &b) { return a.id < b.id; });
    uniqueNames(net);
    for (const Place &p : net->places) // (by the names written)
        if (const auto it = moved.constFind(p.id); it != moved.constEnd())
            net->movedPlaces << QStringLiteral("%1 (%2 km)").arg(p.name).arg(*it, 0, 'f', 2);
    progress.say(QStringLiteral("%1 to a road")
                     .arg(count(qsizetype(net->places.size()), "place joined", "places joined")));

    // The places at each node, and each place's town: the road nodes (not of motorways alone)
    // within its kind's reach that are nearer to it than to any other place's.
    Towns towns;
    std::unordered_map<int, std::vector<int>> &at = towns.at;
    for (int i = 0; i < int(net->places.size()); ++i)
        at[net->places[std::size_t(i)].node].push_back(i);
    std::vector<std::int32_t> &town = towns.town;
    town.assign(std::size_t(n), -1);
    {
        std::vector<float> nearest(std::size_t(n), std::numeric_limits<float>::infinity());
        for (const Place &p : net->places)
            grid->within(p.lat, p.lon, townKm(p.kind), [&](int v, double km) {
                if (float(km) < nearest[std::size_t(v)]) {
                    nearest[std::size_t(v)] = float(km);
                    town[std::size_t(v)] = at[p.node].empty() ? -1 : p.node;
                }
            });
        for (const auto &[node, places] : at)
            town[std::size_t(node)] = node;
    }
    grid.reset();
    release(used);
    release(mainRoad);
    return towns;
}

double townKm(const QString &kind)
{
    return kind == QLatin1String("city")      ? 2.0
           : kind == QLatin1String("town")    ? 1.0
           : kind == QLatin1String("village") ? 0.5
                                              : 0.3;
}

QString asGpsReads(QString text)
{
    text.replace(u',', u' '); // commas separate the files' fields
    text = text.simplified();
    csv::replaceUnwritable(&text); // as GPS's loader does, so that two names stay two
    return text;
}

void uniqueNames(Network *net)
{
    QHash<QString, int> count;
    std::vector<Place> named;
    named.reserve(net->places.size());
    for (Place &p : net->places) {
        p.name = asGpsReads(p.name);
        p.region = asGpsReads(p.region);
        if (p.name.isEmpty()) { // (a name of commas) no name: GPS would pass it over
            ++net->unnamed;
            continue;
        }
        ++count[p.name];
        named.push_back(std::move(p));
    }
    net->places = std::move(named);
    QHash<QString, int> taken;
    for (const Place &p : net->places)
        if (count.value(p.name) == 1)
            taken.insert(p.name, 1);
    // Each base's numbers go on from the last one given (every number below it is taken):
    // thousands of places of one name take as many steps, not their square.
    QHash<QString, int> next;
    for (Place &p : net->places) {
        if (count.value(p.name) == 1)
            continue;
        ++net->renamed;
        const QString base = p.region.isEmpty() ? p.name : p.name + " (" + p.region + ")";
        QString name = base;
        int &n = next[base];
        if (n == 0)
            n = 2;
        for (; taken.contains(name); ++n)
            name = base + u' ' + QString::number(n);
        taken.insert(name, 1);
        p.name = name;
    }
}

} // namespace osmnet::detail
