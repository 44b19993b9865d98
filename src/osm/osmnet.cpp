// gpsnet osm's conversion: an extract read, made into a road graph, its places joined to it,
// searched from and the roads repaired, stage by stage (osmstages.h).

#include "osmnet.h"
#include "cpustate.h"
#include "osmstages.h"

#include <QLocale>

#include <algorithm>
#include <thread>

namespace osmnet {

namespace detail {

void Progress::check() const
{
    if (options_.cancelled && options_.cancelled())
        throw Cancelled();
    clearUpperRegisters(); // between stages and now and then within them: see cpustate.h
}

void Progress::say(const QString &text) const
{
    check();
    if (options_.progress)
        options_.progress(text);
    clearUpperRegisters(); // (what the caller did with the text may have left them in use)
}

QString count(long long n)
{
    return QLocale::c().toString(n);
}

QString count(long long n, const char *one, const char *many)
{
    return count(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

} // namespace detail

Network convert(const QString &extract, const Options &options)
{
    using namespace detail;
    const Progress progress(options);
    const int threads = options.threads > 0
                            ? options.threads
                            : int(std::max(1u, std::thread::hardware_concurrency()));
    clearUpperRegisters();
    Network net;
    // Between the stages, and within each one that can take long, a cancel is heard.
    Extract read = readExtract(extract, options, progress, &net);
    progress.check();
    std::vector<std::int32_t> index =
        placeNodes(&read, &net.graph, &net.barrierAt, options.nodeIds);
    progress.check();
    renumber(&net.graph, &index);
    progress.check();
    std::vector<float> mainRoad = buildArcs(std::move(read), std::move(index), &net);
    progress.check();
    const Towns towns = joinPlaces(std::move(mainRoad), options, progress, &net);
    net.town.assign(towns.town.size(), -1);
    for (std::size_t v = 0; v < towns.town.size(); ++v)
        if (const auto it = towns.at.find(towns.town[v]); it != towns.at.end())
            net.town[v] = it->second.front();
    progress.check();
    Searched searched = searchFromPlaces(net, towns, threads, progress);
    repairRoads(towns, std::move(searched), threads, progress, &net);
    checkRoads(towns, threads, progress, &net);
    return net;
}

} // namespace osmnet
