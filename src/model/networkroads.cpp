// A network that drives on its folder's road graph (roadgraph.bin) rather than on the roads of
// temps.csv.

#include "drive.h"
#include "network.h"
#include "roadgraphfile.h"

#include <QFile>

#include <algorithm>
#include <numeric>

namespace {

// Larger than any region's graph GPS opens (a million road nodes take 64 MB): refused unread.
constexpr qint64 kLargestGraph = qint64(4) << 30;

} // namespace

void Network::readRoadGraph(const QString &dir, QStringList *messages)
{
    const QString path = QDir(dir).filePath(RoadGraphFile::fileName());
    if (!QFileInfo(path).isFile())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    const auto say = [&](const QString &why) {
        if (messages)
            messages->append(
                QStringLiteral("%1: %2: routes run on the roads of temps.csv").arg(shown, why));
    };
    QFile file(path);
    if (QFileInfo(path).size() > kLargestGraph)
        return say(QStringLiteral("larger than 4 GB"));
    if (!file.open(QIODevice::ReadOnly))
        return say(file.errorString());
    RoadGraphFile graph;
    QString why;
    if (!graph.read(file.readAll(), &why) || !useRoadGraph(graph, &why))
        return say(why);
    const int lost = int(std::count(roadGraph->cityNode.begin(), roadGraph->cityNode.end(), -1));
    if (lost > 0 && messages)
        messages->append(
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

    // The search graph: each city to its road node and back at no cost, then the road arcs.
    struct Out
    {
        std::int32_t from;
        Arc arc;
        std::uint32_t ms, cm;
    };
    std::vector<Out> all;
    all.reserve(file.to.size() + 2 * std::size_t(n));
    for (int c = 0; c < n; ++c)
        if (const int v = g.cityNode[std::size_t(c)]; v >= 0) {
            all.push_back({c, {n + v, 0.0}, 0, 0});
            all.push_back({n + v, {c, 0.0}, 0, 0});
        }
    for (int v = 0; v < roads; ++v)
        for (std::int64_t a = file.first[std::size_t(v)]; a < file.first[std::size_t(v) + 1]; ++a) {
            const auto k = std::size_t(a);
            all.push_back({n + v, {n + file.to[k], file.ms[k] / 60000.0}, file.ms[k], file.cm[k]});
        }
    std::stable_sort(all.begin(), all.end(), [](const Out &x, const Out &y) {
        return x.from != y.from ? x.from < y.from : x.arc.to < y.arc.to;
    });
    const std::vector<std::pair<int, int>> pairs = roadPairs(); // the map's, before they go
    const int nodes = n + roads;
    offsets.assign(std::size_t(nodes) + 1, 0);
    arcs.resize(all.size());
    g.ms.resize(all.size());
    g.cm.resize(all.size());
    for (std::size_t k = 0; k < all.size(); ++k) {
        ++offsets[std::size_t(all[k].from) + 1];
        arcs[k] = all[k].arc;
        g.ms[k] = all[k].ms;
        g.cm[k] = all[k].cm;
    }
    std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
    std::stable_sort(all.begin(), all.end(), [](const Out &x, const Out &y) {
        return x.arc.to != y.arc.to ? x.arc.to < y.arc.to : x.from < y.from;
    });
    inOffsets.assign(std::size_t(nodes) + 1, 0);
    inArcs.resize(all.size());
    for (std::size_t k = 0; k < all.size(); ++k) {
        ++inOffsets[std::size_t(all[k].arc.to) + 1];
        inArcs[k] = {all[k].from, all[k].arc.time};
    }
    std::partial_sum(inOffsets.begin(), inOffsets.end(), inOffsets.begin());
    placePairs = pairs;
    hubs = 0; // the names' nodes served the roads of temps.csv, no longer searched
    hubOf.assign(std::size_t(n), -1);
    roadNodeCount = roads;
    roadGraph = std::move(made);
    speedUp = SharedHierarchy();
    buildLeft = false;
    return true;
}
