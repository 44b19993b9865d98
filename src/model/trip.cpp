#include "trip.h"
#include "infinity.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <limits>
#include <numeric>

namespace {

// What a trip costs: legs without a road first, then minutes.
struct Cost
{
    int missing = 0;
    double time = 0;
    bool operator<(const Cost &o) const
    {
        return missing != o.missing ? missing < o.missing : time < o.time;
    }
    Cost operator+(const Cost &o) const { return {missing + o.missing, time + o.time}; }
};

Cost leg(double t)
{
    return t < kInf ? Cost{0, t} : Cost{1, 0.0}; // NaN counts as no road
}

TripOrder finish(const std::vector<std::vector<double>> &times, std::vector<int> order,
                 TripEnds ends, bool proven)
{
    TripOrder trip;
    trip.time = tripTime(times, order, ends, &trip.missingLegs);
    trip.order = std::move(order);
    trip.proven = proven;
    return trip;
}

// Held-Karp over the stops to place: best[S][j], the cheapest way from stop 0 through the set S
// ending at its member j.
TripOrder exactOrder(const std::vector<std::vector<double>> &times, TripEnds ends)
{
    const int n = int(times.size());
    const int last = ends == TripEnds::KeepFirstAndLast && n > 1 ? n - 1 : -1;
    std::vector<int> ids;
    for (int i = 1; i < n; ++i)
        if (i != last)
            ids.push_back(i);
    const int m = int(ids.size());
    std::vector<int> order{0};
    if (m > 0) {
        const std::size_t sets = std::size_t(1) << m;
        const Cost unreached{INT_MAX / 4, 0.0};
        std::vector<Cost> best(sets * std::size_t(m), unreached);
        std::vector<std::int8_t> before(sets * std::size_t(m), -1);
        for (int j = 0; j < m; ++j)
            best[(std::size_t(1) << j) * std::size_t(m) + std::size_t(j)] = leg(times[0][ids[j]]);
        for (std::size_t s = 1; s < sets; ++s)
            for (int j = 0; j < m; ++j) {
                if (!(s >> j & 1))
                    continue;
                const Cost here = best[s * std::size_t(m) + std::size_t(j)];
                if (here.missing == unreached.missing)
                    continue;
                const std::vector<double> &row = times[ids[j]];
                for (int k = 0; k < m; ++k) {
                    if (s >> k & 1)
                        continue;
                    const std::size_t to =
                        (s | std::size_t(1) << k) * std::size_t(m) + std::size_t(k);
                    const Cost c = here + leg(row[ids[k]]);
                    if (c < best[to]) {
                        best[to] = c;
                        before[to] = std::int8_t(j);
                    }
                }
            }
        const std::size_t full = sets - 1;
        int end = -1;
        Cost total = unreached;
        for (int j = 0; j < m; ++j) {
            Cost c = best[full * std::size_t(m) + std::size_t(j)];
            if (ends == TripEnds::Round)
                c = c + leg(times[ids[j]][0]);
            else if (last >= 0)
                c = c + leg(times[ids[j]][last]);
            if (end < 0 || c < total) {
                total = c;
                end = j;
            }
        }
        std::vector<int> back;
        for (std::size_t s = full; end >= 0;) {
            back.push_back(ids[end]);
            const int prev = before[s * std::size_t(m) + std::size_t(end)];
            s &= ~(std::size_t(1) << end);
            end = prev;
        }
        order.insert(order.end(), back.rbegin(), back.rend());
    }
    if (last >= 0)
        order.push_back(last);
    return finish(times, std::move(order), ends, true);
}

// Deterministic pseudo-random numbers (splitmix64), the same on every platform.
struct Random
{
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int bound) { return int(next() % std::uint64_t(bound)); }
};

