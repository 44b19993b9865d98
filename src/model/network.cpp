#include "network.h"
#include "infinity.h"
#include "workers.h"

#include "networkfiles.h"
#include "searcher.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

Network::Network(std::vector<City> cities, std::vector<Road> roads)
    : cityVector(std::move(cities)), roadVector(std::move(roads))
{
    build();
}

Network::Load Network::load(const QString &dir, QStringList *messages)
{
    const Load result = loadFolder(dir, messages);
    if (result != Load::NoFolder)
        shapeSet.read(dir, shapeRoads(), messages);
    if (result == Load::Ok)
        readRoadGraph(dir, messages);
    return result;
}

Network::Load Network::load(const QString &dir, QStringList *messages, const Cache &cache)
{
    bool shapesRead = false; // (with the image, or before it is made)
    const Load result = loadCached(dir, messages, cache, &shapesRead);
    if (result != Load::NoFolder && !shapesRead) {
        if (cache.stage)
            cache.stage(Stage::Shapes);
        shapeSet.read(dir, shapeRoads(), messages);
        if (result == Load::Ok)
            readRoadGraph(dir, messages, cache.stage);
    }
    return result;
}

RoadShapes::Roads Network::shapeRoads() const
{
    return {[this](QStringView name) { return positionsOf(name); },
            [this](int a, int b) { return std::isfinite(direct(a, b)); }};
}

Network::Load Network::loadFolder(const QString &dir, QStringList *messages,
                                  const std::function<void(Stage)> &stage)
{
    *this = Network();
    if (!QFileInfo(dir).isDir()) {
        // Two "cannot be read" lines would hide the one thing to say.
        if (messages)
            messages->append((QFileInfo::exists(dir) ? QStringLiteral("%1: not a folder")
                                                     : QStringLiteral("%1: no such folder"))
                                 .arg(QDir::toNativeSeparators(QFileInfo(dir).absoluteFilePath())));
        return Load::NoFolder;
    }
    std::vector<std::pair<int, int>> roadNames;
    return readFiles(QDir(dir), messages, &roadNames, stage);
}

Network::Load Network::readFiles(const QDir &folder, QStringList *messages,
                                 std::vector<std::pair<int, int>> *roadNames,
                                 const std::function<void(Stage)> &stage)
{
    *this = Network();
    NetworkFiles files;
    if (stage)
        stage(Stage::Cities);
    const bool citiesRead = files.loadCities(
        QDir::toNativeSeparators(folder.filePath(QStringLiteral("villes.csv"))), messages);
    if (stage)
        stage(Stage::Roads);
    const bool roadsRead = files.loadRoads(
        QDir::toNativeSeparators(folder.filePath(QStringLiteral("temps.csv"))), messages);
    *roadNames = files.takeRoadNames();
    cityVector = files.takeCities();
    roadVector = files.takeRoads();
    build(*roadNames);
    return !citiesRead ? Load::CitiesUnread : !roadsRead ? Load::RoadsUnread : Load::Ok;
}

bool Network::indexNames()
{
    const int n = size();
    // Each name's cities, by name number: counted, then laid out in list order.
    names = NameIndex(std::size_t(n));
    std::vector<int> nameOf(static_cast<std::size_t>(n));
    names.addAll(
        n, [this](int i) -> const QString & { return cityVector[std::size_t(i)].getName(); },
        nameOf.data());
    nameStarts.assign(std::size_t(names.size()) + 1, 0);
    for (int i = 0; i < n; ++i)
        ++nameStarts[std::size_t(nameOf[std::size_t(i)]) + 1];
    for (std::size_t k = 1; k < nameStarts.size(); ++k)
        nameStarts[k] += nameStarts[k - 1];
    byName.assign(std::size_t(n), 0);
    {
        std::vector<std::int32_t> fill(nameStarts.begin(), nameStarts.end() - 1);
        for (int i = 0; i < n; ++i)
            byName[std::size_t(fill[std::size_t(nameOf[std::size_t(i)])]++)] = i;
    }
    // A name's cities share a pair of nodes when the list is in name order (as loaded): then
    // every city of one name comes before every city of a later name, and the rule in build()
    // picks the same road for all their pairs. A list out of order keeps one entry per pair.
    const bool inOrder = std::is_sorted(cityVector.begin(), cityVector.end());
    hubs = 0;
    hubOf.assign(std::size_t(n), -1);
    if (inOrder)
        for (int k = 0; k < names.size(); ++k)
            if (nameStarts[std::size_t(k) + 1] - nameStarts[std::size_t(k)] > 1) {
                for (std::int32_t at = nameStarts[std::size_t(k)];
                     at < nameStarts[std::size_t(k) + 1]; ++at)
                    hubOf[std::size_t(byName[std::size_t(at)])] = hubs;
                ++hubs;
            }
    return inOrder;
}

