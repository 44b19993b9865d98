#pragma once

#include "network.h"

#include <vector>

// Searches that answer more than one pair at a time, on a Network's roads: what can be reached
// within a time, and the times between chosen cities. Their times are those RouteFinder::time
// gives (the same searches), so a table, a trip and the routes drawn from them agree.

struct Reached
{
    int city;    // position in the network's list
    double time; // minutes
};

// The cities that can be reached from `from` in at most `limit` minutes, nearest first (cities
// of the same time in list order), `from` itself first at 0. Empty when `from` is not a city or
// `limit` is negative or not a number.
std::vector<Reached> reachFrom(const Network &net, int from, double limit);

// The shortest times from each of `sources` to each of `targets`, a row per source: one search
// from each source, stopped once it has settled all the targets, on up to `threads` threads at
// once. Between a city and itself, the all-pairs table's diagonal (Network::roundTrip); +inf where
// no road leads; NaN for a position out of range.
std::vector<std::vector<double>> timesBetween(const Network &net, const std::vector<int> &sources,
                                              const std::vector<int> &targets, int threads);