// Iterated local search on the order as an array: t[0] is stop 0, then the stops that move
// (positions lo..hi), then the fixed end if any, then a sentinel whose legs cost the way back to
// stop 0 (Round) or nothing. A leg without a road costs more than any trip of roads, so the
// search minimises the missing legs first. Its moves reverse stretches and take their time to
// be the same either way: where the times are not (roads driven one way), it works on the mean
// of the two directions, which keeps every move it makes a gain (else it could go round in
// circles); the trip found is then timed each way as it is driven.
class OrderSearch
{
public:
    OrderSearch(const std::vector<std::vector<double>> &times, TripEnds ends)
        : times(times), ends(ends), n(int(times.size())), lo(1),
          hi(ends == TripEnds::KeepFirstAndLast ? n - 2 : n - 1)
    {
        double longest = 0;
        for (const auto &row : times)
            for (double x : row)
                if (x < kInf)
                    longest = std::max(longest, x);
        penalty = (longest + 1) * (n + 1);
        // (Sums taken the other way round may differ in their last bits: not one way.)
        for (int a = 0; a < n && !oneWay; ++a)
            for (int b = a + 1; b < n && !oneWay; ++b) {
                const double x = oneDirection(a, b), y = oneDirection(b, a);
                oneWay = !(std::abs(x - y) <= 1e-9 * std::max(1.0, std::max(x, y)));
            }
        eps = 1e-9 * std::max(1.0, longest);
        // Each stop's nearest stops: the moves tried join a stop to one of them.
        const int k = std::min(8, n - 1);
        near.resize(std::size_t(n));
        std::vector<int> others;
        for (int a = 0; a < n; ++a) {
            others.clear();
            for (int b = 0; b < n; ++b)
                if (b != a)
                    others.push_back(b);
            std::partial_sort(others.begin(), others.begin() + k, others.end(), [&](int x, int y) {
                const double dx = d(a, x), dy = d(a, y);
                return dx != dy ? dx < dy : x < y;
            });
            near[std::size_t(a)].assign(others.begin(), others.begin() + k);
        }
    }

    std::vector<int> run(std::vector<int> start, int kicks, std::uint64_t seed)
    {
        t = std::move(start);
        t.push_back(n); // the sentinel
        pos.assign(std::size_t(n + 1), 0);
        placeAll();
        active.assign(std::size_t(n + 1), 0);
        for (int a = 0; a < n; ++a)
            activate(a);
        improve();
        std::vector<int> best = t;
        double bestCost = cost();
        Random random{seed};
        const int span = hi - lo + 1;
        for (int round = 0; round < kicks && span >= 3; ++round) {
            // Swap two short neighbouring stretches (a double bridge), then repair locally.
            const int most = std::min(50, span / 2);
            const int l1 = 1 + random.below(most), l2 = 1 + random.below(most);
            const int a = lo + random.below(span - l1 - l2 + 1);
            for (int p : {a - 1, a, a + l1 - 1, a + l1, a + l1 + l2 - 1, a + l1 + l2})
                activate(t[std::size_t(p)]);
            std::rotate(t.begin() + a, t.begin() + a + l1, t.begin() + a + l1 + l2);
            place(a, a + l1 + l2 - 1);
            improve();
            const double c = cost();
            if (c <= bestCost) {
                bestCost = c;
                best = t;
            } else {
                t = best;
                placeAll();
            }
        }
        best.pop_back();
        return best;
    }

private:
    double oneDirection(int a, int b) const
    {
        const double x = times[std::size_t(a)][std::size_t(b)];
        return x < kInf ? x : penalty;
    }
    double d(int a, int b) const
    {
        return oneWay ? 0.5 * (oneDirection(a, b) + oneDirection(b, a)) : oneDirection(a, b);
    }
    // The leg from a to b, b possibly the sentinel.
    double w(int a, int b) const
    {
        if (b == n)
            return ends == TripEnds::Round ? d(a, 0) : 0.0;
        return d(a, b);
    }
    double cost() const
    {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += w(t[std::size_t(i)], t[std::size_t(i + 1)]);
        return sum;
    }
    void place(int from, int to)
    {
        for (int i = from; i <= to; ++i)
            pos[std::size_t(t[std::size_t(i)])] = i;
    }
    void placeAll() { place(0, n); }
    void activate(int node)
    {
        if (node < n && !active[std::size_t(node)]) {
            active[std::size_t(node)] = 1;
            queue.push_back(node);
        }
    }
    int at(int i) const { return t[std::size_t(i)]; }

