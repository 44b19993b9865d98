// The graph stage: the road graph of an extract, its nodes placed and renumbered, then its arcs;
// and which of its nodes a place may be joined to.

#include "osmstages.h"
#include "osmthreads.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace osmnet {

namespace detail {

namespace {

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

} // namespace

std::vector<std::int32_t> placeNodes(Extract *read, RoadGraph *g,
                                     std::vector<std::pair<double, double>> *barrierAt,
                                     bool keepIds)
{
    const std::vector<std::int64_t> &ids = read->ids;
    std::vector<std::int32_t> index(ids.size(), -1);
    for (const std::int64_t id : read->barriers)
        index[std::size_t(std::lower_bound(ids.begin(), ids.end(), id) - ids.begin())] = -3;
    release(read->barriers);
    const auto placed = std::count_if(read->at.begin(), read->at.end(),
                                      [](const osmium::Location &l) { return l.valid(); });
    g->lat.reserve(std::size_t(placed));
    g->lon.reserve(std::size_t(placed));
    if (keepIds)
        g->id.reserve(std::size_t(placed));
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (index[i] == -3) {
            if (read->at[i].valid()) // (said to a place left out near it)
                barrierAt->emplace_back(read->at[i].lat(), read->at[i].lon());
            continue;
        } else if (read->at[i].valid()) {
            index[i] = std::int32_t(g->lat.size());
            g->lat.push_back(read->at[i].lat());
            g->lon.push_back(read->at[i].lon());
            if (keepIds)
                g->id.push_back(ids[i]);
        } else if (read->at[i].is_defined()) {
            index[i] = -2;
        }
    release(read->at);
    return index;
}

void renumber(RoadGraph *g, std::vector<std::int32_t> *index)
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
    std::vector<std::int64_t> id(g->id.empty() ? 0 : n);
    for (std::size_t k = 0; k < n; ++k) {
        const auto v = std::size_t(order[k].second);
        renumbered[v] = std::int32_t(k);
        lat[k] = g->lat[v];
        lon[k] = g->lon[v];
        if (!g->id.empty())
            id[k] = g->id[v];
    }
    g->lat = std::move(lat);
    g->lon = std::move(lon);
    g->id = std::move(id);
    for (std::int32_t &v : *index)
        if (v >= 0)
            v = renumbered[std::size_t(v)];
}

std::vector<float> buildArcs(Extract read, std::vector<std::int32_t> index, Network *net)
{
    RoadGraph &g = net->graph;
    std::vector<float> mainRoad(g.lat.size(), 0.0f);
    std::vector<std::int32_t> refs(read.refs.size());
    for (std::size_t r = 0; r < refs.size(); ++r)
        refs[r] = index[std::size_t(
            std::lower_bound(read.ids.begin(), read.ids.end(), read.refs[r]) - read.ids.begin())];
    release(read.refs);
    release(read.ids);
    release(index);
    // Counted, then placed: no list of the arcs in between.
    const int n = g.nodeCount();
    g.out.assign(std::size_t(n) + 1, 0);
    std::vector<std::int64_t> next;
    for (const int pass : {0, 1}) {
        for (const Way &w : read.ways) {
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
                for (const auto &[from, to, along] : {std::tuple(a, b, 1), std::tuple(b, a, -1)})
                    if (w.oneway != -along) {
                        const std::int64_t slot = next[std::size_t(from)]++;
                        g.to[std::size_t(slot)] = to;
                        g.minutes[std::size_t(slot)] = minutes;
                        g.oneWay[std::size_t(slot)] = w.oneway != 0;
                    }
            }
            net->waysMissingNodes += pass == 0 && missing;
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
    return mainRoad;
}

std::vector<std::int32_t> strongComponentSizes(const RoadGraph &g)
{
    // Tarjan's, with its own stack of calls: a country's roads would overflow the machine's.
    const int n = g.nodeCount();
    std::vector<std::int32_t> index(std::size_t(n), -1), low(std::size_t(n), 0),
        component(std::size_t(n), -1), sizes, stack;
    std::vector<std::pair<std::int32_t, std::int64_t>> calls; // node, its next arc
    std::int32_t counter = 0;
    const auto enter = [&](int v) {
        index[std::size_t(v)] = low[std::size_t(v)] = counter++;
        stack.push_back(v);
        calls.push_back({v, g.out[std::size_t(v)]});
    };
    for (int start = 0; start < n; ++start) {
        if (index[std::size_t(start)] >= 0)
            continue;
        enter(start);
        while (!calls.empty()) {
            const int v = calls.back().first;
            const std::int64_t a = calls.back().second;
            if (a < g.out[std::size_t(v) + 1]) {
                ++calls.back().second;
                const int w = g.to[std::size_t(a)];
                if (index[std::size_t(w)] < 0)
                    enter(w);
                else if (component[std::size_t(w)] < 0) // still on the stack
                    low[std::size_t(v)] = std::min(low[std::size_t(v)], index[std::size_t(w)]);
                continue;
            }
            if (low[std::size_t(v)] == index[std::size_t(v)]) {
                const auto id = std::int32_t(sizes.size());
                std::int32_t size = 0;
                for (int w = -1; w != v; ++size) {
                    w = stack.back();
                    stack.pop_back();
                    component[std::size_t(w)] = id;
                }
                sizes.push_back(size);
            }
            calls.pop_back();
            if (!calls.empty()) {
                const std::size_t up = std::size_t(calls.back().first);
                low[up] = std::min(low[up], low[std::size_t(v)]);
            }
        }
    }
    std::vector<std::int32_t> result(static_cast<std::size_t>(n));
    for (int v = 0; v < n; ++v)
        result[std::size_t(v)] = sizes[std::size_t(component[std::size_t(v)])];
    return result;
}

std::vector<char> joinableNodes(const RoadGraph &g, const std::vector<float> &mainRoad)
{
    const int n = g.nodeCount();
    std::vector<char> used(std::size_t(n), 0);
    const std::vector<std::int32_t> part = strongComponentSizes(g);
    const std::int32_t largest = part.empty() ? 0 : *std::max_element(part.begin(), part.end());
    // A part of a few nodes, where the region's roads are many, is a street cut off by a barrier
    // or the extract's edge, or one way into a dead end. (A handful of roads is left as it is.)
    const std::int32_t enough = largest >= kRegionNodes ? kJoinablePart : 1;
    const auto joinable = [&](int v) { return part[std::size_t(v)] >= enough; };
    for (int v = 0; v < n; ++v)
        if (mainRoad[std::size_t(v)] > 0)
            for (std::int64_t a = g.out[std::size_t(v)]; a < g.out[std::size_t(v) + 1]; ++a) {
                const int w = g.to[std::size_t(a)];
                if (mainRoad[std::size_t(w)] > 0)
                    for (const int x : {v, w})
                        used[std::size_t(x)] = std::max(used[std::size_t(x)],
                                                        char(joinable(v) && joinable(w) ? 2 : 1));
            }
    return used;
}

} // namespace detail

double distanceKm(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double radius = 6371.0088, rad = detail::kRadiansPerDegree;
    const double dLat = (lat2 - lat1) * rad, dLon = (lon2 - lon1) * rad;
    const double h =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * radius * std::asin(std::min(1.0, std::sqrt(h)));
}

} // namespace osmnet
