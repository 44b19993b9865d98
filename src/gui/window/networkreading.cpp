#include "networkreading.h"

Network::Cache &NetworkReading::sizes()
{
    static Network::Cache kept;
    return kept;
}

OpenedNetwork NetworkReading::read(const QString &dir, QStringList *found,
                                   const std::function<void(Network::Stage)> &stage)
{
    OpenedNetwork opened;
    opened.network = std::make_shared<Network>();
    Network::Cache cache = sizes();
    cache.folder = Network::defaultCacheFolder();
    bool fromImage = false;
    cache.fromImage = &fromImage;
    cache.notKept = &opened.notKept;
    cache.later = &opened.later;
    cache.stage = stage;
    opened.result = opened.network->load(dir, found, cache);
    const Network &net = *opened.network;
    // Read from its files, a network gets its hierarchy behind the window even where its image
    // cannot be kept: nobody waits for it. (An image without one was given up, or too large.)
    opened.buildBehind = opened.later.pending()
                             ? opened.later.buildFirst
                             : opened.result == Network::Load::Ok && !fromImage &&
                                   !net.hierarchy() && sizes().wantsHierarchy(net.nodeCount());
    return opened;
}

QString NetworkReading::stageText(Network::Stage stage)
{
    switch (stage) {
    case Network::Stage::Image:
        return tr("Reading the network kept from its last opening...");
    case Network::Stage::Cities:
        return tr("Reading the cities (villes.csv)...");
    case Network::Stage::Roads:
        return tr("Reading the roads (temps.csv)...");
    case Network::Stage::Shapes:
        return tr("Reading the roads' shapes (shapes.csv)...");
    case Network::Stage::RoadGraph:
        return tr("Reading the road graph (roadgraph.bin)...");
    case Network::Stage::Keep:
        return tr("Keeping the network for its next opening...");
    }
    return {};
}
