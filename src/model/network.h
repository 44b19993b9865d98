#pragma once

#include "city.h"
#include "road.h"
#include "shortestpaths.h"

#include "nameindex.h"
#include "roadshapes.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

// A road network as every part of the program opens it: the cities (sorted by name), the roads
// in file order, and the direct travel times as a sparse graph whose entries are, pair for pair,
// those Matrix::createMatrix writes. Memory grows with cities + roads; a dense matrix is made
// only on request.
class Hierarchy;
struct RoadGraphFile;
struct RoadNodes;

namespace imagebytes {
class Reader;
}

// The hierarchy a network owns, and the pointer searches read: set once, on any thread, while
// searches on other threads may be reading it (they see none or the whole of it).
class SharedHierarchy
{
public:
    SharedHierarchy() = default;
    SharedHierarchy(const SharedHierarchy &other) : owner(other.owner), at(other.get()) {}
    SharedHierarchy &operator=(const SharedHierarchy &other)
    {
        owner = other.owner;
        at.store(other.get(), std::memory_order_release);
        return *this;
    }
    const Hierarchy *get() const { return at.load(std::memory_order_acquire); }
    // Where one is set already it stays: a search may be walking it.
    void set(std::shared_ptr<const Hierarchy> made)
    {
        if (get() || !made)
            return;
        owner = std::move(made);
        at.store(owner.get(), std::memory_order_release);
    }

private:
    std::shared_ptr<const Hierarchy> owner;
    std::atomic<const Hierarchy *> at{nullptr};
};

class Network
{
public:
    enum class Load
    {
        Ok,           // both files read (lines that cannot serve are in the messages)
        NoFolder,     // the folder does not exist
        CitiesUnread, // villes.csv cannot be read
        RoadsUnread,  // temps.csv cannot be read (the cities are there)
    };

    Network() = default;
    // Times must be finite and not negative, as the loaders guarantee; others are left out.
    Network(std::vector<City> cities, std::vector<Road> roads);

    // The stages of an opening, told as they start (Cache::stage).
    enum class Stage
    {
        Image,     // the kept image
        Cities,    // villes.csv
        Roads,     // temps.csv
        Shapes,    // shapes.csv
        RoadGraph, // roadgraph.bin, where the folder has one
        Keep,      // the image made and kept (its hierarchy built first, when it gets one)
    };

    // An image the caller keeps itself (Cache::later), once it has built its hierarchy, off the
    // thread that opened the network: what the image needs beside the network.
    struct LaterImage
    {
        QString cacheFolder, file;
        QByteArray key;
        QStringList messages;
        std::vector<std::pair<int, int>> roadNames;
        bool buildFirst = false; // it gets a hierarchy (see Cache::hierarchyFrom)
        // An image without its hierarchy is there already (see keepImage): it is read at the
        // next opening even where the build never ends.
        bool written = false;
        bool pending() const { return !file.isEmpty(); }
    };

    // Where a network once read may be kept as a binary image, to be opened again in a fraction
    // of the time: files of `smallest` bytes and more, in `folder` (none: never kept).
    struct Cache
    {
        QString folder;
        qint64 smallest = qint64(4) << 20;
        bool *fromImage = nullptr; // when given, set to whether the image was read
        // When given, set to why the network's image could not be kept (empty when it was, or
        // needed not be): nothing is built for it then.
        QString *notKept = nullptr;
        // A network of this many nodes and more, up to hierarchyTo, gets the searches' speed-up
        // structure when its image is made, and keeps it there (beyond, building it could take
        // minutes, and more memory than the network).
        int hierarchyFrom = 20'000;
        int hierarchyTo = 2'000'000;
        // When given, the image to be made is neither built for nor written here but left in
        // *later for keepImage(): the network is usable at once, its hierarchy comes after.
        LaterImage *later = nullptr;
        // When given, told each stage as it starts; it may throw to stop the opening (the
        // network is then left in no useful state, the files untouched).
        std::function<void(Stage)> stage = {};
        bool wantsHierarchy(int nodes) const
        {
            return nodes >= hierarchyFrom && nodes <= hierarchyTo;
        }
    };
    // The cache folder the programs share, in the user's cache location; none when the
    // environment sets GPS_NO_CACHE.
    static QString defaultCacheFolder();

