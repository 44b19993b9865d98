// The check stage: the network of places against the drives themselves. The town rules of the
// searches break on real shapes (a village whose road leaves its town and comes back in cuts a
// valley in two; a drive that crosses a town without touching its place is charged the way to
// it and back): where the roads join two places both ways and the network does not, or charges
// more than max(3 %, 1 min) over the slower direction's drive, they are joined directly.

#include "infinity.h"
#include "osmsearch.h"
#include "osmstages.h"
#include "osmthreads.h"

#include <algorithm>
#include <atomic>
#include <queue>
#include <utility>

namespace osmnet::detail {

namespace {

// The graph with every arc turned round: searches on it give the times to a node.
RoadGraph reversed(const RoadGraph &g)
{
    const std::size_t n = std::size_t(g.nodeCount());
    RoadGraph r;
    r.out.assign(n + 1, 0);
    for (const std::int32_t w : g.to)
        ++r.out[std::size_t(w) + 1];
    for (std::size_t v = 0; v < n; ++v)
        r.out[v + 1] += r.out[v];
    r.to.resize(g.to.size());
    r.minutes.resize(g.minutes.size());
    std::vector<std::int64_t> at(r.out.begin(), r.out.end() - 1);
    for (std::size_t v = 0; v < n; ++v)
        for (std::int64_t a = g.out[v]; a < g.out[v + 1]; ++a) {
            const auto w = std::size_t(g.to[std::size_t(a)]);
            r.to[std::size_t(at[w])] = std::int32_t(v);
            r.minutes[std::size_t(at[w]++)] = g.minutes[std::size_t(a)];
        }
    return r;
}

// The places' own graph: per place, the places its roads join and their times.
using PlaceGraph = std::vector<std::vector<std::pair<int, double>>>;

std::vector<double> placeTimes(const PlaceGraph &roads, int from)
{
    std::vector<double> dist(roads.size(), kInf);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    dist[std::size_t(from)] = 0;
    queue.push({0.0, from});
    while (!queue.empty()) {
        const auto [d, v] = queue.top();
        queue.pop();
        if (d > dist[std::size_t(v)])
            continue;
        for (const auto &[w, t] : roads[std::size_t(v)])
            if (d + t < dist[std::size_t(w)]) {
                dist[std::size_t(w)] = d + t;
                queue.push({d + t, w});
            }
    }
    return dist;
}

// The times from a place after a road to `to` that takes `time` from it is added: only what
// the road makes faster is searched again.
void improve(const PlaceGraph &roads, int to, double time, std::vector<double> *dist)
{
    if (!(time < (*dist)[std::size_t(to)]))
        return;
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    (*dist)[std::size_t(to)] = time;
    queue.push({time, to});
    while (!queue.empty()) {
        const auto [d, v] = queue.top();
        queue.pop();
        if (d > (*dist)[std::size_t(v)])
            continue;
        for (const auto &[w, t] : roads[std::size_t(v)])
            if (d + t < (*dist)[std::size_t(w)]) {
                (*dist)[std::size_t(w)] = d + t;
                queue.push({d + t, w});
            }
    }
}

// What a route is allowed over the drive.
double bound(double drive)
{
    return std::max(1.03 * drive, drive + 1.0);
}

struct Pair
{
    double drive; // the slower direction's
    int from, to; // places; `from` a source
    bool forthSlower;
};

} // namespace

void checkRoads(const Towns &towns, int threads, const Progress &progress, Network *net)
{
    const RoadGraph &g = net->graph;
    std::vector<int> stands; // the places that stand for their node
    for (int i = 0; i < int(net->places.size()); ++i)
        if (towns.at.at(net->places[std::size_t(i)].node).front() == i)
            stands.push_back(i);
    Checked &c = net->checked;
    c.places = int(stands.size());
    if (stands.size() < 2)
        return;
    // Every place where the searches stay small beside the conversion; else a sample, spread
    // over the list, that keeps them so.
    const long long most = std::max(4LL, kCheckWork / std::max(1, g.nodeCount()));
    std::vector<int> sources;
    if (static_cast<long long>(stands.size()) <= most) {
        sources = stands;
    } else {
        for (long long k = 0; k < most; ++k)
            sources.push_back(
                stands[std::size_t(k * static_cast<long long>(stands.size()) / most)]);
    }
    c.sources = int(sources.size());
    progress.say(sources.size() == stands.size()
                     ? QStringLiteral("checking every pair of places against the drive")
                     : QStringLiteral("checking the pairs from %1 of %2 places against the drive")
                           .arg(count(static_cast<long long>(sources.size())),
                                count(static_cast<long long>(stands.size()))));
    std::vector<int> targets;
    for (const int i : stands)
        targets.push_back(net->places[std::size_t(i)].node);
    // (Without one-way roads the way back is the way there.)
    const RoadGraph backward = net->oneWayRoads ? reversed(g) : RoadGraph();
    // Per source, the drive to each place and from it.
    std::vector<std::vector<double>> forth(sources.size()), home(sources.size());
    std::atomic<std::size_t> next{0};
    const std::function<bool()> &cancelled = progress.options().cancelled;
    onThreads(
        threads,
        [&] {
            Search search(g.nodeCount()); // (one for both ways: 16 bytes a road node)
            for (std::size_t s; (s = next++) < sources.size();) {
                if (cancelled && cancelled())
                    throw Cancelled();
                const int node = net->places[std::size_t(sources[s])].node;
                forth[s] = search.times(g, node, targets);
                home[s] = net->oneWayRoads ? search.times(backward, node, targets) : forth[s];
            }
        },
        [&] { next = sources.size(); });

    PlaceGraph roads(net->places.size());
    for (const Link &l : net->links) {
        roads[std::size_t(l.a)].push_back({l.b, l.minutes});
        roads[std::size_t(l.b)].push_back({l.a, l.minutes});
    }
    std::vector<Pair> tooSlow;
    const auto look = [&](bool say) {
        tooSlow.clear();
        c.worstShare = c.worstMinutes = 0;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            progress.check();
            const std::vector<double> routed = placeTimes(roads, sources[s]);
            for (std::size_t t = 0; t < stands.size(); ++t) {
                const int to = stands[t];
                if (to == sources[s])
                    continue;
                const double drive = std::max(forth[s][t], home[s][t]);
                if (!(drive < kInf)) {
                    c.oneWayOnly += say && (forth[s][t] < kInf || home[s][t] < kInf);
                    continue;
                }
                const double got = routed[std::size_t(to)];
                if (say)
                    ++c.pairs;
                if (got > bound(drive) + 1e-9)
                    tooSlow.push_back({drive, sources[s], to, forth[s][t] >= home[s][t]});
                else if (const bool long_ = 0.03 * drive >= 1.0;
                         got - drive > (long_ ? c.worstShare * drive : c.worstMinutes)) {
                    const QString pair = net->places[std::size_t(sources[s])].name +
                                         QStringLiteral(" - ") + net->places[std::size_t(to)].name;
                    if (long_) {
                        c.worstShare = got / drive - 1;
                        c.worstSharePair = pair;
                    } else {
                        c.worstMinutes = got - drive;
                        c.worstMinutesPair = pair;
                    }
                }
            }
        }
    };
    look(true);
    // From each source in turn, the nearest pairs first: a road added often brings farther
    // ones within the bound (found by carrying the times on from the road's far end).
    std::stable_sort(tooSlow.begin(), tooSlow.end(), [](const Pair &x, const Pair &y) {
        return x.from != y.from ? x.from < y.from : x.drive < y.drive;
    });
    // The drives' paths from a source, each way: one search each way for all its roads added.
    Search there(g.nodeCount()), back(g.nodeCount());
    bool thereDone = false, backDone = false;
    std::vector<double> routed;
    for (std::size_t k = 0; k < tooSlow.size(); ++k) {
        const Pair &p = tooSlow[k];
        progress.check();
        if (k == 0 || tooSlow[k - 1].from != p.from) {
            routed = placeTimes(roads, p.from); // with the roads added for earlier sources
            thereDone = backDone = false;
        }
        if (routed[std::size_t(p.to)] <= bound(p.drive) + 1e-9)
            continue;
        // Along the slower direction's drive, from the pair's first place to its second.
        const int a = std::min(p.from, p.to), b = std::max(p.from, p.to);
        const int source = net->places[std::size_t(p.from)].node;
        std::vector<std::int32_t> nodes; // from the source, or (back) to it
        if (p.forthSlower || !net->oneWayRoads) {
            if (!std::exchange(thereDone, true))
                there.times(g, source, targets);
            nodes = there.pathTo(net->places[std::size_t(p.to)].node);
        } else {
            if (!std::exchange(backDone, true))
                back.times(backward, source, targets);
            nodes = back.pathTo(net->places[std::size_t(p.to)].node);
            std::reverse(nodes.begin(), nodes.end()); // the reversed graph's path, driven
        }
        const bool fromSource = p.forthSlower || !net->oneWayRoads;
        if ((fromSource ? p.from : p.to) != a)
            std::reverse(nodes.begin(), nodes.end());
        Link link{a, b, p.drive, 0, {}};
        std::vector<std::int32_t> kept;
        shapeLink(g, nodes, &link, &kept, &cancelled);
        placeShape(g, kept, &link);
        const auto it = std::lower_bound(
            net->links.begin(), net->links.end(), link,
            [](const Link &x, const Link &y) { return std::pair(x.a, x.b) < std::pair(y.a, y.b); });
        if (it != net->links.end() && it->a == a && it->b == b)
            *it = std::move(link); // its town-bound time was too slow
        else
            net->links.insert(it, std::move(link));
        roads[std::size_t(a)].push_back({b, p.drive});
        roads[std::size_t(b)].push_back({a, p.drive});
        ++c.added;
        improve(roads, p.to, p.drive, &routed);
    }
    if (c.added > 0) {
        look(false);
        // Joined now: none of them is a place no road joins any more.
        std::vector<char> joined(net->places.size(), 0);
        for (const Link &l : net->links)
            joined[std::size_t(l.a)] = joined[std::size_t(l.b)] = 1;
        QStringList still;
        for (std::size_t i = 0; i < net->places.size(); ++i)
            if (!joined[i] && net->roadless.contains(net->places[i].name))
                still << net->places[i].name;
        net->roadless = still;
    }
    c.left =
        static_cast<long long>(tooSlow.size()); // (after the second look: none, but for rounding)
}

} // namespace osmnet::detail
