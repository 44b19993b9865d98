#include "drive.h"

#include "hierarchy.h"
#include "infinity.h"
#include "network.h"
#include "routefinder.h"

#include <algorithm>
#include <cmath>
#include <limits>

QPointF RoadNodes::mapPoint(int node) const
{
    return {mapXOfLongitude(lon[std::size_t(node)] * 1e-7),
            mapYOfLatitude(lat[std::size_t(node)] * 1e-7)};
}

DriveFinder::DriveFinder(const Network &net) : net(net) {}

DriveFinder::~DriveFinder() = default;

void DriveFinder::makeArrays()
{
    const std::size_t n = std::size_t(net.nodeCount());
    if (dist.size() != n) {
        dist = ZeroedArray<double>(n);
        pred = ZeroedArray<std::int32_t>(n);
        seen = ZeroedArray<std::uint32_t>(n);
        settled = ZeroedArray<std::uint32_t>(n);
        stamp = 0;
    }
}

void DriveFinder::makeReady()
{
    if (!net.roadNodes())
        return;
    makeArrays();
    dist.clear();
    pred.clear();
    seen.clear();
    settled.clear();
    stamp = 0;
    if (const Hierarchy *h = net.hierarchy()) {
        if (!toTarget)
            toTarget = std::make_unique<TimesTo>(*h);
        toTarget->makeReady();
    }
}

std::vector<int> DriveFinder::nodes(int a, int b)
{
    const RoadNodes *roads = net.roadNodes();
    if (!roads || a < 0 || b < 0 || a >= net.size() || b >= net.size() ||
        roads->cityNode[std::size_t(a)] < 0 || roads->cityNode[std::size_t(b)] < 0)
        return {};
    if (a == b)
        return {roads->cityNode[std::size_t(a)]};
    makeArrays();
    if (++stamp == 0) {
        seen.clear();
        settled.clear();
        stamp = 1;
    }
    // With the hierarchy, the times left to the target keep the search on the fastest drives
    // (a hair past the bound too: sums taken in another order differ in their last bits).
    double bound = kInf;
    if (const Hierarchy *h = net.hierarchy()) {
        if (!toTarget)
            toTarget = std::make_unique<TimesTo>(*h);
        toTarget->setTarget(b);
        const double total = toTarget->from(a);
        if (!(total < kInf))
            return {};
        bound = total + 1e-9 * std::max(1.0, total);
    }
    struct Item
    {
        double d;
        std::int32_t v;
        bool operator>(const Item &o) const { return d > o.d; }
    };
    std::vector<Item> heap{{0.0, a}};
    dist[std::size_t(a)] = 0;
    pred[std::size_t(a)] = -1;
    seen[std::size_t(a)] = stamp;
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), std::greater<>());
        const Item top = heap.back();
        heap.pop_back();
        const auto v = std::size_t(top.v);
        if (settled[v] == stamp || top.d != dist[v])
            continue;
        settled[v] = stamp;
        if (top.v == b)
            break;
        for (const Network::Arc *arc = net.arcsBegin(top.v), *end = net.arcsEnd(top.v); arc != end;
             ++arc) {
            const auto w = std::size_t(arc->to);
            const double d = top.d + arc->time;
            if ((seen[w] == stamp && d >= dist[w]) || settled[w] == stamp)
                continue;
            if (bound < kInf && d + toTarget->from(arc->to) > bound)
                continue;
            seen[w] = stamp;
            dist[w] = d;
            pred[w] = top.v;
            heap.push_back({d, arc->to});
            std::push_heap(heap.begin(), heap.end(), std::greater<>());
        }
    }
    if (settled[std::size_t(b)] != stamp)
        return {};
    std::vector<int> path;
    for (int v = pred[std::size_t(b)]; v >= 0 && v != a; v = pred[std::size_t(v)])
        path.push_back(v - roads->first); // the road nodes between the two cities
    std::reverse(path.begin(), path.end());
    return path;
}

