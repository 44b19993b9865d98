// The search stage: from each place, the places it reaches passing no other place's town, and
// the drive's time, length and shape; what each search settled on its way, for the repairs.

#include "osmsearch.h"
#include "osmstages.h"
#include "osmthreads.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace osmnet::detail {

double Passed::timeTo(int v) const
{
    const auto it = std::lower_bound(places.begin(), places.end(), std::pair(std::int32_t(v), 0.0));
    return it != places.end() && it->first == v ? it->second : kNoTime;
}

Searched searchFromPlaces(const Network &net, const Towns &towns, int threads,
                          const Progress &progress)
{
    const RoadGraph &g = net.graph;
    const int n = g.nodeCount();
    Searched out;
    std::vector<Found> &found = out.found;
    std::vector<Passed> &passed = out.passed;
    passed.resize(net.places.size());
    std::mutex lock;
    std::atomic<int> next{0};
    const int total = int(net.places.size());
    auto work = [&] {
        Search search(n);
        std::vector<Found> mine;
        std::vector<int> targets;
        std::vector<double> forth;
        std::vector<char> takesOneWay;
        for (int i; (i = next++) < total;) {
            progress.check();
            const int node = net.places[std::size_t(i)].node;
            // Places at one node: the first stands for them all, the others joined to it
            // alone (a star), so that roads stay as many as the places, however many share
            // a node.
            const int first = towns.at.at(node).front();
            if (i != first) {
                Found star{first, i, 0.0, false, {first, i, 0.0, 0.0, {}}, {}};
                shapeLink(g, {node}, &star.link, &star.kept);
                mine.push_back(std::move(star));
                continue;
            }
            targets.clear();
            forth.clear();
            takesOneWay.clear();
            search.places(
                g, towns.town, node,
                [&](int v, double minutes, bool oneWay) {
                    targets.push_back(v);
                    forth.push_back(minutes);
                    takesOneWay.push_back(oneWay);
                },
                &passed[std::size_t(i)]);
            for (std::size_t k = 0; k < targets.size(); ++k) {
                const int j = towns.at.at(targets[k]).front();
                Found f{i,
                        j,
                        forth[k],
                        bool(takesOneWay[k]),
                        {std::min(i, j), std::max(i, j), forth[k], 0.0, {}},
                        {}};
                std::vector<std::int32_t> path = search.pathTo(targets[k]);
                if (i > j)
                    std::reverse(path.begin(), path.end());
                shapeLink(g, path, &f.link, &f.kept, &progress.options().cancelled);
                mine.push_back(std::move(f));
            }
            if (progress.wanted() && i % 1000 == 999) {
                std::lock_guard<std::mutex> hold(lock);
                progress.say(QStringLiteral("searched from %1 of %2 places")
                                 .arg(count(i + 1), count(total)));
            }
        }
        std::lock_guard<std::mutex> hold(lock);
        found.insert(found.end(), std::make_move_iterator(mine.begin()),
                     std::make_move_iterator(mine.end()));
    };
    onThreads(threads, work, [&] { next = total; });
    return out;
}

} // namespace osmnet::detail
