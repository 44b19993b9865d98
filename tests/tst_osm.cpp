// gpsnet osm: GPS networks from OpenStreetMap extracts written here, checked against the road
// graph's own fastest times.

#include "drive.h"
#include "infinity.h"
#include "network.h"
#include "networkcredit.h"
#include "osmnet.h"
#include "osmstages.h"
#include "roadgraphfile.h"
#include "routefinder.h"
#include "routeshape.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>
#include <queue>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include <osmium/handler.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/visitor.hpp>

#include <sys/stat.h> // mkfifo: a pipe given as the extract

namespace {

// An extract in OSM XML: nodes "id lat lon [tag=value;...]" and ways "id ref,ref,... tag=value;..."
// (values may hold spaces).
QByteArray extract(const QStringList &nodes, const QStringList &ways)
{
    auto tags = [](const QString &list) {
        QByteArray out;
        for (const QString &kv : list.split(u';', Qt::SkipEmptyParts)) {
            const qsizetype eq = kv.indexOf(u'=');
            out +=
                "<tag k=\"" + kv.left(eq).toUtf8() + "\" v=\"" + kv.mid(eq + 1).toUtf8() + "\"/>";
        }
        return out;
    };
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\">\n";
    for (const QString &n : nodes) {
        const QStringList f = n.split(u' ');
        xml += "<node id=\"" + f[0].toUtf8() + "\" version=\"1\" lat=\"" + f[1].toUtf8() +
               "\" lon=\"" + f[2].toUtf8() + "\">" + tags(f.mid(3).join(u' ')) + "</node>\n";
    }
    QByteArray relations; // "rID WAY,WAY tags": a relation of those ways as outers, after them
    for (const QString &w : ways) {
        const QStringList f = w.split(u' ');
        if (f[0].startsWith(u'r')) {
            relations += "<relation id=\"" + f[0].mid(1).toUtf8() + "\" version=\"1\">";
            for (const QString &ref : f[1].split(u','))
                relations += "<member type=\"way\" ref=\"" + ref.toUtf8() + "\" role=\"outer\"/>";
            relations += tags(f.mid(2).join(u' ')) + "</relation>\n";
            continue;
        }
        xml += "<way id=\"" + f[0].toUtf8() + "\" version=\"1\">";
        for (const QString &ref : f[1].split(u','))
            xml += "<nd ref=\"" + ref.toUtf8() + "\"/>";
        xml += tags(f.mid(2).join(u' ')) + "</way>\n";
    }
    return xml + relations + "</osm>\n";
}

// Ten road nodes on the 45th parallel, 0.01 degree apart (786 m; 3.145 km from node 1 to 5),
// and the places A at node 1, B at node 5, C at node 10 (55 m north of them).
// `ids`: the nodes' ids from west to east (1 to 10 when empty).
QStringList line(const QStringList &more = {}, const QList<int> &ids = {})
{
    QStringList nodes;
    for (int i = 1; i <= 10; ++i)
        nodes << QStringLiteral("%1 45 %2")
                     .arg(ids.isEmpty() ? i : ids[i - 1])
                     .arg(5 + 0.01 * (i - 1), 0, 'f', 2);
    nodes << "101 45.0005 5.00 place=town;name=A"
          << "102 45.0005 5.04 place=town;name=B"
          << "103 45.0005 5.09 place=city;name=C";
    return nodes + more;
}

const QString kAll = "1,2,3,4,5,6,7,8,9,10";

// Each arc's length in km, in the graph's order (measured once: a search from every place of a
// larger extract would otherwise spend most of its time in the trigonometry).
std::vector<double> arcLengths(const osmnet::RoadGraph &g)
{
    std::vector<double> km(g.to.size());
    for (int v = 0; v < g.nodeCount(); ++v)
        for (std::int64_t a = g.out[std::size_t(v)]; a < g.out[std::size_t(v) + 1]; ++a) {
            const auto w = std::size_t(g.to[std::size_t(a)]);
            km[std::size_t(a)] = osmnet::distanceKm(g.lat[std::size_t(v)], g.lon[std::size_t(v)],
                                                    g.lat[w], g.lon[w]);
        }
    return km;
}

// Dijkstra on the road graph itself.
// The fastest times from `from` over the raw road graph; with `arcKm` (arcLengths), the drives'
// lengths in `km` too.
std::vector<double> roadTimes(const osmnet::RoadGraph &g, int from,
                              std::vector<double> *km = nullptr,
                              const std::vector<double> &arcKm = {})
{
    std::vector<double> dist(std::size_t(g.nodeCount()), kInf);
    if (km)
        km->assign(dist.size(), kInf);
    if (km)
        (*km)[std::size_t(from)] = 0;
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    dist[std::size_t(from)] = 0;
    queue.push({0, from});
    while (!queue.empty()) {
        const auto [d, v] = queue.top();
        queue.pop();
        if (d > dist[std::size_t(v)])
            continue;
        for (std::int64_t a = g.out[std::size_t(v)]; a < g.out[std::size_t(v) + 1]; ++a) {
            const int w = g.to[std::size_t(a)];
            if (d + g.minutes[std::size_t(a)] < dist[std::size_t(w)]) {
                dist[std::size_t(w)] = d + g.minutes[std::size_t(a)];
                if (km)
                    (*km)[std::size_t(w)] = (*km)[std::size_t(v)] + arcKm[std::size_t(a)];
                queue.push({dist[std::size_t(w)], w});
            }
        }
    }
    return dist;
}

// The car road graph as the README's rules make it, read from the extract here with libosmium
// and nothing of the conversion's: the roads a car may use at their speeds, in the directions
// it may take them, cut at the barriers that stop it; nodes by OSM id.
struct ReferenceGraph
{
    std::unordered_map<std::int64_t, int> node;           // OSM id -> node
    std::vector<std::vector<std::pair<int, double>>> out; // node -> (node, minutes)
    int of(std::int64_t id)
    {
        const auto [it, added] = node.emplace(id, int(out.size()));
        if (added)
            out.emplace_back();
        return it->second;
    }
};

class ReferenceReader : public osmium::handler::Handler
{
public:
    explicit ReferenceReader(ReferenceGraph *g) : g(*g) {}
    std::unordered_set<std::int64_t> barriers;
    std::unordered_map<std::int64_t, std::pair<double, double>> at;
    struct Road
    {
        std::vector<std::int64_t> ids;
        double kmh;
        int oneway;
    };
    std::vector<Road> roads;

    void node(const osmium::Node &n)
    {
        if (n.location().valid())
            at[n.id()] = {n.location().lat(), n.location().lon()};
        const char *barrier = n.tags()["barrier"];
        if (!barrier)
            return;
        const int access = carAccess(n.tags());
        const std::string b = barrier;
        const bool gate = b == "gate" || b == "swing_gate" || b == "lift_gate";
        static const std::set<std::string> stops{"bollard",
                                                 "block",
                                                 "jersey_barrier",
                                                 "chain",
                                                 "cycle_barrier",
                                                 "kissing_gate",
                                                 "stile",
                                                 "turnstile",
                                                 "full-height_turnstile",
                                                 "log",
                                                 "planter",
                                                 "barrier_board",
                                                 "bar",
                                                 "motorcycle_barrier",
                                                 "fence",
                                                 "wall",
                                                 "debris"};
        if (access >= 0 ? access == 0 : gate ? is(n.tags()["locked"], "yes") : stops.count(b) > 0)
            barriers.insert(n.id());
    }
    void way(const osmium::Way &w)
    {
        static const std::map<std::string, double> speeds{
            {"motorway", 120},     {"motorway_link", 60},  {"trunk", 100},
            {"trunk_link", 50},    {"primary", 80},        {"primary_link", 40},
            {"secondary", 70},     {"secondary_link", 35}, {"tertiary", 60},
            {"tertiary_link", 30}, {"unclassified", 50},   {"residential", 30},
            {"living_street", 10}};
        const osmium::TagList &t = w.tags();
        const char *highway = t["highway"];
        if (!highway || !speeds.count(highway) || is(t["area"], "yes") || carAccess(t) == 0)
            return;
        double kmh = speeds.at(highway);
        // maxspeed: a plain decimal, km/h or mph, from 1 to 300 km/h; anything else: the class's.
        if (const char *max = t["maxspeed"]) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^ *([0-9]{1,6}(\\.[0-9]*)?) *(km/h|kmh|mph)?$"))
                    .match(QString::fromUtf8(max));
            if (m.hasMatch()) {
                const double v = m.captured(1).toDouble() * (m.captured(3) == "mph" ? 1.609344 : 1);
                if (v >= 1 && v <= 300)
                    kmh = v;
            }
        }
        const char *oneway = t["oneway"];
        int way = is(highway, "motorway") || is(t["junction"], "roundabout") ||
                          is(t["junction"], "circular")
                      ? 1
                      : 0;
        if (is(oneway, "yes") || is(oneway, "1") || is(oneway, "true"))
            way = 1;
        else if (is(oneway, "-1") || is(oneway, "reverse"))
            way = -1;
        else if (is(oneway, "no") || is(oneway, "0") || is(oneway, "false"))
            way = 0;
        Road road{{}, kmh, way};
        for (const osmium::NodeRef &r : w.nodes())
            road.ids.push_back(r.ref());
        roads.push_back(std::move(road));
    }
    // The arcs, once every node is known (ways may come before their nodes in XML).
    void finish()
    {
        for (const Road &road : roads)
            for (std::size_t k = 0; k + 1 < road.ids.size(); ++k) {
                const std::int64_t a = road.ids[k], b = road.ids[k + 1];
                if (a == b || barriers.count(a) || barriers.count(b) || !at.count(a) ||
                    !at.count(b))
                    continue;
                const auto [lat1, lon1] = at[a];
                const auto [lat2, lon2] = at[b];
                const double rad = M_PI / 180, dLat = (lat2 - lat1) * rad,
                             dLon = (lon2 - lon1) * rad;
                const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                                 std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) *
                                     std::sin(dLon / 2);
                const double km = 2 * 6371.0088 * std::asin(std::min(1.0, std::sqrt(h)));
                const double minutes = km / road.kmh * 60;
                const int from = g.of(a), to = g.of(b);
                if (road.oneway >= 0)
                    g.out[std::size_t(from)].emplace_back(to, minutes);
                if (road.oneway <= 0)
                    g.out[std::size_t(to)].emplace_back(from, minutes);
            }
    }