void Network::build(const std::vector<std::pair<int, int>> &roadNames)
{
    const int n = size();
    const bool inOrder = indexNames();
    const auto citiesOf = [this](int name) {
        return std::span<const int>(byName.data() + nameStarts[std::size_t(name)],
                                    byName.data() + nameStarts[std::size_t(name) + 1]);
    };
    // createMatrix's rule for a pair {lo < hi}: the last road written from hi to lo wins, else
    // the last written from lo to hi; a pair's candidates are ranked that way and the highest
    // kept. With a list in order, a name stands for all its cities by its first position.
    struct Entry
    {
        std::int32_t lo, hi;
        std::int64_t rank;
        double time;
    };
    std::vector<Entry> entries;
    const std::int64_t roadCount = std::int64_t(roadVector.size());
    for (std::int64_t r = 0; r < roadCount; ++r) {
        const Road &road = roadVector[std::size_t(r)];
        if (!(road.time >= 0) || road.time == kInf)
            continue;
        // The loader's numbers are the same as these: both number the list's names in order.
        const bool numbered = roadNames.size() == roadVector.size();
        const int fromName =
            numbered ? roadNames[std::size_t(r)].first : names.find(road.cityStart);
        const int toName = fromName < 0 ? -1
                           : numbered   ? roadNames[std::size_t(r)].second
                                        : names.find(road.cityEnd);
        if (toName < 0)
            continue;
        const std::span<const int> from = citiesOf(fromName), to = citiesOf(toName);
        const auto add = [&](int i, int j) {
            entries.push_back(
                {std::min(i, j), std::max(i, j), i > j ? roadCount + r : r, road.time});
        };
        if (inOrder) {
            add(from.front(), to.front());
            continue;
        }
        for (const int i : from)
            for (const int j : to)
                add(i, j);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.lo != b.lo ? a.lo < b.lo : a.hi != b.hi ? a.hi < b.hi : a.rank < b.rank;
    });

    self.assign(std::size_t(n), 0.0);
    std::size_t kept = 0;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (e + 1 < entries.size() && entries[e + 1].lo == entries[e].lo &&
            entries[e + 1].hi == entries[e].hi)
            continue; // not the one kept
        const Entry &entry = entries[e];
        if (entry.lo == entry.hi) {
            if (hubOf[std::size_t(entry.lo)] < 0) {
                self[std::size_t(entry.lo)] = entry.time;
                continue;
            }
            // A shared name's road to itself joins each of its cities to itself, and to the
            // others through the name's nodes.
            for (const int at : positionsOf(cityVector[std::size_t(entry.lo)].getName()))
                self[std::size_t(at)] = entry.time;
        }
        entries[kept++] = entry;
    }
    entries.resize(kept);

    // Every arc, handed to `take(from, arc)`: the roads kept, then the links of the shared names.
    const auto forEachArc = [&](const auto &take) {
        for (const Entry &e : entries) {
            take(outNode(e.lo), Arc{std::int32_t(inNode(e.hi)), e.time});
            if (e.lo != e.hi)
                take(outNode(e.hi), Arc{std::int32_t(inNode(e.lo)), e.time});
        }
        for (int at = 0; at < n; ++at)
            if (hubOf[std::size_t(at)] >= 0) {
                take(at, Arc{std::int32_t(outNode(at)), 0.0});
                take(inNode(at), Arc{at, 0.0});
            }
    };
    const int nodes = nodeCount();
    const auto layOut = [&](bool in, std::vector<std::int64_t> *starts, std::vector<Arc> *list) {
        starts->assign(std::size_t(nodes) + 1, 0);
        forEachArc(
            [&](int from, const Arc &arc) { ++(*starts)[std::size_t(in ? arc.to : from) + 1]; });
        for (int i = 0; i < nodes; ++i)
            (*starts)[std::size_t(i) + 1] += (*starts)[std::size_t(i)];
        list->resize(std::size_t(starts->back()));
        std::vector<std::int64_t> fill(starts->begin(), starts->end() - 1);
        forEachArc([&](int from, const Arc &arc) {
            (*list)[std::size_t(fill[std::size_t(in ? arc.to : from)]++)] =
                in ? Arc{std::int32_t(from), arc.time} : arc;
        });
        // Entries come by (lo, hi): without names' nodes, each list is in order already.
        for (int i = 0; i < nodes && hubs > 0; ++i)
            std::sort(list->begin() + (*starts)[std::size_t(i)],
                      list->begin() + (*starts)[std::size_t(i) + 1],
                      [](const Arc &a, const Arc &b) { return a.to < b.to; });
    };
    layOut(false, &offsets, &arcs);
    inOffsets.clear();
    inArcs.clear();
    if (hubs > 0)
        layOut(true, &inOffsets, &inArcs);
}