    // Reads DIR/villes.csv and DIR/temps.csv. What could be read is kept whatever the outcome;
    // each problem is appended to `messages` ("file:line: ..." or "DIR: no such folder").
    // With a cache, an image of the same two files (same size, time and bytes) is read instead,
    // with the same messages; a missing, stale or damaged image is made anew, silently.
    Load load(const QString &dir, QStringList *messages = nullptr);
    Load load(const QString &dir, QStringList *messages, const Cache &cache);

    // The network and its load messages as bytes, and back: false, this object left empty,
    // for bytes that are not such an image (any bytes may be given).
    QByteArray image(const QStringList &messages) const;
    // Changed whenever what an image holds changes: an image of another version is not read.
    // (2: a hash of key and image; 3: the hierarchy; 4: up to 2 million nodes; 5: the shapes;
    // 6: a hierarchy left for later; 7: the road graph.)
    static constexpr quint32 kImageVersion = 7;
    bool readImage(QByteArrayView bytes, QStringList *messages);

    // The roads' shapes and lengths, where the folder has them (shapes.csv, read after the
    // network, or kept in its image); messages as the files'.
    const RoadShapes &shapes() const { return shapeSet; }
    // This network's cities and roads, as a shapes file is read against them.
    RoadShapes::Roads shapeRoads() const;

    // The structure that speeds the searches up, where the network has one; built here on
    // request (the cache builds it for large networks). Searches give the same answers with
    // it or without. A build given up for the time it would take (`workBudget`, or the half
    // minute or so a waiting user is given), and not for the network's size, leaves it to a
    // build that nobody waits for (hierarchyLeft()).
    const Hierarchy *hierarchy() const { return speedUp.get(); }
    void buildHierarchy(long long workBudget = -1);
    // No hierarchy yet, where a build that nobody waits for (behind the window) may make one:
    // kept so in the image, for the window to build it and gpsroute not to try again.
    bool hierarchyLeft() const { return buildLeft; }
    // Puts a hierarchy built elsewhere from this network to work, where it has none yet: from
    // then on searches use it (searches already running on other threads are safe).
    void useHierarchy(std::shared_ptr<const Hierarchy> made) { speedUp.set(std::move(made)); }
    // Writes the image left for later, with `made` as its hierarchy (none: given up, or none
    // was to be built; or, with `left`, not built yet: see hierarchyLeft()).
    void keepImage(const LaterImage &later, const Hierarchy *made, bool left = false) const;

    int size() const { return int(cityVector.size()); }
    const std::vector<City> &cities() const { return cityVector; }
    const std::vector<Road> &roads() const { return roadVector; }

    // Positions of the cities of that name, in list order; the last one is the one a route by
    // name starts or ends at.
    std::span<const int> positionsOf(QStringView name) const;
    int lastIndexOf(QStringView name) const;

    // Direct time between two positions: the diagonal is 0 or a road's from a city to itself;
    // +inf where no road joins them.
    double direct(int from, int to) const;
    TimeMatrix directMatrix() const;
    // The table's diagonal: the cheaper of the direct time and the shortest round trip.
    double roundTrip(int at) const;
    // Each pair i < j that a road joins, i ascending then j.
    std::vector<std::pair<int, int>> roadPairs() const;
    // The graph the searches walk: the cities' positions, then two nodes for each name that
    // several cities hold, "out of" and "into" that name (its cities lead to the first at no
    // cost, the second leads to them at no cost). A road naming such a name is stored once
    // between those nodes, not once for each pair of cities it joins, so that memory grows with
    // cities + roads whatever the names. Arcs go one way: arcsBegin lists those leaving a node
    // (`to` the node reached), inArcsBegin those arriving (`to` the node they come from); each
    // list is sorted by `to`. Without shared names each arc goes both ways and the lists are
    // the same.
    struct Arc
    {
        std::int32_t to;
        double time;
    };
    int nodeCount() const { return size() + 2 * hubs + roadNodeCount; }
    bool isCity(int node) const { return node < size(); }
    const Arc *arcsBegin(int at) const { return arcs.data() + offsets[at]; }
    const Arc *arcsEnd(int at) const { return arcs.data() + offsets[at + 1]; }
    const Arc *inArcsBegin(int at) const
    {
        return inOffsets.empty() ? arcsBegin(at) : inArcs.data() + inOffsets[at];
    }
    const Arc *inArcsEnd(int at) const
    {
        return inOffsets.empty() ? arcsEnd(at) : inArcs.data() + inOffsets[at + 1];
    }