private:
    static bool is(const char *value, const char *what)
    {
        return value && std::strcmp(value, what) == 0;
    }
    // The most particular of motorcar, motor_vehicle, vehicle, access: 1 open, 0 closed, -1 none.
    static int carAccess(const osmium::TagList &t)
    {
        for (const char *key : {"motorcar", "motor_vehicle", "vehicle", "access"})
            if (const char *v = t[key])
                return is(v, "no") || is(v, "private") || is(v, "agricultural") ||
                               is(v, "forestry") || is(v, "delivery")
                           ? 0
                           : 1;
        return -1;
    }
    ReferenceGraph &g;
};

ReferenceGraph referenceGraph(const QString &extract)
{
    ReferenceGraph g;
    ReferenceReader reader(&g);
    osmium::io::Reader in(extract.toStdString(),
                          osmium::osm_entity_bits::node | osmium::osm_entity_bits::way);
    osmium::apply(in, reader);
    in.close();
    reader.finish();
    return g;
}

// Plain Dijkstra on the reference graph: minutes from the node of OSM id `from` to every node.
std::vector<double> referenceTimes(ReferenceGraph &g, std::int64_t from)
{
    std::vector<double> dist(g.out.size(), kInf);
    const auto it = g.node.find(from);
    if (it == g.node.end())
        return dist;
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    dist[std::size_t(it->second)] = 0;
    queue.push({0, it->second});
    while (!queue.empty()) {
        const auto [d, v] = queue.top();
        queue.pop();
        if (d > dist[std::size_t(v)])
            continue;
        for (const auto &[w, minutes] : g.out[std::size_t(v)])
            if (d + minutes < dist[std::size_t(w)]) {
                dist[std::size_t(w)] = d + minutes;
                queue.push({d + minutes, w});
            }
    }
    return dist;
}

// GPS driving on the road graph written beside the network (`dir`), checked against the raw
// graph: from place i to place j, each direction apart, the time of the fastest drive
// (`road[i]`, roadTimes from i's node; `reference[i]`, by the rules alone) to the arcs'
// rounding, a line of arcs the graph has, km its length, legs that add up, and the OSM node of
// each end. Every ordered pair, or `sample` random ones from the places `reference` has rows
// for; every other one on the network opened again from its image, with its hierarchy.
// Returns the drives checked.
int checkDrives(const QString &dir, const osmnet::Network &osm,
                const std::vector<std::vector<double>> &road, const std::vector<double> &arcKm,
                const std::vector<std::vector<double>> &reference, int sample)
{
    Network plain, quick;
    QStringList said;
    if (plain.load(dir, &said) != Network::Load::Ok || !plain.roadNodes() || !said.isEmpty())
        return -1;
    // The other opened from its image (kept by the first opening), with its hierarchy.
    QTemporaryDir images;
    Network::Cache cache;
    cache.folder = images.path();
    cache.smallest = 0;
    cache.hierarchyFrom = 0;
    bool fromImage = true;
    cache.fromImage = &fromImage;
    QList<Network::Stage> stages; // (the window's loading label tells them)
    cache.stage = [&stages](Network::Stage stage) { stages << stage; };
    if (Network().load(dir, nullptr, cache) != Network::Load::Ok || fromImage ||
        !stages.contains(Network::Stage::RoadGraph) ||
        quick.load(dir, &said, cache) != Network::Load::Ok || !fromImage || !said.isEmpty())
        return -1;
    if (!quick.hierarchy() || !quick.roadNodes())
        return -2;
    const osmnet::RoadGraph &g = osm.graph;
    const int n = int(osm.places.size());
    RouteFinder plainFinder(plain), quickFinder(quick);
    QRandomGenerator rng(11);
    const long long count = sample > 0 ? sample : (long long)n * n;
    int checked = 0;
    for (long long k = 0; k < count; ++k) {
        const int i = sample > 0 ? int(rng.bounded(int(reference.size()))) : int(k / n);
        const int j = sample > 0 ? int(rng.bounded(n)) : int(k % n);
        const osmnet::Place &a = osm.places[std::size_t(i)], &b = osm.places[std::size_t(j)];
        if (i == j || a.name == b.name)
            continue;
        const double want = road[std::size_t(i)][std::size_t(b.node)];
        // The README's rules, applied to the extract by the test itself.
        const double rules = reference[std::size_t(i)][std::size_t(j)];
        const bool useQuick = k % 2 == 1;
        const Network &net = useQuick ? quick : plain;
        RouteFinder &finder = useQuick ? quickFinder : plainFinder;
        const PlannedRoute route = planRoute(net, finder, {a.name, b.name});
        const auto fail = [&](const QString &what) {
            qWarning("%s -> %s (%s): %s", qPrintable(a.name), qPrintable(b.name),
                     useQuick ? "hierarchy" : "plain search", qPrintable(what));
            return -3;
        };
        if (route.path.size() < 2 || route.path.front() != net.lastIndexOf(a.name) ||
            route.path.back() != net.lastIndexOf(b.name) ||
            route.legs.size() + 1 != route.path.size())
            return fail(QStringLiteral("not a route from one to the other"));
        double total = 0, km = 0;
        for (std::size_t l = 0; l < route.legs.size(); ++l) {
            total += route.legs[l];
            km += route.shape.legKm[l];
        }
        if (want == kInf || rules == kInf) {
            if (total != kInf || rules != kInf ||
                finder.time(route.path.front(), route.path.back()) != kInf)
                return fail(QStringLiteral("%1 min, the roads say %2 (the rules %3)")
                                .arg(total)
                                .arg(want)
                                .arg(rules));
            continue;
        }
        // The drive itself, arc by arc on the raw graph: its time and length.
        const std::vector<int> nodes = finder.drives().nodes(route.path.front(), route.path.back());
        if (nodes.empty() || nodes.front() != a.node || nodes.back() != b.node)
            return fail(QStringLiteral("the drive does not run from node to node"));
        double driven = 0, length = 0;
        for (std::size_t p = 1; p < nodes.size(); ++p) {
            double best = kInf, bestKm = 0;
            const auto v = std::size_t(nodes[p - 1]);
            for (std::int64_t arc = g.out[v]; arc < g.out[v + 1]; ++arc)
                if (g.to[std::size_t(arc)] == nodes[p] && g.minutes[std::size_t(arc)] < best) {
                    best = g.minutes[std::size_t(arc)];
                    bestKm = arcKm[std::size_t(arc)];
                }
            if (best == kInf)
                return fail(QStringLiteral("no arc from node %1 to %2").arg(v).arg(nodes[p]));
            driven += best;
            length += bestKm;
        }
        // Each arc's time is kept to the millisecond and its length to the centimetre.
        const double arcs = double(nodes.size() - 1);
        if (std::abs(total - want) > arcs * 0.5 / 60000 + 1e-9 ||
            std::abs(total - rules) > arcs * 0.5 / 60000 + 1e-6 * std::max(1.0, rules) ||
            std::abs(driven - want) > 1e-6 * std::max(1.0, want) ||
            std::abs(km - length) > arcs * 0.5e-5 + 1e-9)
            return fail(
                QStringLiteral("%1 min / %2 km, the roads say %3 min (this drive %4, the rules %5) "
                               "/ %6 km")
                    .arg(total)
                    .arg(km)
                    .arg(want)
                    .arg(driven)
                    .arg(rules)
                    .arg(length));
        // The same time from every search: the table's, one route's.
        if (std::abs(finder.time(route.path.front(), route.path.back()) - total) >
            arcs * 0.5 / 60000 + 1e-9)
            return fail(QStringLiteral("the searches' time differs"));
        const std::vector<std::int64_t> &ids = route.shape.osmIds;
        if (ids.size() != route.path.size() || ids.front() != g.id[std::size_t(a.node)] ||
            ids.back() != g.id[std::size_t(b.node)])
            return fail(QStringLiteral("the ends' OSM nodes"));
        ++checked;
    }
    return checked;
}