namespace {

// The arc from search node u to search node v that a fastest drive takes: the quickest, then
// the shortest of those (arcs are sorted by the node reached).
std::size_t arcBetween(const Network &net, int u, int v)
{
    const Network::Arc *begin = net.arcsBegin(u), *end = net.arcsEnd(u);
    const Network::Arc *at = std::lower_bound(
        begin, end, v, [](const Network::Arc &arc, int node) { return arc.to < node; });
    const Network::Arc *base = net.arcsBegin(0);
    const RoadNodes &roads = *net.roadNodes();
    std::size_t best = std::size_t(at - base);
    for (; at != end && at->to == v; ++at) {
        const std::size_t k = std::size_t(at - base);
        if (roads.ms[k] < roads.ms[best] ||
            (roads.ms[k] == roads.ms[best] && roads.cm[k] < roads.cm[best]))
            best = k;
    }
    return best;
}

// The leg of a planned route from city a to city b, driven through `nodes`, with the places
// it passes, appended to *route (a is there already).
void addDrive(const Network &net, int a, int b, const std::vector<int> &nodes, PlannedRoute *route)
{
    const RoadNodes &roads = *net.roadNodes();
    const std::vector<City> &cities = net.cities();
    const auto cityPoint = [&](int city) {
        const City &c = cities[std::size_t(city)];
        return QPointF(c.getCoordLong(), c.getCoordLat());
    };
    if (nodes.empty()) { // no road leads there
        route->path.push_back(b);
        route->legs.push_back(kInf);
        route->shape.legKm.push_back(std::numeric_limits<double>::quiet_NaN());
        route->shape.legLines.emplace_back();
        route->node.push_back(roads.cityNode[std::size_t(b)]);
        return;
    }
    // Time and length from the start to each node, whole milliseconds and centimetres: the legs
    // then add up exactly.
    std::vector<std::int64_t> ms(nodes.size(), 0), cm(nodes.size(), 0);
    for (std::size_t j = 1; j < nodes.size(); ++j) {
        const std::size_t arc = arcBetween(net, roads.first + nodes[j - 1], roads.first + nodes[j]);
        ms[j] = ms[j - 1] + roads.ms[arc];
        cm[j] = cm[j - 1] + roads.cm[arc];
    }
    // Each town entered on the way (not the ends'), at the node nearest to its place.
    struct Passed
    {
        std::size_t at;
        double far;
    };
    std::vector<std::pair<int, Passed>> passed; // town, where
    // (Not at either end: a drive that starts or ends in a town, where places share a node,
    // does not pass it.)
    for (std::size_t j = 1; j + 1 < nodes.size(); ++j) {
        const int town = roads.town[std::size_t(nodes[j])];
        if (town < 0 || town == a || town == b)
            continue;
        // (Map units east are degrees of longitude: shorter than north's away from the equator.)
        const QPointF place = cityPoint(town), d = roads.mapPoint(nodes[j]) - place;
        const double east = d.x() * std::cos(latitudeOfMapY(place.y()) * 3.14159265358979 / 180);
        const double far = east * east + d.y() * d.y();
        auto it = std::find_if(passed.begin(), passed.end(),
                               [town](const auto &p) { return p.first == town; });
        if (it == passed.end())
            passed.push_back({town, {j, far}});
        else if (far < it->second.far)
            it->second = {j, far};
    }
    std::sort(passed.begin(), passed.end(),
              [](const auto &x, const auto &y) { return x.second.at < y.second.at; });
    std::size_t from = 0;
    std::vector<QPointF> line{cityPoint(a)};
    const auto leg = [&](int city, std::size_t to, bool last) {
        for (std::size_t j = from; j <= to; ++j)
            line.push_back(roads.mapPoint(nodes[j]));
        if (last)
            line.push_back(cityPoint(city));
        route->path.push_back(city);
        route->legs.push_back(double(ms[to] - ms[from]) / 60000.0);
        route->shape.legKm.push_back(double(cm[to] - cm[from]) / 100000.0);
        route->shape.legLines.push_back(std::move(line));
        route->node.push_back(nodes[to]);
        line.clear();
        from = to;
    };
    for (const auto &[town, where] : passed)
        leg(town, where.at, false);
    leg(b, nodes.size() - 1, true);
}

} // namespace

PlannedRoute planRoute(const Network &net, RouteFinder &finder, const std::vector<QString> &names,
                       bool withShape)
{
    PlannedRoute route;
    if (!net.roadNodes()) {
        route.path = finder.routeThrough(names);
        route.legs = net.legTimes(route.path);
        if (withShape)
            route.shape = routeShape(net, route.path, names);
        return route;
    }
    const RoadNodes &roads = *net.roadNodes();
    route.shape.shaped = true;
    std::vector<int> stops;
    for (const QString &name : names) {
        stops.push_back(net.lastIndexOf(name));
        if (stops.back() < 0)
            return {}; // as routeThrough: a name of no city makes no route
    }
    if (stops.size() < 2)
        return {};
    route.path.push_back(stops.front());
    route.node.push_back(roads.cityNode[std::size_t(stops.front())]);
    for (std::size_t k = 0; k + 1 < stops.size(); ++k)
        if (stops[k] != stops[k + 1]) // (a stop named twice running is one stop, as ever)
            addDrive(net, stops[k], stops[k + 1], finder.drives().nodes(stops[k], stops[k + 1]),
                     &route);
    for (const int v : route.node)
        route.shape.osmIds.push_back(v >= 0 ? roads.osmId[std::size_t(v)] : 0);
    return route;
}