    void improve()
    {
        while (!queue.empty()) {
            const int a = queue.front();
            queue.pop_front();
            active[std::size_t(a)] = 0;
            if (twoOpt(a) || orOpt(a))
                activate(a);
        }
    }

    // Reverses positions p+1..q when that shortens the trip.
    bool tryReverse(int p, int q)
    {
        if (p + 1 < lo || q > hi || q <= p + 1)
            return false;
        const double gain =
            w(at(p), at(p + 1)) + w(at(q), at(q + 1)) - w(at(p), at(q)) - w(at(p + 1), at(q + 1));
        if (gain <= eps)
            return false;
        for (int node : {at(p), at(p + 1), at(q), at(q + 1)})
            activate(node);
        std::reverse(t.begin() + p + 1, t.begin() + q + 1);
        place(p + 1, q);
        return true;
    }

    bool twoOpt(int a)
    {
        const int i = pos[std::size_t(a)];
        for (int b : near[std::size_t(a)]) {
            const int j = pos[std::size_t(b)];
            const int p = std::min(i, j), q = std::max(i, j);
            if (tryReverse(p, q) || tryReverse(p - 1, q - 1))
                return true;
        }
        return false;
    }

    // Moves a stretch of one to three stops that ends at `a` next to one of a's near stops,
    // reversed or not, when that shortens the trip.
    bool orOpt(int a)
    {
        const int i = pos[std::size_t(a)];
        for (int len = 1; len <= 3; ++len)
            for (const int f : {i, i - len + 1}) {
                const int e = f + len - 1;
                if (f < lo || e > hi)
                    continue;
                const double removed =
                    w(at(f - 1), at(f)) + w(at(e), at(e + 1)) - w(at(f - 1), at(e + 1));
                for (int b : near[std::size_t(a)])
                    for (const int x : {pos[std::size_t(b)], pos[std::size_t(b)] - 1}) {
                        if (x < lo - 1 || x > hi || (x >= f - 1 && x <= e))
                            continue;
                        const double gap = w(at(x), at(x + 1));
                        const double keep = w(at(x), at(f)) + w(at(e), at(x + 1)) - gap;
                        const double flip = w(at(x), at(e)) + w(at(f), at(x + 1)) - gap;
                        if (removed - std::min(keep, flip) <= eps)
                            continue;
                        for (int node : {at(f - 1), at(f), at(e), at(e + 1), at(x), at(x + 1)})
                            activate(node);
                        if (x < f) {
                            std::rotate(t.begin() + x + 1, t.begin() + f, t.begin() + e + 1);
                            if (flip < keep)
                                std::reverse(t.begin() + x + 1, t.begin() + x + 1 + len);
                            place(x + 1, e);
                        } else {
                            std::rotate(t.begin() + f, t.begin() + e + 1, t.begin() + x + 1);
                            if (flip < keep)
                                std::reverse(t.begin() + x + 1 - len, t.begin() + x + 1);
                            place(f, x);
                        }
                        return true;
                    }
            }
        return false;
    }

    const std::vector<std::vector<double>> &times;
    TripEnds ends;
    int n, lo, hi;
    double penalty = 0, eps = 0;
    bool oneWay = false; // some times differ each way: see the class's comment
    std::vector<std::vector<int>> near;
    std::vector<int> t, pos;
    std::vector<char> active;
    std::deque<int> queue;
};