// A valley: a main road west to east (41 nodes, 0.005 degree apart), villages A and C at its
// ends, and three villages V1 to V3 333 m north of it: the road runs through each one's
// 500 m, beyond a third of it, so each is joined to its own street, which leaves the main road
// eastwards out of the village and comes back in to it.
QByteArray valleyExtract()
{
    QStringList nodes, ways;
    QStringList main;
    for (int i = 0; i <= 40; ++i) {
        nodes << QStringLiteral("%1 45 %2").arg(i + 1).arg(5 + 0.005 * i, 0, 'f', 3);
        main << QString::number(i + 1);
    }
    ways << "1 " + main.join(u',') + " highway=primary;name=Valley road";
    nodes << "1001 45.0005 5.0 place=village;name=A"
          << "1002 45.0005 5.2 place=village;name=C";
    for (int k = 1; k <= 3; ++k) {
        const double lon = 5 + 0.05 * k;
        nodes << QStringLiteral("%1 45.002 %2").arg(100 + 2 * k).arg(lon + 0.008, 0, 'f', 4)
              << QStringLiteral("%1 45.003 %2").arg(101 + 2 * k).arg(lon + 0.0005, 0, 'f', 4)
              << QStringLiteral("%1 45.003 %2 place=village;name=V%3")
                     .arg(1010 + k)
                     .arg(lon, 0, 'f', 3)
                     .arg(k);
        ways << QStringLiteral("%1 %2,%3,%4 highway=residential")
                    .arg(1 + k)
                    .arg(1 + 10 * k)
                    .arg(100 + 2 * k)
                    .arg(101 + 2 * k);
    }
    return extract(nodes, ways);
}

// One main road west to east (lat 45, lon 5.00 to 5.30, a node every 0.005 degree) and what
// real regions have along it: towns T1 and T2 630 m apart (their areas overlap), a one-way
// pair (the main road eastwards only from 5.15 to 5.20, a slower street back westwards, a
// village P on the pair), a roundabout at 5.25 with a road north to village R, a village D at
// the end of a dead-end street south of 5.05, a shortcut from the main road to R's road closed
// by a bollard, and a switchback: between 5.02 and 5.04 the road leaves village S's area to
// the north and comes back.
QByteArray realShapesExtract()
{
    QStringList nodes, ways;
    const auto node = [&nodes](int id, double lat, double lon, const QString &tags = {}) {
        nodes << QStringLiteral("%1 %2 %3 %4")
                     .arg(id)
                     .arg(lat, 0, 'f', 5)
                     .arg(lon, 0, 'f', 5)
                     .arg(tags)
                     .trimmed();
    };
    // The main road's nodes: id 1 + k at lon 5 + 0.005 k; the switchback's three nodes and the
    // roundabout's four replace some.
    for (int k = 0; k <= 60; ++k)
        node(1 + k, 45, 5 + 0.005 * k);
    node(201, 45.006, 5.025); // the switchback, 670 m north
    node(202, 45.006, 5.035);
    node(211, 44.998, 5.20); // the one-way street back, 220 m south
    node(212, 44.998, 5.15);
    node(221, 45.0004, 5.25); // the roundabout around node 51 (lon 5.25)
    node(222, 45, 5.2505);
    node(223, 44.9996, 5.25);
    node(224, 45, 5.2495);
    node(231, 45.005, 5.25); // R's road north
    node(232, 45.01, 5.25);
    node(241, 44.995, 5.05); // D's dead end
    node(242, 44.99, 5.05);
    node(251, 45.0025, 5.235, "barrier=bollard"); // the closed shortcut
    node(1001, 45.0005, 5.0, "place=village;name=A");
    node(1002, 45.0005, 5.3, "place=village;name=C");
    node(1003, 45.0005, 5.10, "place=town;name=T1");
    node(1004, 45.0005, 5.1085, "place=town;name=T2");
    node(1005, 45.0005, 5.175, "place=village;name=P");
    node(1006, 45.0101, 5.2501, "place=village;name=R");
    node(1007, 44.9901, 5.0501, "place=village;name=D");
    node(1008, 45.0005, 5.03, "place=village;name=S");
    const auto refs = [](int from, int to) {
        QStringList r;
        for (int k = from; k <= to; ++k)
            r << QString::number(k);
        return r.join(u',');
    };
    ways << "1 " + refs(1, 5) + ",201,202," + refs(9, 31) + " highway=primary"
         << "2 " + refs(31, 41) + " highway=primary;oneway=yes"
         << "3 41,211,212,31 highway=residential;oneway=yes"
         << "4 " + refs(41, 50) + ",224 highway=primary"
         << "5 224,221,222,223,224 highway=primary;junction=roundabout"
         << "6 222," + refs(52, 61) + " highway=primary"
         << "7 221,231,232 highway=secondary"
         << "8 11,241,242 highway=residential"
         << "9 48,251,231 highway=residential";
    return extract(nodes, ways);
}

// A grid of road nodes (jittered), rows and columns as ways of mixed classes and speeds, some
// one-way when asked; places beside random nodes. The road nodes' ids row by row, or shuffled
// (as a real extract's: in the order the map was drawn), the grid the same.
QByteArray gridExtract(int side, int placeCount, bool oneWays, quint32 seed, bool shuffled = false)
{
    QRandomGenerator rng(seed);
    QStringList nodes, ways;
    std::vector<int> ids(static_cast<std::size_t>(side * side));
    std::iota(ids.begin(), ids.end(), 1);
    if (shuffled)
        std::shuffle(ids.begin(), ids.end(), QRandomGenerator(seed + 1));
    auto id = [&](int r, int c) { return ids[std::size_t(r * side + c)]; };
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            nodes << QStringLiteral("%1 %2 %3")
                         .arg(id(r, c))
                         .arg(45 + r * 0.005 + rng.bounded(1000) * 1e-6, 0, 'f', 7)
                         .arg(5 + c * 0.007 + rng.bounded(1000) * 1e-6, 0, 'f', 7);
    const char *classes[] = {"motorway",    "primary",      "secondary",   "tertiary",
                             "residential", "unclassified", "primary_link"};
    int wayId = 1;
    auto addWay = [&](QStringList refs) {
        QString tags = QStringLiteral("highway=%1").arg(classes[rng.bounded(7)]);
        if (rng.bounded(4) == 0)
            tags += QStringLiteral(";maxspeed=%1").arg(20 + rng.bounded(100));
        if (rng.bounded(6) == 0)
            tags += QStringLiteral(";maxspeed=%1 mph").arg(15 + rng.bounded(50));
        if (!tags.contains("motorway"))
            tags += oneWays && rng.bounded(5) == 0 ? ";oneway=yes" : ";oneway=no";
        else if (!oneWays)
            tags += ";oneway=no";
        ways << QStringLiteral("%1 %2 %3").arg(wayId++).arg(refs.join(u',')).arg(tags);
    };
    for (int r = 0; r < side; ++r)
        for (int from = 0; from + 1 < side;) {
            const int to = std::min(side - 1, from + 1 + int(rng.bounded(6)));
            QStringList refs;
            for (int c = from; c <= to; ++c)
                refs << QString::number(id(r, c));
            addWay(refs);
            from = to;
        }
    for (int c = 0; c < side; ++c)
        for (int from = 0; from + 1 < side;) {
            const int to = std::min(side - 1, from + 1 + int(rng.bounded(6)));
            QStringList refs;
            for (int r = from; r <= to; ++r)
                refs << QString::number(id(r, c));
            addWay(refs);
            from = to;
        }
    for (int p = 0; p < placeCount; ++p) {
        const int r = int(rng.bounded(side)), c = int(rng.bounded(side));
        nodes << QStringLiteral("%1 %2 %3 place=village;name=P%4")
                     .arg(10'000'000 + p)
                     .arg(45 + r * 0.005 + 0.0003, 0, 'f', 7)
                     .arg(5 + c * 0.007, 0, 'f', 7)
                     .arg(p);
    }
    return extract(nodes, ways);
}

// Towns shaped like real ones, `side` x `side` of them 5.5 km apart: each a grid of 5 x 5
// streets (165 m apart) whose middle street each way is a main road on to the next town; the
// place's node stands off those roads, on a square by the crossing. Some main roads between
// towns are missing, some faster; every fifth place is a town, the others villages.
QByteArray townsExtract(int side, quint32 seed)
{
    QRandomGenerator rng(seed);
    QStringList nodes, ways;
    auto node = [](int t, int i, int j) { return t * 100 + i * 5 + j + 1; };
    std::vector<std::pair<double, double>> centre;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const int t = r * side + c;
            const double lat = 45 + r * 0.05 + rng.bounded(100) * 1e-4 - 0.005;
            const double lon = 5 + c * 0.07 + rng.bounded(100) * 1e-4 - 0.005;
            centre.emplace_back(lat, lon);
            for (int i = 0; i < 5; ++i)
                for (int j = 0; j < 5; ++j)
                    nodes << QStringLiteral("%1 %2 %3")
                                 .arg(node(t, i, j))
                                 .arg(lat + (i - 2) * 0.0015, 0, 'f', 7)
                                 .arg(lon + (j - 2) * 0.0021, 0, 'f', 7);
            nodes << QStringLiteral("%1 %2 %3 place=%4;name=T%5")
                         .arg(20'000'000 + t)
                         .arg(lat + 0.0004, 0, 'f', 7)
                         .arg(lon + 0.0003, 0, 'f', 7)
                         .arg(t % 5 == 0 ? "town" : "village")
                         .arg(t);
        }
    int wayId = 1, rural = 10'000'000;
    for (int t = 0; t < side * side; ++t)
        for (int k = 0; k < 5; ++k) {
            QStringList row, column;
            for (int m = 0; m < 5; ++m) {
                row << QString::number(node(t, k, m));
                column << QString::number(node(t, m, k));
            }
            const char *street = k == 2 ? "secondary" : "residential";
            ways << QStringLiteral("%1 %2 highway=%3").arg(wayId).arg(row.join(u',')).arg(street);
            ways << QStringLiteral("%1 %2 highway=%3")
                        .arg(wayId + 1)
                        .arg(column.join(u','))
                        .arg(street);
            wayId += 2;
        }
    // Main roads to the town east and the town north, through three nodes of country road.
    const auto join = [&](int from, int to) {
        if (rng.bounded(10) == 0)
            return; // none there: a detour
        QStringList refs{QString::number(from)};
        const QStringList a = nodes[((from - 1) / 100) * 26 + ((from - 1) % 100)].split(u' ');
        const QStringList b = nodes[((to - 1) / 100) * 26 + ((to - 1) % 100)].split(u' ');
        for (int k = 1; k <= 3; ++k) {
            nodes << QStringLiteral("%1 %2 %3")
                         .arg(rural)
                         .arg(a[1].toDouble() + (b[1].toDouble() - a[1].toDouble()) * k / 4, 0, 'f',
                              7)
                         .arg(a[2].toDouble() + (b[2].toDouble() - a[2].toDouble()) * k / 4, 0, 'f',
                              7);
            refs << QString::number(rural++);
        }
        refs << QString::number(to);
        ways << QStringLiteral("%1 %2 highway=%3")
                    .arg(wayId++)
                    .arg(refs.join(u','))
                    .arg(rng.bounded(3) == 0 ? "primary" : "secondary");
    };
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const int t = r * side + c;
            if (c + 1 < side)
                join(node(t, 2, 4), node(t + 1, 2, 0));
            if (r + 1 < side)
                join(node(t, 4, 2), node(t + side, 0, 2));
        }
    return extract(nodes, ways);
}

} // namespace