    // The roads themselves, where the folder has its road graph: then the searches drive on
    // them (from city to city through the road nodes, in the directions cars may go) and no
    // longer on the roads of temps.csv, which stay for the map (roadPairs) and direct().
    const RoadNodes *roadNodes() const { return roadGraph.get(); }
    // Puts the road graph read from `file` to work (its places found by name); false, with
    // the reason in *why, where it cannot serve this network (then nothing changes).
    bool useRoadGraph(const RoadGraphFile &file, QString *why);

    // Time of each leg of `path` (NaN for a position out of range).
    std::vector<double> legTimes(const std::vector<int> &path) const;

    // Shortest times from `from` to every city, the all-pairs table's row: its own entry is the
    // cheaper of its direct time and the shortest round trip. One search, no shared state: it can
    // run in several threads at once.
    std::vector<double> timesFrom(int from) const;

    // Rows `first` to `last` - 1 of the shortest-time table, handed to `row` in order, computed by
    // up to `threads` threads with a few rows ahead at most. `row` returns false to stop.
    void forEachRow(int first, int last, int threads,
                    const std::function<bool(int, const std::vector<double> &)> &row) const;

private:
    // `roadNames`: per road, its names' numbers as the loader found them (see
    // NetworkFiles::takeRoadNames); empty, they are looked up.
    void build(const std::vector<std::pair<int, int>> &roadNames = {});
    // Reads folder/villes.csv and folder/temps.csv into this network (see load()); the loader's
    // numbers of the roads' names in *roadNames.
    Load loadFolder(const QString &dir, QStringList *messages,
                    const std::function<void(Stage)> &stage = {});
    Load loadCached(const QString &dir, QStringList *messages, const Cache &cache,
                    bool *shapesRead);
    Load readFiles(const QDir &folder, QStringList *messages,
                   std::vector<std::pair<int, int>> *roadNames,
                   const std::function<void(Stage)> &stage = {});
    // The names' index, their cities, and the shared names' nodes, from the cities; whether the
    // cities are in name order.
    bool indexNames();
    // readImage's work, from bytes in memory or straight from a file.
    bool readImageFrom(imagebytes::Reader &r, QStringList *messages);
    // The image, with the loader's numbers of the roads' names where it has them.
    QByteArray imageOf(const QStringList &messages,
                       const std::vector<std::pair<int, int>> &roadNames, const Hierarchy *h,
                       bool left) const;

    std::vector<City> cityVector;
    std::vector<Road> roadVector;
    RoadShapes shapeSet;
    NameIndex names;
    // The cities of name k: byName[nameStarts[k]] to byName[nameStarts[k + 1]], in list order.
    std::vector<std::int32_t> nameStarts;
    std::vector<std::int32_t> byName;
    // Calls take(city, time) for each city a road joins to `city`, other than itself.
    template <typename Take> void forEachNeighbour(int city, Take take) const;
    // The node a city's roads leave from, and the one they arrive at.
    int outNode(int city) const { return hubOf[city] < 0 ? city : size() + 2 * hubOf[city]; }
    int inNode(int city) const { return hubOf[city] < 0 ? city : size() + 2 * hubOf[city] + 1; }

    std::vector<double> self;          // diagonal of the direct times
    int hubs = 0;                      // names held by several cities
    std::vector<std::int32_t> hubOf;   // per city: its name's pair of nodes, or -1
    std::vector<std::int64_t> offsets; // arcs leaving node i: [offsets[i], offsets[i + 1])
    std::vector<Arc> arcs;
    std::vector<std::int64_t> inOffsets; // empty without shared names
    std::vector<Arc> inArcs;
    SharedHierarchy speedUp;
    bool buildLeft = false; // see hierarchyLeft()
    std::shared_ptr<const RoadNodes> roadGraph;
    int roadNodeCount = 0;
    std::vector<std::pair<int, int>> placePairs; // roadPairs(), kept when the roads are driven
    // Reads DIR/roadgraph.bin where there is one (see useRoadGraph), its problems said; `stage`
    // told first.
    void readRoadGraph(const QString &dir, QStringList *messages,
                       const std::function<void(Stage)> &stage = {});
    // readImageFrom's part for the road graph: false for bytes that cannot be one.
    bool readRoadNodes(imagebytes::Reader &r);
};
