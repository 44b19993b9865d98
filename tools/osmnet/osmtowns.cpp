// The towns of gpsnet osm's places: how far each reaches, and the roads that keep a route
// through a town from costing more than the drive.

#include "osmdetail.h"

#include <algorithm>
#include <limits>

namespace osmnet::detail {

double townKm(const QString &kind)
{
    return kind == QLatin1String("city")      ? 2.0
           : kind == QLatin1String("town")    ? 1.0
           : kind == QLatin1String("village") ? 0.5
                                              : 0.3;
}

void joinPastTowns(const Network &net, const RoadGraph &back,
                   const std::unordered_map<int, std::vector<int>> &at, std::vector<Link> *links)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    const RoadGraph &g = net.graph;
    const int n = g.nodeCount();
    const int total = int(net.places.size());
    std::vector<std::vector<std::pair<int, double>>> near;
    near.resize(std::size_t(total));
    for (const Link &l : *links) {
        near[std::size_t(l.a)].push_back({l.b, l.minutes});
        near[std::size_t(l.b)].push_back({l.a, l.minutes});
    }
    std::vector<double> twoRoads(std::size_t(total), inf);
    std::vector<int> seen;
    detail::Search ahead(n), behind(n);
    std::vector<Link> direct;
    for (int i = 0; i < total; ++i) {
        const int node = net.places[std::size_t(i)].node;
        if (at.at(node).front() != i)
            continue;
        for (const auto &[j, first] : near[std::size_t(i)])
            for (const auto &[k, second] : near[std::size_t(j)])
                if (k != i && net.places[std::size_t(k)].node != node) {
                    if (twoRoads[std::size_t(k)] == inf)
                        seen.push_back(k);
                    twoRoads[std::size_t(k)] = std::min(twoRoads[std::size_t(k)], first + second);
                }
        for (const auto &[j, time] : near[std::size_t(i)])
            twoRoads[std::size_t(j)] = -1; // joined already
        std::vector<int> targets;
        for (const int k : seen)
            if (twoRoads[std::size_t(k)] > 0)
                targets.push_back(net.places[std::size_t(k)].node);
        if (!targets.empty()) {
            const std::vector<double> forth = ahead.times(g, node, targets);
            const std::vector<double> backTimes =
                net.oneWayRoads ? behind.times(back, node, targets) : forth;
            std::size_t t = 0;
            for (const int k : seen) {
                if (twoRoads[std::size_t(k)] <= 0)
                    continue;
                const double drive = std::max(forth[t], backTimes[t]);
                ++t;
                if (drive < inf && twoRoads[std::size_t(k)] > drive * 1.03 + 0.02) {
                    Link link{std::min(i, k), std::max(i, k), drive, 0.0, {}};
                    std::vector<std::int32_t> path = ahead.pathTo(targets[t - 1]);
                    if (i > k)
                        std::reverse(path.begin(), path.end());
                    shapeLink(g, path, &link);
                    direct.push_back(std::move(link));
                }
            }
        }
        for (const int k : seen)
            twoRoads[std::size_t(k)] = inf;
        for (const auto &[j, time] : near[std::size_t(i)])
            twoRoads[std::size_t(j)] = inf;
        seen.clear();
    }
    links->insert(links->end(), std::make_move_iterator(direct.begin()),
                  std::make_move_iterator(direct.end()));
}

} // namespace osmnet::detail