class TestOsm : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test data");
        return f.fileName();
    }

    struct Run
    {
        int code;
        QString err;
    };
    Run gpsnet(const QStringList &args)
    {
        QProcess p;
        p.start(GPSNET_PATH, args);
        if (!p.waitForFinished(120000))
            qFatal("gpsnet did not finish");
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    }

    static QString read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // What is kept of small extracts, and the times between places.
    void placesAndRoads_data()
    {
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QStringList>("ways");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("cities"); // villes.csv's names, a line each
        QTest::addColumn<QString>("roads");  // temps.csv
        QTest::addColumn<QString>("said");   // contained in what gpsnet says
        QTest::newRow("a road at 60 km/h: only neighbours are joined")
            << line() << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        // B's node 50 m up a side road: a route from A to C through B is charged 0.1 min more
        // than the drive (1.4 %), so A and C are joined directly too.
        QTest::newRow("a town passed off its node: a road past it")
            << line({"11 45.00045 5.04"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 5,11 highway=primary;maxspeed=60"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,3.195\nA,C,7.076\nB,C,3.981\n"
            << "";
        // The same road whatever order the extract's ids give its nodes (they follow the
        // mapping's history, not the road).
        QTest::newRow("the same road, its nodes' ids from east to west")
            << line({}, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1})
            << QStringList{"1 10,9,8,7,6,5,4,3,2,1 highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        QTest::newRow("the same road, its nodes' ids in no order")
            << line({}, {7, 3, 10, 1, 9, 2, 8, 5, 4, 6})
            << QStringList{"1 6,4,5,8,2,9,1,10,3,7 highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        // As a car router reads the map: the most particular of motorcar, motor_vehicle,
        // vehicle and access decides; a barrier that stops cars cuts the road at its node.
        const auto barrier = [](const QString &tags) {
            QStringList nodes = line();
            nodes[6] = "7 45 5.06 " + tags; // between B and C
            return nodes;
        };
        for (const char *closed : {"vehicle=agricultural", "motor_vehicle=forestry",
                                   "access=delivery", "motorcar=private;access=yes"})
            QTest::addRow("%s: not driven", closed)
                << line()
                << QStringList{"1 1,2,3,4,5 highway=primary;maxspeed=60;" + QString(closed),
                               "2 5,6,7,8,9,10 highway=primary;maxspeed=60"}
                << QStringList{} << "B\nC\n"
                << "B,C,3.931\n"
                << "was left out: A";
        QTest::newRow("access=no, motorcar=yes: driven")
            << line()
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60;access=no;motorcar=yes"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        QTest::newRow("a bollard cuts the road")
            << barrier("barrier=bollard")
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\n"
            << "1 road node has a barrier that stops cars";
        QTest::newRow("a locked gate too")
            << barrier("barrier=gate;locked=yes")
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\n"
            << "";
        for (const char *open : {"barrier=gate", "barrier=bollard;motor_vehicle=yes"})
            QTest::addRow("%s: passed", open)
                << barrier(open) << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"}
                << QStringList{} << "A\nB\nC\n"
                << "A,B,3.145\nB,C,3.931\n"
                << "";
        QTest::newRow("a place on a street that leads nowhere is said")
            << line({"201 45.02 5.00", "202 45.02 5.005", "203 45.0203 5.0 place=village;name=D"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,202 highway=residential"}
            << QStringList{} << "A\nB\nC\nD\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "1 place gets no road to any other (its road node leads nowhere both ways): D";
        // In a region (a road of 200 nodes and more), a place by a street cut off from its
        // roads is joined instead to the nearest road that leads out and back, and said.
        {
            QStringList nodes, main;
            for (int i = 0; i < 210; ++i) {
                nodes << QStringLiteral("%1 45 %2").arg(i + 1).arg(5 + 0.001 * i, 0, 'f', 3);
                main << QString::number(i + 1);
            }
            nodes << "1001 45.0005 5.0 place=village;name=A"
                  << "1002 45.0005 5.209 place=village;name=B"
                  << "301 45.0035 5.1"
                  << "302 45.0035 5.101"
                  << "1003 45.004 5.1 place=village;name=D";
            QTest::newRow("a place by a street cut off from the region")
                << nodes
                << QStringList{"1 " + main.join(u',') + " highway=primary;maxspeed=60",
                               "2 301,302 highway=residential"}
                << QStringList{} << "A\nB\nD\n"
                << "A,D,7.863\nB,D,8.57\n"
                << "1 place stands by a street cut off from the region's roads: joined instead "
                   "to the nearest road that leads out and back: D (0.44 km)";
        }
        // A place mapped as a closed way counts, at its centre; mapped twice (its node inside
        // its outline), once.
        const QStringList outline{"201 45.002 5.06", "202 45.002 5.07", "203 45.004 5.07",
                                  "204 45.004 5.06"};
        QTest::newRow("a village mapped as an area")
            << line(outline)
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,202,203,204,201 place=village;name=D"}
            << QStringList{} << "D\nA\nB\nC\n"
            << "D,B,1.573\nD,C,2.359\nA,B,3.145\n" // between B and C, as B to C was
            << "4 places joined";
        QTest::newRow("a village mapped as an area and a node")
            << line(outline + QStringList{"105 45.0031 5.066 place=village;name=D"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,202,203,204,201 place=village;name=D"}
            << QStringList{} << "A\nB\nC\nD\n"
            << "A,B,3.145\nB,D,2.359\nC,D,1.573\n"
            << "4 places joined";
        // A multipolygon of two open ways: at its corners' mean.
        QTest::newRow("a village mapped as a multipolygon")
            << line(outline)
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60", "301 201,202,203",
                           "302 203,204,201", "r7 301,302 type=multipolygon;place=village;name=E"}
            << QStringList{} << "E\nA\nB\nC\n"
            << "E,B,1.573\nE,C,2.359\nA,B,3.145\n"
            << "4 places joined";
        // An outline that crosses itself (a bow tie, its lobes nearly alike): its centre within
        // the outline's box, at its corners' mean.
        QTest::newRow("a village outlined as a bow tie")
            << line(outline + QStringList{"205 45.00401 5.06"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,203,202,205,201 place=village;name=D"}
            << QStringList{} << "D\nA\nB\nC\n"
            << "D,B,1.573\nD,C,2.359\nA,B,3.145\n"
            << "4 places joined";
        // The same name far from the outline is another place (told apart by a number).
        QTest::newRow("an area and a node of its name elsewhere")
            << line(outline + QStringList{"105 45.0005 5.0 place=village;name=D"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,202,203,204,201 place=village;name=D"}
            << QStringList{} << "D\nA\nB\nC\nD 2\n"
            << "D,B,1.573\nD,C,2.359\nA,B,3.145\nA,D 2,0.01\n" // D 2 at A's node
            << "5 places joined";
        QTest::newRow("junction=circular is one way")
            << line() << QStringList{"1 " + kAll + " highway=primary;maxspeed=60;junction=circular"}
            << QStringList{} << "A\nB\nC\n"
            << ""
            << "joined one way only";
        QTest::newRow("the class's speed, and maxspeed in mph")
            << line()
            << QStringList{"1 1,2,3,4,5 highway=residential",
                           "2 5,6,7,8,9,10 highway=primary;maxspeed=30 mph"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,6.29\nB,C,4.886\n"
            << "";
        // A maxspeed no car drives at, or not written as a plain decimal, is the class's: no
        // road of 45 million minutes, none of infinite time silently dropped.
        for (const char *speed : {"0.000001", "1e-320", "0x1E", "-50", "0", "301", "60 knots",
                                  "1e2", "60 mphx", "inf", "nan"})
            QTest::addRow("maxspeed=%s: the class's speed", speed)
                << line() << QStringList{"1 " + kAll + " highway=primary;maxspeed=" + speed}
                << QStringList{} << "A\nB\nC\n"
                << "A,B,2.359\nB,C,2.949\n"
                << "";
        QTest::newRow("maxspeed in decimals")
            << line() << QStringList{"1 " + kAll + " highway=primary;maxspeed=60.0 km/h"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        QTest::newRow("a node off the Earth: said as such, not as missing")
            << line({"77 95 5.045"})
            << QStringList{"1 1,2,3,4,5,77,6,7,8,9,10 highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\n"
            << "1 road node or place has a position off the Earth";
        QTest::newRow("across 180°: a place 55 m from its road, on the other side")
            << QStringList{"1 45 -179.9998",
                           "2 45 -179.99",
                           "3 45 -179.97",
                           "4 45 -179.95",
                           "101 45.0003 179.9995 place=town;name=A",
                           "102 45.0005 -179.95 place=town;name=B"}
            << QStringList{"1 1,2,3,4 highway=primary"} << QStringList{} << "A\nB\n"
            << "A,B,2.937\n"
            << "2 places joined to a road";
        QTest::newRow("places of one kind")
            << line() << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"}
            << QStringList{"--places", "city"} << "C\n"
            << ""
            << "wrote 1 place and 0 roads"; // (counts and words agree)
        QTest::newRow("a private shortcut, an area and a footway are not roads")
            << line({"11 45.001 5.02", "12 45.001 5.06"})
            << QStringList{"1 " + kAll + " highway=tertiary;maxspeed=30",
                           "2 1,11,12,5 highway=primary;access=private",
                           "3 1,11,12,5 highway=primary;area=yes", "4 1,11,12,5 highway=footway"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,6.29\nB,C,7.863\n"
            << "";
        QTest::newRow("a service road, when asked for")
            << line() << QStringList{"1 " + kAll + " highway=service;maxspeed=60"}
            << QStringList{"--service"} << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        QTest::newRow("one way: the slower direction's time")
            << line({"11 45.01 5.04"})
            << QStringList{"1 1,2,3,4,5 highway=primary;maxspeed=60;oneway=yes",
                           "2 5,11,1 highway=primary;maxspeed=60",
                           "3 5,6,7,8,9,10 highway=primary;maxspeed=60"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,4.448\nB,C,3.931\n"
            << "one-way roads";
        QTest::newRow("one way only: no road")
            << line()
            << QStringList{"1 1,2,3,4,5 highway=primary;maxspeed=60;oneway=-1",
                           "2 5,6,7,8,9,10 highway=primary;maxspeed=60"}
            << QStringList{} << "A\nB\nC\n"
            << "B,C,3.931\n"
            << "1 pair of places is joined one way only";
        QTest::newRow("a place far from any road")
            << line({"104 46 6 place=village;name=Far"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "1 place lies farther than 2 km from a road and was left out: Far";
        // Near a road no car may stop on or reach: said so, not "far from a road".
        QTest::newRow("a place by a motorway alone")
            << line({"201 46 6", "202 46 6.02", "104 46.0001 6.01 place=village;name=M"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,202 highway=motorway"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "1 place has only a motorway within 2 km (a car cannot stop on one) and was left "
               "out: M";
        QTest::newRow("a place whose street is barred at every node")
            << line({"201 46 6 barrier=bollard", "202 46 6.002 barrier=bollard",
                     "104 46.0001 6.001 place=village;name=K"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60",
                           "2 201,202 highway=residential"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "1 place has only roads closed to cars by barriers within 2 km and was left out: K";
        QTest::newRow("names shared: the region, then a number")
            << line({"104 45.0005 5.02 place=village;name=A;is_in:state=North",
                     "105 45.0005 5.03 place=village;name=A;is_in:state=North",
                     "106 45.0005 5.06 place=village;name=B, the second"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\nA (North)\nA (North) 2\nB the second\n"
            << "A,A (North),1.573\nB,A (North) 2,0.786\nB,B the second,1.573\nC,B the second,"
               "2.359\nA (North),A (North) 2,0.786\n"
            << "3 places share their name";
        QTest::newRow("a name of spaces")
            << line({"104 45.0005 5.02 place=village;name=   "})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\n"
            << "A,B,3.145\nB,C,3.931\n"
            << "";
        // Places at one node: the first stands for them, the others joined to it alone, so
        // that roads stay as many as the places (3,000 at a node once made 4.5 million).
        QTest::newRow("two places at one node")
            << line({"104 45.0005 5.0001 place=village;name=D"})
            << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"} << QStringList{}
            << "A\nB\nC\nD\n"
            << "A,B,3.145\nA,D,0.01\nB,C,3.931\n"
            << "";
        QStringList crowd;
        QString crowdNames = "A\nB\nC\n", crowdRoads = "A,B,3.145\n";
        for (int k = 0; k < 200; ++k) {
            crowd << QStringLiteral("%1 45.0005 5.0401 place=village;name=P%2").arg(200 + k).arg(k);
            crowdNames += QStringLiteral("P%1\n").arg(k);
        }
        crowdRoads += "B,C,3.931\n";
        for (int k = 0; k < 200; ++k)
            crowdRoads += QStringLiteral("B,P%1,0.01\n").arg(k);
        QTest::newRow("200 places at one node: 202 roads")
            << line(crowd) << QStringList{"1 " + kAll + " highway=primary;maxspeed=60"}
            << QStringList{} << crowdNames << crowdRoads << "";
        QTest::newRow("ways naming nodes the extract lacks")
            << line() << QStringList{"1 1,2,3,4,5,77,6,7,8,9,10 highway=primary;maxspeed=60"}
            << QStringList{} << "A\nB\nC\n"
            << "A,B,3.145\n"
            << "1 way names nodes the extract does not hold";
    }

    void placesAndRoads()
    {
        QFETCH(QStringList, nodes);
        QFETCH(QStringList, ways);
        QFETCH(QStringList, options);
        QFETCH(QString, cities);
        QFETCH(QString, roads);
        QFETCH(QString, said);
        const QString in = file("small.osm", extract(nodes, ways));
        const QString out = dir.filePath(QTest::currentDataTag());
        const Run run = gpsnet(QStringList{"osm", in, out} + options);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        QStringList names;
        for (const QString &l : read(out + "/villes.csv").split('\n', Qt::SkipEmptyParts).mid(1))
            names << l.section(u',', 1, 1);
        QCOMPARE(names.join('\n') + '\n', cities);
        QCOMPARE(read(out + "/temps.csv"), roads);
        // GPS reads what was written, without a word.
        Network net;
        QStringList messages;
        QCOMPARE(net.load(out, &messages), Network::Load::Ok);
        QCOMPARE(messages, QStringList());
    }

    // The network of places keeps the road graph's fastest times: for every pair of a small
    // extract and random pairs of a larger one, without one-way roads; with them, each road
    // written is the slower direction's fastest time.
    void timesAreTheRoadGraphs_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("places");
        QTest::addColumn<bool>("oneWays");
        QTest::addColumn<int>("pairs");     // 0: all
        QTest::addColumn<bool>("shuffled"); // also with the road nodes' ids shuffled: same files
        QTest::addColumn<QString>("real");  // a real extract (side 0), and its place kinds
        QTest::addColumn<QString>("kinds");
        QTest::newRow("small, every pair") << 25 << 40 << false << 0 << false << ""
                                           << "";
        QTest::newRow("small, one-way roads") << 25 << 40 << true << 0 << false << ""
                                              << "";
        QTest::newRow("larger, random pairs") << 120 << 400 << false << 3000 << false << ""
                                              << "";
        QTest::newRow("larger, one-way roads") << 120 << 400 << true << 0 << true << ""
                                               << "";
        // Real extracts (© OpenStreetMap contributors, ODbL; tests/data/README.md and
        // ../shared/osm/README.md): Monaco's hills, and a US region of suburbs with mph limits.
        QTest::newRow("Monaco, every pair")
            << 0 << 0 << true << 0 << false << GPS_TEST_DATA_DIR "/monaco.osm.pbf"
            << "";
        QTest::newRow("Monaco with suburbs and quarters, every pair")
            << 0 << 0 << true << 0 << false << GPS_TEST_DATA_DIR "/monaco.osm.pbf"
            << "city,town,village,hamlet,suburb,quarter";
        QTest::newRow("Harrisburg with hamlets and suburbs, every pair")
            << 0 << 0 << true << 0 << false << GPS_TEST_DATA_DIR "/harrisburg.osm.pbf"
            << "city,town,village,hamlet,suburb";
        // Towns as real ones are shaped (a negative side): roads join neighbouring towns.
        QTest::newRow("12 x 12 towns, random pairs") << -12 << 144 << false << 3000 << false << ""
                                                     << "";
        QTest::newRow("20 x 20 towns, random pairs") << -20 << 400 << false << 3000 << false << ""
                                                     << "";
        // What real regions have, on one main road: towns whose areas overlap, a one-way pair,
        // a roundabout, a village on a dead-end street, a shortcut closed by a bollard, a
        // switchback out of a town and back.
        QTest::newRow("what real regions have, every pair")
            << 0 << 0 << true << 0 << false << "shapes"
            << "";
        // A valley road with villages just off it, whose streets leave their village and come
        // back in: once cut into islands (side -1).
        QTest::newRow("a valley, villages off its road, every pair")
            << -1 << 5 << false << 0 << false << ""
            << "";
    }

    void timesAreTheRoadGraphs()
    {
        QFETCH(int, side);
        QFETCH(int, places);
        QFETCH(bool, oneWays);
        QFETCH(int, pairs);
        QFETCH(bool, shuffled);
        QFETCH(QString, real);
        QFETCH(QString, kinds);
        const QString in =
            side == 0 && real == "shapes" ? file("shapes.osm", realShapesExtract())
            : side == 0                   ? real
            : side == -1                  ? file("valley.osm", valleyExtract())
            : side < 0
                ? file("towns.osm", townsExtract(-side, 3))
                : file("grid.osm", gridExtract(side, places, oneWays, quint32(side + places)));
        osmnet::Options options;
        options.threads = 2;
        options.nodeIds = true; // for the road graph written
        if (!kinds.isEmpty())
            options.placeKinds = kinds.split(u',');
        const osmnet::Network osm = osmnet::convert(in, options);
        QCOMPARE(osm.oneWayRoads, oneWays);
        // The same files whatever the threads did first.
        options.threads = 1;
        const osmnet::Network alone = osmnet::convert(in, options);
        QCOMPARE(osmnet::roadsCsv(alone), osmnet::roadsCsv(osm));
        QCOMPARE(osmnet::shapesCsv(alone), osmnet::shapesCsv(osm));
        if (shuffled) {
            const osmnet::Network other =
                osmnet::convert(file("shuffled.osm", gridExtract(side, places, oneWays,
                                                                 quint32(side + places), true)),
                                options);
            QCOMPARE(osmnet::roadsCsv(other), osmnet::roadsCsv(osm));
            QCOMPARE(osmnet::shapesCsv(other), osmnet::shapesCsv(osm));
        }
        const QString out = dir.filePath(QStringLiteral("grid-%1").arg(QTest::currentDataTag()));
        QString error;
        // The network of places alone (as --no-road-graph writes it), then with its road graph.
        QVERIFY2(osmnet::write(out, osm, &error, false), qPrintable(error));
        const QString driven = out + "-roads";
        QVERIFY2(osmnet::write(driven, osm, &error, true), qPrintable(error));
        QCOMPARE(readNetworkCredit(out).line, QStringLiteral("© OpenStreetMap contributors, ODbL"));
        Network net;
        QCOMPARE(net.load(out), Network::Load::Ok);
        const int n = int(osm.places.size());
        // The road graph written beside: its nodes, arcs, times to the millisecond, lengths to
        // the centimetre, and each place's node, as the conversion had them.
        RoadGraphFile file;
        QString why;
        QFile graphFile(driven + "/roadgraph.bin");
        QVERIFY(graphFile.open(QIODevice::ReadOnly));
        const QByteArray graphBytes = graphFile.readAll();
        QVERIFY2(file.read(graphBytes, &why), qPrintable(why));
        QCOMPARE(file.nodeCount(), osm.graph.nodeCount());
        QCOMPARE(file.to, osm.graph.to);
        QCOMPARE(file.first, osm.graph.out);
        QCOMPARE(int(file.placeNode.size()), n);
        for (int i = 0; i < n; ++i)
            QCOMPARE(file.placeNode[std::size_t(i)], osm.places[std::size_t(i)].node);
        const std::vector<double> lengths = arcLengths(osm.graph);
        for (std::size_t a = 0; a < file.to.size(); ++a) {
            QVERIFY(std::abs(file.ms[a] - double(osm.graph.minutes[a]) * 60000) <= 0.5);
            QVERIFY(std::abs(file.cm[a] - lengths[a] * 100000) <= 0.5);
        }
        for (int v = 0; v < file.nodeCount(); ++v)
            QVERIFY(std::abs(file.lat[std::size_t(v)] / 1e7 - osm.graph.lat[std::size_t(v)]) <=
                        0.5e-7 &&
                    std::abs(file.lon[std::size_t(v)] / 1e7 - osm.graph.lon[std::size_t(v)]) <=
                        0.5e-7);
        if (side == 0) { // a real extract's node ids, each once
            QSet<qint64> ids(file.osmId.begin(), file.osmId.end());
            QCOMPARE(ids.size(), file.nodeCount());
            QVERIFY(!ids.contains(0));
        }
        QVERIFY(n > places / 2);
        std::vector<int> position(static_cast<std::size_t>(n));
        std::vector<std::vector<double>> road(static_cast<std::size_t>(n)), roadKm = road;
        const std::vector<double> arcKm = arcLengths(osm.graph);
        for (int i = 0; i < n; ++i) {
            position[std::size_t(i)] = net.lastIndexOf(osm.places[std::size_t(i)].name);
            QVERIFY(position[std::size_t(i)] >= 0);
            road[std::size_t(i)] = roadTimes(osm.graph, osm.places[std::size_t(i)].node,
                                             &roadKm[std::size_t(i)], arcKm);
        }
        // Driven on the roads themselves, both ways apart: exactly the raw graph's drives.
        ReferenceGraph rules = referenceGraph(in);
        // (Sampled, the drives start from the first 50 places: a search from each is enough.)
        const bool sampled = n * n > 10000;
        std::vector<std::vector<double>> byRules(std::size_t(sampled ? std::min(n, 50) : n),
                                                 std::vector<double>(n, kInf));
        for (int i = 0; i < int(byRules.size()); ++i) {
            const std::vector<double> from =
                referenceTimes(rules, osm.graph.id[std::size_t(osm.places[std::size_t(i)].node)]);
            for (int j = 0; j < n; ++j) {
                const auto it =
                    rules.node.find(osm.graph.id[std::size_t(osm.places[std::size_t(j)].node)]);
                byRules[std::size_t(i)][std::size_t(j)] =
                    it == rules.node.end() ? kInf : from[std::size_t(it->second)];
            }
        }
        const int drives = checkDrives(driven, osm, road, arcKm, byRules, sampled ? 3000 : 0);
        QVERIFY2(drives > (side == 0 ? 10 : 15), qPrintable(QString::number(drives)));
        // Every road has its shape; a route's line is made of road nodes between its places.
        QCOMPARE(net.shapes().count(), int(osm.links.size()));
        QSet<std::pair<qint64, qint64>> nodes;
        const auto micro = [](double degrees) { return qint64(std::llround(degrees * 1e7)); };
        for (int v = 0; v < osm.graph.nodeCount(); ++v)
            nodes.insert(
                {micro(osm.graph.lat[std::size_t(v)]), micro(osm.graph.lon[std::size_t(v)])});
        double worstKm = 0;
        // Each road's length is its drive's: its shape, road nodes kept within a few metres of
        // the way, is as long to 2 %, and never longer.
        for (const osmnet::Link &l : osm.links) {
            double along = 0;
            for (std::size_t p = 2; p + 1 < l.shape.size(); p += 2)
                along +=
                    osmnet::distanceKm(l.shape[p - 2], l.shape[p - 1], l.shape[p], l.shape[p + 1]);
            QVERIFY2(along <= l.km + 1e-9 && along >= 0.98 * l.km - 0.005,
                     qPrintable(
                         QStringLiteral("%1 km along the shape, %2 driven").arg(along).arg(l.km)));
        }
        auto between = [&](int i, int j) {
            return road[std::size_t(i)][std::size_t(osm.places[std::size_t(j)].node)];
        };
        if (oneWays) {
            // Each road: the slower of the two directions' drives, to the last digit.
            QVERIFY(!osm.links.empty());
            for (const osmnet::Link &l : osm.links) {
                const double slower = std::max(between(l.a, l.b), between(l.b, l.a));
                QVERIFY(std::abs(l.minutes - slower) <= 1e-9);
            }
            if (side > 0)
                return;
        }
        RouteFinder finder(net);
        QRandomGenerator rng(7);
        const long long count = pairs > 0 ? pairs : (long long)n * n;
        int checked = 0;
        double worst = 0;
        for (long long k = 0; k < count; ++k) {
            const int i = pairs > 0 ? int(rng.bounded(n)) : int(k / n);
            const int j = pairs > 0 ? int(rng.bounded(n)) : int(k % n);
            if (i == j)
                continue;
            const double want = oneWays ? std::max(between(i, j), between(j, i)) : between(i, j);
            const std::vector<int> route =
                finder.route(position[std::size_t(i)], position[std::size_t(j)]);
            const double got = finder.time(position[std::size_t(i)], position[std::size_t(j)]);
            if (want == kInf) {
                QCOMPARE(got, kInf);
                continue;
            }
            // A place stands for its town: a route through one is charged the way to its node
            // and back, within 3 % or a minute; each road is rounded to a thousandth besides
            // (never under 0.01).
            const double rounding = 0.01 * double(route.size());
            worst = std::max(worst, (got - want) / std::max(want, 1.0 / 0.03));
            if (got > want + std::max(0.03 * want, 1.0) + rounding || got < want - rounding)
                QFAIL(qPrintable(
                    QStringLiteral("%1 -> %2: %3, the roads say %4")
                        .arg(osm.places[std::size_t(i)].name, osm.places[std::size_t(j)].name)
                        .arg(got)
                        .arg(want)));
            const RouteShape shape = routeShape(net, route);
            for (const std::vector<QPointF> &leg : shape.legLines)
                for (std::size_t p = 1; p + 1 < leg.size(); ++p)
                    QVERIFY(nodes.contains(
                        {micro(latitudeOfMapY(leg[p].y())), micro(longitudeOfMapX(leg[p].x()))}));
            // Leg after leg, the line goes on from where the last one ended.
            for (std::size_t k = 1; k < shape.legLines.size(); ++k)
                QCOMPARE(shape.legLines[k].front(), shape.legLines[k - 1].back());
            // Its length beside the fastest drive's: another way of about the same time may
            // be shorter or longer (measured, said; bound where places are towns).
            const double driveKm =
                roadKm[std::size_t(i)][std::size_t(osm.places[std::size_t(j)].node)];
            if (!oneWays && driveKm > 1) // (one way and back differ, as their times do)
                worstKm = std::max(worstKm, std::abs(shape.totalKm() - driveKm) / driveKm);
            ++checked;
        }
        QVERIFY(checked > (side == 0 ? 10 : side == -1 ? 15 : 100));
        if (side < 0)
            QVERIFY2(worstKm <= 0.02, qPrintable(QString::number(100 * worstKm)));
        qInfo("%d places, %d roads, worst error %.2f %% (of a minute under 33 min); km beside "
              "the fastest drive's, worst %.2f %%",
              n, int(osm.links.size()), 100 * worst, 100 * worstKm);
        // Every pair the roads join both ways was checked, and within the bound.
        QVERIFY(osm.checked.pairs > 0 || n < 2);
        QCOMPARE(osm.checked.left, 0);
        // On real regions, and towns shaped like them, roads join neighbouring places: as many
        // as the places, give or take. (Places on a regular grid of streets are not towns; in
        // suburbs and along a valley of villages off its road a route through a place is too
        // slow, and more pairs are joined directly.)
        if (side < -1 || (side == 0 && kinds.isEmpty()))
            QVERIFY2(osm.links.size() <= 3 * std::size_t(n),
                     qPrintable(QString::number(osm.links.size())));
    }

    // Names are made unique as GPS will read them: two names that differ only by characters
    // no file carries would read as one (and routes jump between their roads); a name of
    // commas would read as none, and its roads be passed over.
    // A place is joined to a node from which the region's roads lead out and back: not to a
    // street cut off from them, nor to a one-way street into a dead end. A handful of roads
    // (no region) is taken as it is.
    void joinedOnlyWhereTheRoadsLead_data()
    {
        QTest::addColumn<int>("ring"); // nodes of a ring road, both ways
        QTest::addColumn<bool>("apart");
        QTest::newRow("a region") << 300 << true;
        QTest::newRow("a handful of roads") << 12 << false;
    }

    void joinedOnlyWhereTheRoadsLead()
    {
        QFETCH(int, ring);
        QFETCH(bool, apart);
        // Then a street of two nodes that joins nothing, and a one-way spur of two nodes off the
        // ring that leads nowhere.
        std::vector<std::pair<int, int>> arcs;
        for (int v = 0; v < ring; ++v) {
            arcs.push_back({v, (v + 1) % ring});
            arcs.push_back({(v + 1) % ring, v});
        }
        const int street = ring, spur = ring + 2;
        arcs.push_back({street, street + 1});
        arcs.push_back({street + 1, street});
        arcs.push_back({0, spur});
        arcs.push_back({spur, spur + 1});
        osmnet::RoadGraph g;
        const int n = ring + 4;
        g.lat.assign(std::size_t(n), 45.0);
        g.lon.assign(std::size_t(n), 5.0);
        std::sort(arcs.begin(), arcs.end());
        g.out.assign(std::size_t(n) + 1, 0);
        for (const auto &[from, to] : arcs) {
            ++g.out[std::size_t(from) + 1];
            g.to.push_back(to);
            g.minutes.push_back(1.0);
            g.oneWay.push_back(0);
        }
        for (int v = 0; v < n; ++v)
            g.out[std::size_t(v) + 1] += g.out[std::size_t(v)];
        const std::vector<std::int32_t> parts = osmnet::detail::strongComponentSizes(g);
        QCOMPARE(parts[0], ring);
        QCOMPARE(parts[std::size_t(street)], 2);
        QCOMPARE(parts[std::size_t(spur)], 1);
        QCOMPARE(parts[std::size_t(spur) + 1], 1);
        const std::vector<char> joinable =
            osmnet::detail::joinableNodes(g, std::vector<float>(std::size_t(n), 50.0f));
        QVERIFY(joinable[0] == 2 && joinable[std::size_t(ring) - 1] == 2);
        for (const int v : {street, street + 1, spur, spur + 1}) // on a road, cut off or not
            QCOMPARE(int(joinable[std::size_t(v)]), apart ? 1 : 2);
    }

    // A way that zigzags 3 km across 80,000 times: simplified in time near its length (the
    // farthest-point split took 26 s), and its drive, longer than any road on Earth, left out
    // of shapes.csv (GPS would refuse the line) and said; the road itself is written.
    void aZigzagAcrossACountry()
    {
        QStringList nodes, refs;
        for (int i = 0; i < 80000; ++i) {
            nodes << QStringLiteral("%1 %2 %3")
                         .arg(i + 1)
                         .arg(45.0 + (i % 2) * 0.03 + i * 1e-7, 0, 'f', 7)
                         .arg(5.0 + i * 0.00001, 0, 'f', 7);
            refs << QString::number(i + 1);
        }
        nodes << "900001 45.0001 5 place=village;name=A"
              << "900002 45.0001 5.79999 place=village;name=B";
        const QString in =
            file("zigzag.osm", extract(nodes, {"1 " + refs.join(u',') + " highway=primary"}));
        const QString out = dir.filePath("zigzag");
        const Run run = gpsnet({"osm", in, out});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.contains("1 road's drive is longer than any road on Earth (100,000 km)"),
                 qPrintable(run.err));
        QVERIFY(read(out + "/temps.csv").startsWith("A,B,"));
        QCOMPARE(read(out + "/shapes.csv"), QStringLiteral("from,to,km,lat,lon,...\n"));
        Network net;
        QStringList messages;
        QCOMPARE(net.load(out, &messages), Network::Load::Ok);
        QCOMPARE(messages, QStringList());
    }

    // A cancel is heard wherever the conversion looks for one, in every stage and thread:
    // asked at the k-th look, for every k, the conversion stops there and returns nothing.
    void cancelIsHeardAtEveryLook()
    {
        const QString in = file("cancel.osm", townsExtract(5, 9));
        std::atomic<int> looks{0};
        osmnet::Options options;
        options.threads = 2;
        options.cancelled = [&looks] {
            ++looks;
            return false;
        };
        QVERIFY(!osmnet::convert(in, options).places.empty());
        const int all = looks;
        QVERIFY2(all >= 10, qPrintable(QString::number(all)));
        for (int k = 1; k <= all; k += std::max(1, all / 40)) {
            std::atomic<int> seen{0};
            options.cancelled = [&seen, k] { return ++seen >= k; };
            QVERIFY_THROWS_EXCEPTION(osmnet::Cancelled, osmnet::convert(in, options));
        }
    }

    void namesUniqueAsGpsReadsThem()
    {
        osmnet::Network net;
        int id = 0;
        for (const QString &name :
             {QStringLiteral("X\u0001"), QStringLiteral("X\u0002"), QStringLiteral(","),
              QStringLiteral("Lyon"), QStringLiteral("Ly,on"), QStringLiteral("X\uFFFD")}) {
            osmnet::Place p;
            p.id = ++id;
            p.name = name;
            net.places.push_back(p);
        }
        osmnet::detail::uniqueNames(&net);
        QStringList names;
        for (const osmnet::Place &p : net.places)
            names << p.name;
        QCOMPARE(names, QStringList({"X\uFFFD", "X\uFFFD 2", "Lyon", "Ly on", "X\uFFFD 3"}));
        QCOMPARE(net.unnamed, 1);
        // GPS reads them so: as many cities, said nothing of.
        const QString out = dir.filePath("names");
        QVERIFY(QDir().mkpath(out));
        file("names/villes.csv", osmnet::citiesCsv(net));
        file("names/temps.csv", "");
        Network read;
        QStringList messages;
        QCOMPARE(read.load(out, &messages), Network::Load::Ok);
        QCOMPARE(messages, QStringList());
        QCOMPARE(read.size(), 5);
        for (const QString &name : names)
            QCOMPARE(read.positionsOf(name).size(), std::size_t(1));

        // Forty thousand places of one name (one of them "Same 3" already), numbered in a
        // number of steps near their count (the square took minutes, past the test's limit).
        osmnet::Network many;
        for (int k = 0; k < 40000; ++k) {
            osmnet::Place p;
            p.id = k + 1;
            p.name = k == 5 ? QStringLiteral("Same 3") : QStringLiteral("Same");
            many.places.push_back(p);
        }
        osmnet::detail::uniqueNames(&many);
        QCOMPARE(many.places[0].name, QStringLiteral("Same"));
        QCOMPARE(many.places[1].name, QStringLiteral("Same 2"));
        QCOMPARE(many.places[2].name, QStringLiteral("Same 4")); // 3 is another's
        QCOMPARE(many.places[5].name, QStringLiteral("Same 3"));
        QCOMPARE(many.places.back().name, QStringLiteral("Same 40000"));
        QSet<QString> distinct;
        for (const osmnet::Place &p : many.places)
            distinct.insert(p.name);
        QCOMPARE(distinct.size(), 40000);
    }

    // Input that cannot make a network: said, with what was left out, and no folder half
    // written; a folder that is there is replaced whole or not at all.
    void badExtracts()
    {
        const QString osmium = QStandardPaths::findExecutable("osmium");
        const QString good = file("good.osm", extract(line(), {"1 " + kAll + " highway=primary"}));
        struct Case
        {
            const char *name;
            QString in;
            QString out;
            QString said;
        };
        const QString notAFolder = file("plain-file", "x");
        const QString fifo = dir.filePath("pipe.osm");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QList<Case> cases{
            {"not an OSM file", file("words.osm.pbf", "these are words, not a PBF"),
             dir.filePath("out-words"), "not an OSM extract (neither OSM XML"},
            {"a folder", dir.path(), dir.filePath("out-folder"), "a folder, not an OSM extract"},
            {"a pipe", fifo, dir.filePath("out-fifo"), "not an ordinary file"},
            {"a device", "/dev/zero", dir.filePath("out-device"), "not an ordinary file"},
            {"an empty file", file("empty.osm", ""), dir.filePath("out-empty"),
             "empty: not an OSM extract"},
            {"white space only", file("blank.osm", QByteArray(70000, '\n')),
             dir.filePath("out-blank"), "only white space"},
            {"xz",
             file("x.osm.xz", "\xfd"
                              "7zXZ\0\0\x04\xe6\xd6\xb4\x46"),
             dir.filePath("out-xz"), "compressed with xz (.osm.xz)"},
            {"ids near 2^63", file("huge-ids.osm", extract({"-9223372036854775000 45 5"}, {})),
             dir.filePath("out-huge"), "a node id of -9223372036854775000, beyond"},
            {"o5m", file("x.o5m", "\xff\xe0\x04o5m2\xff"), dir.filePath("out-o5m"), "in o5m"},
            {"broken XML", file("broken.osm", extract(line(), {}).left(120)),
             dir.filePath("out-broken"), "not a readable OSM extract (XML"},
            {"no such file", dir.filePath("none.osm"), dir.filePath("out-none"), "no such file"},
            {"no place at all",
             file("noplace.osm", extract(line().mid(0, 10), {"1 " + kAll + " highway=primary"})),
             dir.filePath("out-noplace"),
             "no place (city, town, village) near a road: nothing written"},
            {"a folder under a file", good, notAFolder + "/net", "cannot"},
        };
        if (!osmium.isEmpty()) {
            const QString pbf = dir.filePath("good.osm.pbf");
            QProcess convert;
            convert.start(osmium, {"cat", good, "-o", pbf, "-O"});
            QVERIFY(convert.waitForFinished(60000));
            QCOMPARE(convert.exitCode(), 0);
            QFile whole(pbf);
            QVERIFY(whole.open(QIODevice::ReadOnly));
            cases.append({"a truncated PBF", file("cut.osm.pbf", whole.readAll().chopped(40)),
                          dir.filePath("out-cut"), "not a readable OSM extract (PBF"});
            // Ids whose deltas overflow in the PBF (the reader's sums wrap): refused, said.
            const QString huge = file(
                "huge.osm", extract({"-9223372036854775000 45 5", "9223372036854775000 45 5.01"},
                                    {"1 -9223372036854775000,"
                                     "9223372036854775000 highway=primary"}));
            const QString hugePbf = dir.filePath("huge.osm.pbf");
            convert.start(osmium, {"cat", huge, "-o", hugePbf, "-O"});
            QVERIFY(convert.waitForFinished(60000));
            QCOMPARE(convert.exitCode(), 0);
            cases.append({"ids near 2^63 in a PBF", hugePbf, dir.filePath("out-huge-pbf"),
                          "beyond what OpenStreetMap uses"});
            // The whole PBF reads as the XML does.
            const QString fromPbf = dir.filePath("out-pbf");
            QCOMPARE(gpsnet({"osm", "--quiet", pbf, fromPbf}).code, 0);
            QCOMPARE(read(fromPbf + "/temps.csv"), QStringLiteral("A,B,2.359\nB,C,2.949\n"));
            // And XML compressed with bzip2, whatever the file is called.
            const QString bz2 = dir.filePath("good.osm.bz2"), renamed = dir.filePath("good.data");
            convert.start(osmium, {"cat", good, "-o", bz2, "-O"});
            QVERIFY(convert.waitForFinished(60000));
            QVERIFY(QFile::rename(bz2, renamed));
            const QString fromBz2 = dir.filePath("out-bz2");
            QCOMPARE(gpsnet({"osm", "--quiet", renamed, fromBz2}).code, 0);
            QCOMPARE(read(fromBz2 + "/temps.csv"), QStringLiteral("A,B,2.359\nB,C,2.949\n"));
        } else {
            qWarning("osmium-tool is not installed (scripts/gps test installs it): no PBF rows");
        }
        for (const Case &c : cases) {
            const Run run = gpsnet({"osm", c.in, c.out});
            QVERIFY2(run.code == 1, c.name);
            QVERIFY2(run.err.contains(c.said), qPrintable(QString(c.name) + ": " + run.err));
            QVERIFY2(!QFileInfo::exists(c.out), c.name);
        }
        // XML after any amount of white space is read as XML: without a declaration it is
        // good, with one that does not come first it is bad XML (said so, not a PBF error).
        QByteArray body = read(good).toUtf8();
        body = body.mid(body.indexOf("<osm"));
        const QString spaced = file("spaced.osm", QByteArray(5000, '\n') + body);
        QCOMPARE(gpsnet({"osm", "--quiet", spaced, dir.filePath("out-spaced")}).code, 0);
        QCOMPARE(read(dir.filePath("out-spaced/temps.csv")),
                 QStringLiteral("A,B,2.359\nB,C,2.949\n"));
        const Run late = gpsnet(
            {"osm", file("late.osm", "\n\n" + read(good).toUtf8()), dir.filePath("out-late")});
        QVERIFY2(late.code == 1 && late.err.contains("not a readable OSM extract (XML"),
                 qPrintable(late.err));

        // Nothing of a temporary folder stays behind.
        QCOMPARE(QDir(dir.path()).entryList({".gpsnet-*"}, QDir::Dirs | QDir::Hidden),
                 QStringList());

        // Into a folder that holds a network: both files replaced, nothing else touched.
        const QString there = dir.filePath("there");
        QDir().mkpath(there);
        file("there/villes.csv", "old");
        file("there/notes.txt", "mine");
        const Run run = gpsnet({"osm", "--quiet", good, there});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QString());
        QVERIFY(read(there + "/villes.csv").startsWith("id,name,dept,lat,lon\n"));
        QCOMPARE(read(there + "/notes.txt"), QStringLiteral("mine"));
        QVERIFY(read(there + "/shapes.csv").startsWith("from,to,km,lat,lon,...\nA,B,"));
        // The road graph by default, whole, its places named as in villes.csv; without it
        // (--no-road-graph), the one there before goes too: it would drive between other places.
        {
            QFile graph(there + "/roadgraph.bin");
            QVERIFY(graph.open(QIODevice::ReadOnly));
            RoadGraphFile written;
            QString why;
            QVERIFY2(written.read(graph.readAll(), &why), qPrintable(why));
            QCOMPARE(written.placeName, std::vector<QString>({"A", "B", "C"}));
            QVERIFY(written.osmId[std::size_t(written.placeNode[0])] > 0);
            QCOMPARE(written.town[std::size_t(written.placeNode[1])], 1); // B's node, B's town
        }
        QCOMPARE(gpsnet({"osm", "--quiet", "--no-road-graph", good, there}).code, 0);
        QVERIFY(!QFileInfo::exists(there + "/roadgraph.bin"));
        QVERIFY(read(there + "/villes.csv").startsWith("id,name,dept,lat,lon\n"));
        // Shapes that cannot be put in place (a folder holds the name): the network is there,
        // and said so; nothing is left beside it (the folder is the user's).
        const QString shapeless = dir.filePath("shapeless");
        QVERIFY(QDir().mkpath(shapeless + "/shapes.csv"));
        const Run halfway = gpsnet({"osm", "--quiet", good, shapeless});
        QVERIFY2(halfway.code == 1 && halfway.err.contains("the network was written, but not its "
                                                           "shapes.csv"),
                 qPrintable(halfway.err));
        QCOMPARE(read(shapeless + "/temps.csv"), QStringLiteral("A,B,2.359\nB,C,2.949\n"));
        QCOMPARE(
            QDir(shapeless).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"credits.txt", "roadgraph.bin", "shapes.csv", "temps.csv", "villes.csv"}));

        // A new folder has the mode any new folder has (here, under umask 022: 0755).
        const mode_t before = umask(022);
        const Run made = gpsnet({"osm", "--quiet", good, dir.filePath("made")});
        umask(before);
        QCOMPARE(made.code, 0);
        QCOMPARE(QFile::permissions(dir.filePath("made")) & 0x0777,
                 QFile::Permissions(0x0755)); // (Qt's permission bits: 0x0RWX per class)

        // Both files replaced, or neither: where villes.csv cannot be replaced (a folder holds
        // its name), temps.csv stays the old one and nothing is left beside them.
        const QString stuck = dir.filePath("stuck");
        QVERIFY(QDir().mkpath(stuck + "/villes.csv/inside"));
        file("stuck/temps.csv", "old roads");
        const Run refused = gpsnet({"osm", "--quiet", good, stuck});
        QVERIFY2(refused.code == 1 && refused.err.contains("as they were"),
                 qPrintable(refused.err));
        QCOMPARE(read(stuck + "/temps.csv"), QStringLiteral("old roads"));
        QCOMPARE(QDir(stuck).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"temps.csv", "villes.csv"}));

        QCOMPARE(gpsnet({"osm", good, ""}).code, 64);
        QCOMPARE(gpsnet({"osm", good, there, "--join-within", "-1"}).code, 64);
    }
};

QTEST_GUILESS_MAIN(TestOsm)
#include "tst_osm.moc"
