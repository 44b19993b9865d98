#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// A GPS network from an OpenStreetMap extract: the named places as cities, and between places
// the fastest times over the roads a car may use, as roads. For each place, one search over the
// road graph finds the places whose fastest path from it passes no other place; those pairs
// become roads, so the network of places keeps the road graph's fastest times between them.
namespace osmnet {

struct Options
{
    QStringList placeKinds{"city", "town", "village"}; // place=... values kept
    bool service = false;                              // highway=service too
    double joinWithinKm = 2.0; // a place farther than this from any road is left out
    int threads = 0;           // 0: every core
    bool nodeIds = false;      // RoadGraph::id kept (for roadgraph.bin: 8 bytes a road node)
    std::function<void(const QString &)> progress; // what is being done, for long runs
    // Asked now and then (from the thread that converts): true stops the conversion, which
    // throws Cancelled.
    std::function<bool()> cancelled;
};

// Unreadable input: not an OSM file, damaged, or not there.
struct Error : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// The conversion was stopped (Options::cancelled).
struct Cancelled : Error
{
    Cancelled() : Error("cancelled") {}
};

// The road graph the times come from: nodes of car roads, arcs in the directions cars may go.
struct RoadGraph
{
    std::vector<double> lat, lon;  // per node
    std::vector<std::int64_t> id;  // per node, the OSM node's (with Options::nodeIds)
    std::vector<std::int64_t> out; // arcs leaving node i: [out[i], out[i + 1])
    std::vector<std::int32_t> to;
    std::vector<float> minutes;
    std::vector<char> oneWay; // the arc's way goes one way only
    int nodeCount() const { return int(lat.size()); }
};

struct Place
{
    std::int64_t id = 0; // the OSM node's
    QString name;        // as written, made unique
    QString region;      // from the tags, where they give one
    double lat = 0, lon = 0;
    QString kind;  // its place= value
    int node = -1; // the road-graph node it is joined to
};

struct Link
{
    int a, b;       // places, a < b
    double minutes; // the slower direction's fastest time
    double km = 0;  // the length of the drive between their road nodes
    // The drive's road nodes from a's to b's, simplified for drawing: lat, lon, lat, lon...
    std::vector<double> shape;
};

// The network of places checked against the drives (the check stage): pairs of places that the
// roads join both ways, from every place or a sample of them.
struct Checked
{
    int places = 0;           // that stand for their road node
    int sources = 0;          // checked from (all of them, or a sample)
    long long pairs = 0;      // joined both ways by the roads, checked
    long long oneWayOnly = 0; // joined one way only: no road can stand for them
    long long added = 0;      // roads added (or made faster) for a pair
    long long left = 0;       // pairs still beyond the bound (none, but for rounding)
    // The worst excess left over the drive: of drives of 33 1/3 min or more (where 3 % is a
    // minute or more) as a share, 0.02: 2 %; of shorter ones in minutes. With the pair, "A - B".
    double worstShare = 0, worstMinutes = 0;
    QString worstSharePair, worstMinutesPair;
};

struct Network
{
    std::vector<Place> places;
    std::vector<Link> links;
    RoadGraph graph;
    // Per road node, the place whose town holds it (-1: none; of places sharing a node, the
    // first): a drive that enters a town passes its place.
    std::vector<std::int32_t> town;
    // What was read and what was left out, for the report.
    long long waysRead = 0, waysKept = 0;
    long long waysMissingNodes = 0; // kept ways some of whose nodes the extract lacks
    long long unnamed = 0;          // places whose name is empty as GPS reads it
    long long invalidPositions = 0; // road nodes and places whose position is off the Earth
    long long placesFound = 0;
    QStringList farPlaces; // farther than joinWithinKm from any road: left out
    // Left out too, near roads a car may not stop on or reach: a motorway alone, or roads whose
    // every node near the place has a barrier.
    QStringList motorwayPlaces, barredPlaces;
    std::vector<std::pair<double, double>> barrierAt; // lat, lon of the barriers' nodes
    long long renamed = 0;     // names made unique with their region or a number
    long long oneWayPairs = 0; // places joined one way only: no road written
    QStringList roadless;      // places no road joins to any other (a cut-off street...)
    // Places whose nearest street is cut off from the region's roads, joined instead to the
    // nearest road node that leads out and back within reach: "Name (0.45 km)".
    QStringList movedPlaces;
    long long barriers = 0; // road nodes with a barrier that stops cars: the road cut there
    bool oneWayRoads = false;
    Checked checked;
};

// Reads the extract (PBF, OSM XML, or XML compressed with bzip2 or gzip; the format is told by
// its bytes) and builds the network. Throws Error when the file cannot be read as OSM data.
Network convert(const QString &extract, const Options &options);

// The two files, in the sample's formats; and the roads' shapes and lengths (shapes.csv: a
// header, then FROM,TO,KM,LAT,LON,... from place to place along the drive).
QByteArray citiesCsv(const Network &network);
QByteArray roadsCsv(const Network &network);
QByteArray shapesCsv(const Network &network);
// The car road graph itself, for programs that route on the roads (roadgraph.bin; the format is
// the README's): the road nodes, their arcs with times and lengths, each place's node.
QByteArray roadGraphBin(const Network &network);

// Writes DIR/villes.csv and DIR/temps.csv whole or not at all: a new DIR is filled beside it
// (with the umask's mode) and moved into place; in a DIR that is there, the new files are
// written inside it and both put in place, or neither. False, with the reason, when that
// cannot be done.
// With `roadGraph`, DIR/roadgraph.bin too (roadGraphBin), which GPS then drives on; without,
// one left there from before is removed.
bool write(const QString &dir, const Network &network, QString *error, bool roadGraph = true);

// Speed on a highway of that class with that maxspeed tag (a plain decimal of km/h, "50 km/h" or
// "30 mph", from 1 to 300 km/h; anything else: the class's default). 0 for a class cars do not
// use.
double speedKmh(const char *highway, const char *maxspeed, bool service);

// A road whose drive is longer than any road on Earth (bad data, such as a way that zigzags
// across a country thousands of times): shapes.csv leaves it out, as GPS would refuse it.
bool overlong(const Link &link);

// The great-circle distance in kilometres.
double distanceKm(double lat1, double lon1, double lat2, double lon2);

} // namespace osmnet
