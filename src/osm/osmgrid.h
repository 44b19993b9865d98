#pragma once

#include "osmnet.h"
#include "osmstages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace osmnet::detail {

// Road nodes by cells of a hundredth of a degree, for the nearest one to a place.
class NodeGrid
{
public:
    // Nodes that some arc leaves or reaches (`used`), by cell.
    NodeGrid(const RoadGraph &g, const std::vector<char> &used) : g(g)
    {
        std::vector<std::pair<std::int64_t, std::int32_t>> byCell;
        for (int v = 0; v < g.nodeCount(); ++v)
            if (used[std::size_t(v)])
                byCell.push_back(
                    {key(cell(g.lat[std::size_t(v)]), around(cell(g.lon[std::size_t(v)]))), v});
        std::sort(byCell.begin(), byCell.end());
        nodes.reserve(byCell.size());
        for (const auto &[k, v] : byCell) {
            if (keys.empty() || keys.back() != k) {
                keys.push_back(k);
                starts.push_back(std::int32_t(nodes.size()));
            }
            nodes.push_back(v);
        }
        starts.push_back(std::int32_t(nodes.size()));
    }

    // Calls f(node, km) for each node within `withinKm` of the point.
    template <typename F> void within(double lat, double lon, double withinKm, F f) const
    {
        const int la = cell(lat), lo = cell(lon);
        const int dLat = int(std::ceil(withinKm / 111.0 / kCell)) + 1;
        const double shrink = std::max(0.01, std::cos(lat * kRadiansPerDegree));
        const int dLon =
            std::min(kRound / 2, int(std::ceil(withinKm / (111.0 * shrink) / kCell)) + 1);
        for (int i = la - dLat; i <= la + dLat; ++i)
            for (int j = lo - dLon; j <= lo + dLon; ++j) {
                const std::int64_t k = key(i, around(j)); // across 180° too
                const auto it = std::lower_bound(keys.begin(), keys.end(), k);
                if (it == keys.end() || *it != k)
                    continue;
                const std::size_t c = std::size_t(it - keys.begin());
                for (std::int32_t s = starts[c]; s < starts[c + 1]; ++s) {
                    const int v = nodes[std::size_t(s)];
                    const double km =
                        distanceKm(lat, lon, g.lat[std::size_t(v)], g.lon[std::size_t(v)]);
                    if (km <= withinKm)
                        f(v, km);
                }
            }
    }

    // The nearest node for which `take(node)` is true.
    template <typename Take> int nearest(double lat, double lon, double withinKm, Take take) const
    {
        int best = -1;
        double bestKm = withinKm;
        within(lat, lon, withinKm, [&](int v, double km) {
            if (take(v) && (best < 0 || km < bestKm || (km == bestKm && v < best))) {
                bestKm = km;
                best = v;
            }
        });
        return best;
    }

private:
    static constexpr double kCell = 0.01;
    static constexpr int kRound = 36000; // cells of longitude around the Earth
    static int cell(double degrees) { return int(std::floor(degrees / kCell)); }
    // Longitude cells from -180° on, the same cell whichever way round it is counted.
    static int around(int lonCell) { return ((lonCell + kRound / 2) % kRound + kRound) % kRound; }
    static std::int64_t key(int a, int b) { return (std::int64_t(a) << 32) ^ std::uint32_t(b); }

    const RoadGraph &g;
    // The cells that hold nodes, sorted; cell c's nodes: nodes[starts[c]...starts[c + 1]).
    std::vector<std::int64_t> keys;
    std::vector<std::int32_t> starts, nodes;
};

} // namespace osmnet::detail