std::vector<int> nearestNeighbourOrder(const std::vector<std::vector<double>> &times, TripEnds ends)
{
    const int n = int(times.size());
    const int last = ends == TripEnds::KeepFirstAndLast ? n - 1 : -1;
    std::vector<char> used(std::size_t(n), 0);
    std::vector<int> order{0};
    used[0] = 1;
    if (last >= 0)
        used[std::size_t(last)] = 1;
    for (int at = 0;;) {
        int next = -1;
        for (int b = 0; b < n; ++b)
            if (!used[std::size_t(b)] &&
                (next < 0 || leg(times[std::size_t(at)][std::size_t(b)]) <
                                 leg(times[std::size_t(at)][std::size_t(next)])))
                next = b;
        if (next < 0)
            break;
        used[std::size_t(next)] = 1;
        order.push_back(next);
        at = next;
    }
    if (last >= 0)
        order.push_back(last);
    return order;
}

} // namespace

double tripTime(const std::vector<std::vector<double>> &times, const std::vector<int> &order,
                TripEnds ends, int *missingLegs, double *roadTime)
{
    Cost total;
    for (std::size_t i = 1; i < order.size(); ++i)
        total = total + leg(times[std::size_t(order[i - 1])][std::size_t(order[i])]);
    if (ends == TripEnds::Round && order.size() > 1)
        total = total + leg(times[std::size_t(order.back())][std::size_t(order.front())]);
    if (missingLegs)
        *missingLegs = total.missing;
    if (roadTime)
        *roadTime = total.time;
    return total.missing ? kInf : total.time;
}

namespace {

TripOrder findOrder(const std::vector<std::vector<double>> &times, TripEnds ends, int exactStops,
                    int effort)
{
    const int n = int(times.size());
    if (n == 0)
        return {};
    const int toPlace = n - 1 - (ends == TripEnds::KeepFirstAndLast && n > 1 ? 1 : 0);
    std::vector<int> given(static_cast<std::size_t>(n));
    std::iota(given.begin(), given.end(), 0);
    const TripOrder typed = finish(times, given, ends, false);
    auto costOf = [](const TripOrder &o) { return Cost{o.missingLegs, o.time}; };
    if (toPlace <= std::min(exactStops, kExactTripStops)) {
        TripOrder best = exactOrder(times, ends);
        if (!(costOf(best) < costOf(typed))) { // as good: the order given stays
            best.order = given;
            best.time = typed.time;
        }
        return best;
    }

    const TripOrder greedy = finish(times, nearestNeighbourOrder(times, ends), ends, false);
    const TripOrder &from =
        Cost{greedy.missingLegs, greedy.time} < Cost{typed.missingLegs, typed.time} ? greedy
                                                                                    : typed;
    OrderSearch search(times, ends);
    const std::uint64_t kicks = std::uint64_t(std::max(0, effort)) * std::uint64_t(toPlace);
    TripOrder found = finish(
        times,
        search.run(from.order, int(std::min<std::uint64_t>(kicks, INT_MAX)), std::uint64_t(n)),
        ends, false);
    return costOf(found) < costOf(from) ? found : from;
}

} // namespace

TripOrder bestTripOrder(const std::vector<std::vector<double>> &times, TripEnds ends,
                        int exactStops, int effort)
{
    TripOrder best = findOrder(times, ends, exactStops, effort);
    std::vector<int> given(times.size());
    std::iota(given.begin(), given.end(), 0);
    int givenMissing = 0;
    double givenRoads = 0, bestRoads = 0;
    tripTime(times, given, ends, &givenMissing, &givenRoads);
    tripTime(times, best.order, ends, nullptr, &bestRoads);
    best.fewerMissingLegs = std::max(0, givenMissing - best.missingLegs);
    best.saves = best.fewerMissingLegs > 0 ? kInf : givenRoads - bestRoads;
    return best;
}