std::span<const int> Network::positionsOf(QStringView name) const
{
    const int k = names.find(name);
    if (k < 0)
        return {};
    return {byName.data() + nameStarts[std::size_t(k)],
            byName.data() + nameStarts[std::size_t(k) + 1]};
}

int Network::lastIndexOf(QStringView name) const
{
    const std::span<const int> at = positionsOf(name);
    return at.empty() ? -1 : at.back();
}

double Network::direct(int from, int to) const
{
    if (from == to)
        return self[from];
    const int target = inNode(to);
    const Arc *begin = arcsBegin(outNode(from));
    const Arc *end = arcsEnd(outNode(from));
    const Arc *found =
        std::lower_bound(begin, end, target, [](const Arc &a, int node) { return a.to < node; });
    return found != end && found->to == target ? found->time : kInf;
}

template <typename Take> void Network::forEachNeighbour(int city, Take take) const
{
    if (roadGraph)
        return; // a city's one arc leads to its road node
    const int n = size();
    const int from = outNode(city);
    for (const Arc *a = arcsBegin(from), *end = arcsEnd(from); a != end; ++a) {
        if (a->to < n) {
            take(int(a->to), a->time);
            continue;
        }
        for (const Arc *c = arcsBegin(a->to), *last = arcsEnd(a->to); c != last;
             ++c) // the name's cities
            if (c->to != city)
                take(int(c->to), a->time);
    }
}

TimeMatrix Network::directMatrix() const
{
    const int n = size();
    TimeMatrix m(std::size_t(n), std::vector<double>(std::size_t(n), kInf));
    for (int i = 0; i < n; ++i) {
        m[i][i] = self[i];
        forEachNeighbour(i, [&](int j, double time) { m[i][j] = time; });
    }
    return m;
}

std::vector<std::pair<int, int>> Network::roadPairs() const
{
    // A road between two names held by many cities joins every pair of them; past a few times
    // the network's size, the drawing shows the first of those pairs only.
    if (roadGraph)
        return placePairs;
    const std::size_t most = 4 * (std::size_t(size()) + roadVector.size()) + 1024;
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < size() && pairs.size() < most; ++i)
        forEachNeighbour(i, [&](int j, double) {
            if (j > i && pairs.size() < most)
                pairs.emplace_back(i, j);
        });
    return pairs;
}

