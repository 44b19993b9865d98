#pragma once

#include "city.h"

#include <QString>

#include <cstdint>
#include <vector>

using TimeMatrix = std::vector<std::vector<double>>;

// All-pairs shortest times and predecessors of a direct travel-time matrix, computed once.
// Any two-city route is then rebuilt in time proportional to its length, and is the same
// route as Matrix::Floyd_Warshall returns for the same matrix and names.
class ShortestPaths
{
public:
    ShortestPaths() = default;
    // A non-square matrix is cut to its first min(rows, columns) rows and columns.
    explicit ShortestPaths(const TimeMatrix &direct, bool withRoutes = true);

    int size() const { return n; }
    bool hasRoutes() const { return !pred.empty() || n == 0; }
    double time(int from, int to) const { return dist[std::size_t(from) * n + to]; }
    TimeMatrix times() const;

    // Positions from start to end. When nothing joins them the result is [start, end], whose
    // leg is +inf in the direct matrix. Empty when a position is out of range, or when the
    // predecessors do not lead back to start within n steps (negative cycles).
    std::vector<int> route(int start, int end) const;

    // By names, as Matrix::Floyd_Warshall resolves them: empty when a name names no city (so
    // "unused", the marker for no city chosen, unless a city bears that name), [start] when both
    // names are the same city; the last city of a repeated name wins.
    std::vector<int> route(const std::vector<City> &cities, const QString &cityStart,
                           const QString &cityEnd) const;

    // The route that visits `names` in order, leg by leg: each leg's last city is dropped
    // except on the last leg, so a city that joins two legs appears once. A leg that cannot
    // be resolved adds nothing.
    std::vector<int> routeThrough(const std::vector<City> &cities,
                                  const std::vector<QString> &names) const;

    // Position of the last city of that name, or -1.
    static int lastIndexOf(const std::vector<City> &cities, const QString &name);

    // Shortest times only (no predecessors): the cheaper computation.
    static TimeMatrix timesOnly(const TimeMatrix &direct);

private:
    static int squareSize(const TimeMatrix &m);
    static std::vector<double> flatten(const TimeMatrix &m, int n);

    int n = 0;
    std::vector<double> dist;
    std::vector<std::int32_t> pred;
};
