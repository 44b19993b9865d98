#pragma once

#include <cstdint>
#include <vector>

// The order in which to visit stops so that the whole trip takes the least time, from the
// stops' table of shortest times (times[a][b]: from stop a to stop b, +inf where no road leads).
// Stop 0 is the start; with KeepFirstAndLast the last stop is the end.

enum class TripEnds
{
    KeepFirst,        // start at stop 0, end anywhere
    KeepFirstAndLast, // start at stop 0, end at the last stop
    Round,            // start at stop 0 and come back to it
};

struct TripOrder
{
    // Every stop once, 0 first (and, with KeepFirstAndLast, the last stop last); a round trip's
    // way back to 0 is not listed.
    std::vector<int> order;
    double time = 0;     // the trip's total in minutes; +inf when a leg has no road
    int missingLegs = 0; // legs between stops that no road joins
    bool proven = false; // no order has fewer missing legs, or as few and less time
    // Minutes saved on the given order (0, 1, 2, ...): the time of the legs that roads make;
    // +inf when the given order has more legs that no road makes, as many more as
    // `fewerMissingLegs` says.
    double saves = 0;
    int fewerMissingLegs = 0;
};

// Orders with up to this many stops to place are proven best (Held-Karp: 2^k k^2 steps, 16 MB).
constexpr int kExactTripStops = 16;
// The most stops a trip takes.
constexpr int kMostTripStops = 1000;

// The best order: first the fewest legs without a road, then the least time. Exact when at most
// `exactStops` stops are to be placed; beyond, a local search (2-opt and Or-opt moves with
// kicks) that starts from the better of the given order and a nearest-neighbour one, makes
// `effort` kicks per stop, and gives the same order for the same table every time. The given
// order (0, 1, 2, ...) stays when no order beats it.
TripOrder bestTripOrder(const std::vector<std::vector<double>> &times, TripEnds ends,
                        int exactStops = kExactTripStops, int effort = 40);

// The total of `order` as a trip (the way back to its first stop added for Round), how many of
// its legs no road joins, and the time of those that a road joins.
double tripTime(const std::vector<std::vector<double>> &times, const std::vector<int> &order,
                TripEnds ends, int *missingLegs = nullptr, double *roadTime = nullptr);
