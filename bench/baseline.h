#pragma once

#include "city.h"
#include "road.h"

#include <QString>

#include <vector>

// Straightforward implementations of the model's operations, with nested vectors and the plain
// loops, kept here only to measure the library against.
namespace baseline {

using Table = std::vector<std::vector<double>>;

struct Network
{
    std::vector<City> cities;
    std::vector<Road> roads;
};

// Line by line through QTextStream, splitting every line at commas.
Network load(const QString &villes, const QString &temps);

// Every ordered pair of cities against every road.
Table createMatrix(const std::vector<City> &cities, const std::vector<Road> &roads);

// The k/u/v triple loop.
Table floydWarshallOnly(Table d);

// The triple loop with predecessors, then the route rebuilt from them.
std::vector<int> floydWarshall(Table d, const std::vector<City> &cities, const QString &from,
                               const QString &to);

} // namespace baseline
