// A network that drives on its folder's road graph (roadgraph.bin) rather than on the roads of
// temps.csv.

#include "drive.h"
#include "loadproblems.h"
#include "network.h"
#include "roadgraphfile.h"

#include <QFile>

#include <algorithm>
#include <numeric>

namespace {

// Larger than any region's graph GPS opens (a million road nodes take 64 MB): refused unread.
constexpr qint64 kLargestGraph = qint64(4) << 30;

} // namespace

void Network::readRoadGraph(const QString &dir, QStringList *messages,
                            const std::function<void(Stage)> &stage)
{
    const QString path = QDir(dir).filePath(RoadGraphFile::fileName());
    if (!QFileInfo(path).isFile())
        return;
    if (stage)
        stage(Stage::RoadGraph);
    const QString shown = QDir::toNativeSeparators(path);
    const auto say = [&](const QString &why) {
        loadtext::warn(
            messages,
            QStringLiteral("%1: %2: routes run on the roads of temps.csv").arg(shown, why));
    };
    QFile file(path);
    if (QFileInfo(path).size() > kLargestGraph)
        return say(QStringLiteral("larger than 4 GB"));
    if (!file.open(QIODevice::ReadOnly))
        return say(file.errorString());
    RoadGraphFile graph;
    QString why;
    if (!graph.read(file.readAll(), &why)) // (its bytes let go before the graph is laid out)
        return say(why);
    if (!useRoadGraph(graph, &why))
        return say(why);
    const int lost = int(std::count(roadGraph->cityNode.begin(), roadGraph->cityNode.end(), -1));
    if (lost > 0)
        loadtext::warn(
            messages,
            QStringLiteral("%1: %2 of villes.csv on no road node: no drive reaches %3")
                .arg(shown,
                     lost == 1 ? QStringLiteral("1 city") : QStringLiteral("%1 cities").arg(lost),
                     lost == 1 ? QStringLiteral("it") : QStringLiteral("them")));
}

bool Network::useRoadGraph(const RoadGraphFile &file, QString *why)
{
    const int n = size();
    const int roads = file.nodeCount();
    if (file.placeName.size() != file.placeNode.size() ||
        qint64(n) + roads > (qint64(1) << 31) - 1) {
        *why = QStringLiteral("not the graph of these places");
        return false;
    }
    auto made = std::make_shared<RoadNodes>();
    RoadNodes &g = *made;
    g.first = n;
    g.lat = file.lat;
    g.lon = file.lon;
    g.osmId = file.osmId;
    g.cityNode.assign(std::size_t(n), -1);
    std::vector<std::int32_t> cityOfPlace(file.placeNode.size(), -1);
    int found = 0;
    for (std::size_t k = 0; k < file.placeNode.size(); ++k) {
        const std::span<const int> at = positionsOf(file.placeName[k]);
        for (const int c : at)
            g.cityNode[std::size_t(c)] = file.placeNode[k];
        if (!at.empty()) {
            cityOfPlace[k] = at.back();
            ++found;
        }
    }
    if (found == 0) {
        *why = QStringLiteral("none of its places is a city of villes.csv");
        return false;
    }
    g.town.assign(std::size_t(roads), -1);
    for (std::size_t v = 0; v < file.town.size(); ++v)
        if (file.town[v] >= 0)
            g.town[v] = cityOfPlace[std::size_t(file.town[v])];

    // The search graph: each city to its road node and back at no cost, then the road arcs,
    // each node's sorted by the node reached (the searches look arcs up so).
    std::vector<std::int32_t> citiesAt(std::size_t(roads) + 1, 0); // cities on each road node
    for (int c = 0; c < n; ++c)
        if (const int v = g.cityNode[std::size_t(c)]; v >= 0)
            ++citiesAt[std::size_t(v) + 1];
    std::partial_sum(citiesAt.begin(), citiesAt.end(), citiesAt.begin());
    std::vector<std::int32_t> onNode(std::size_t(citiesAt.back()));
    {
        std::vector<std::int32_t> fill(citiesAt.begin(), citiesAt.end() - 1);
        for (int c = 0; c < n; ++c)
            if (const int v = g.cityNode[std::size_t(c)]; v >= 0)
                onNode[std::size_t(fill[std::size_t(v)]++)] = c;
    }
    const std::vector<std::pair<int, int>> pairs = roadPairs(); // the map's, before they go
    const int nodes = n + roads;
    const std::size_t arcCount = file.to.size() + 2 * onNode.size();
    offsets.assign(std::size_t(nodes) + 1, 0);
    arcs.clear();
    arcs.reserve(arcCount);
    g.ms.clear();
    g.ms.reserve(arcCount);
    g.cm.clear();
    g.cm.reserve(arcCount);
    const auto add = [&](int to, std::uint32_t ms, std::uint32_t cm) {
        arcs.push_back({to, ms / 60000.0});
        g.ms.push_back(ms);
        g.cm.push_back(cm);
    };
    for (int c = 0; c < n; ++c) {
        if (const int v = g.cityNode[std::size_t(c)]; v >= 0)
            add(n + v, 0, 0);
        offsets[std::size_t(c) + 1] = std::int64_t(arcs.size());
    }
    std::vector<std::pair<std::int32_t, std::int64_t>> order; // one node's: reached, file arc
    for (int v = 0; v < roads; ++v) {
        for (std::int32_t k = citiesAt[std::size_t(v)]; k < citiesAt[std::size_t(v) + 1]; ++k)
            add(onNode[std::size_t(k)], 0, 0); // (cities come before every road node)
        order.clear();
        for (std::int64_t a = file.first[std::size_t(v)]; a < file.first[std::size_t(v) + 1]; ++a)
            order.emplace_back(file.to[std::size_t(a)], a);
        std::sort(order.begin(), order.end());
        for (const auto &[to, a] : order)
            add(n + to, file.ms[std::size_t(a)], file.cm[std::size_t(a)]);
        offsets[std::size_t(n + v) + 1] = std::int64_t(arcs.size());
    }
    // Arriving arcs: counted by the node reached, then placed in the order of the nodes they
    // leave, so that each list is sorted too.
    inOffsets.assign(std::size_t(nodes) + 1, 0);
    for (const Arc &arc : arcs)
        ++inOffsets[std::size_t(arc.to) + 1];
    std::partial_sum(inOffsets.begin(), inOffsets.end(), inOffsets.begin());
    inArcs.resize(arcs.size());
    {
        std::vector<std::int64_t> fill(inOffsets.begin(), inOffsets.end() - 1);
        for (int u = 0; u < nodes; ++u)
            for (std::int64_t a = offsets[std::size_t(u)]; a < offsets[std::size_t(u) + 1]; ++a)
                inArcs[std::size_t(fill[std::size_t(arcs[std::size_t(a)].to)]++)] = {
                    u, arcs[std::size_t(a)].time};
    }
    placePairs = pairs;
    hubs = 0; // the names' nodes served the roads of temps.csv, no longer searched
    hubOf.assign(std::size_t(n), -1);
    roadNodeCount = roads;
    roadGraph = std::move(made);
    speedUp = SharedHierarchy();
    buildLeft = false;
    return true;
}