std::vector<double> Network::legTimes(const std::vector<int> &path) const
{
    std::vector<double> times;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const int a = path[i - 1];
        const int b = path[i];
        const bool inside = a >= 0 && b >= 0 && a < size() && b < size();
        times.push_back(inside ? direct(a, b) : std::numeric_limits<double>::quiet_NaN());
    }
    return times;
}

std::vector<double> Network::timesFrom(int from) const
{
    std::vector<double> dist(std::size_t(size()), kInf);
    if (from < 0 || from >= size())
        return dist;
    Searcher(*this).run(from, kInf, [&](int node, double time) {
        if (isCity(node))
            dist[std::size_t(node)] = time;
        return true;
    });
    dist[std::size_t(from)] = roundTrip(from);
    return dist;
}

double Network::roundTrip(int at) const
{
    // Roads go both ways, so the shortest round trip is to the nearest neighbour and back: any
    // other leaves on a road at least as long and comes back on one.
    double round = self[at];
    for (const Arc *a = arcsBegin(outNode(at)), *end = arcsEnd(outNode(at)); a != end; ++a)
        round = std::min(round, a->time + a->time);
    return round;
}

void Network::forEachRow(int first, int last, int threads,
                         const std::function<bool(int, const std::vector<double> &)> &row) const
{
    first = std::max(first, 0);
    last = std::min(last, size());
    if (first >= last)
        return;
    threads = std::clamp(threads, 1, last - first);
    if (threads == 1) {
        for (int i = first; i < last; ++i)
            if (!row(i, timesFrom(i)))
                return;
        return;
    }

    // Workers take rows in order and park them until the caller has taken the ones before, at
    // most `window` rows ahead, so memory stays a few rows.
    const int window = 2 * threads;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::vector<double>> ready; // rows next, next + 1, ... (empty: not yet there)
    std::deque<char> filled;
    int next = first;    // the next row handed to the caller
    int claimed = first; // the next row a worker takes
    bool stop = false;
    std::exception_ptr failure;

    auto work = [&] {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [&] { return stop || (claimed < last && claimed < next + window); });
            if (stop || claimed >= last)
                return;
            const int i = claimed++;
            hold.unlock();
            std::vector<double> times;
            try {
                times = timesFrom(i);
            } catch (...) { // out of memory: handed to the caller's thread
                hold.lock();
                failure = std::current_exception();
                stop = true;
                changed.notify_all();
                return;
            }
            hold.lock();
            const std::size_t slot = std::size_t(i - next);
            if (ready.size() <= slot) {
                ready.resize(slot + 1);
                filled.resize(slot + 1, 0);
            }
            ready[slot] = std::move(times);
            filled[slot] = 1;
            changed.notify_all();
        }
    };
    Workers pool(threads - 1, work);
    // This thread writes; when no worker could start it computes too.
    const bool alone = pool.none();
    std::unique_lock<std::mutex> hold(lock);
    try {
        while (next < last) {
            if (alone) {
                hold.unlock();
                const bool more = row(next, timesFrom(next));
                hold.lock();
                claimed = ++next;
                if (!more)
                    break;
                continue;
            }
            changed.wait(hold, [&] { return stop || (!filled.empty() && filled.front()); });
            if (stop)
                break;
            std::vector<double> times = std::move(ready.front());
            ready.pop_front();
            filled.pop_front();
            const int i = next++; // slots count from `next`: moved on together
            changed.notify_all();
            hold.unlock();
            const bool more = row(i, times);
            hold.lock();
            if (!more)
                break;
        }
    } catch (...) {
        if (!hold.owns_lock())
            hold.lock();
        if (!failure)
            failure = std::current_exception();
    }
    stop = true;
    changed.notify_all();
    hold.unlock();
    pool.join();
    if (failure)
        std::rethrow_exception(failure);
}
