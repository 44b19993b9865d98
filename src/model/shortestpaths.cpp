#include "shortestpaths.h"

#include "fwkernel.h"
#include "road.h"

#include <algorithm>

int ShortestPaths::squareSize(const TimeMatrix &m)
{
    std::size_t size = m.size();
    for (const auto &row : m)
        size = std::min(size, row.size());
    return int(size);
}

std::vector<double> ShortestPaths::flatten(const TimeMatrix &m, int n)
{
    std::vector<double> flat(std::size_t(n) * n);
    for (int i = 0; i < n; ++i)
        std::copy_n(m[i].begin(), n, flat.begin() + std::ptrdiff_t(i) * n);
    return flat;
}

ShortestPaths::ShortestPaths(const TimeMatrix &direct, bool withRoutes)
    : n(squareSize(direct)), dist(flatten(direct, n))
{
    if (withRoutes) {
        pred.resize(std::size_t(n) * n);
        for (int u = 0; u < n; ++u)
            std::fill_n(pred.begin() + std::ptrdiff_t(u) * n, n, u);
    }
    fw::relax(dist.data(), withRoutes ? pred.data() : nullptr, n);
}

TimeMatrix ShortestPaths::times() const
{
    TimeMatrix out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out[i].assign(dist.begin() + std::ptrdiff_t(i) * n,
                      dist.begin() + std::ptrdiff_t(i + 1) * n);
    return out;
}

TimeMatrix ShortestPaths::timesOnly(const TimeMatrix &direct)
{
    return ShortestPaths(direct, false).times();
}

std::vector<int> ShortestPaths::route(int start, int end) const
{
    if (start < 0 || end < 0 || start >= n || end >= n || pred.empty())
        return {};
    std::vector<int> path;
    int at = end;
    // A simple route has at most n cities; more means the predecessors go round a cycle.
    while (at != start) {
        if (int(path.size()) >= n)
            return {};
        path.push_back(at);
        at = pred[std::size_t(start) * n + at];
    }
    path.push_back(start);
    std::reverse(path.begin(), path.end());
    return path;
}

int ShortestPaths::lastIndexOf(const std::vector<City> &cities, const QString &name)
{
    for (int i = int(cities.size()) - 1; i >= 0; --i) {
        if (cities[i].getName() == name)
            return i;
    }
    return -1;
}

std::vector<int> ShortestPaths::route(const std::vector<City> &cities, const QString &cityStart,
                                      const QString &cityEnd) const
{
    // A name that is no city ("unused" included, unless a city bears it) gives no route.
    const int start = lastIndexOf(cities, cityStart);
    const int end = lastIndexOf(cities, cityEnd);
    if (start < 0 || end < 0 || start >= n || end >= n)
        return {};
    if (start == end)
        return {start};
    return route(start, end);
}

std::vector<int> ShortestPaths::routeThrough(const std::vector<City> &cities,
                                             const std::vector<QString> &names) const
{
    std::vector<int> joined;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        std::vector<int> leg = route(cities, names[i], names[i + 1]);
        if (i + 2 < names.size() && !leg.empty())
            leg.pop_back(); // it starts the next leg
        joined.insert(joined.end(), leg.begin(), leg.end());
    }
    return joined;
}
