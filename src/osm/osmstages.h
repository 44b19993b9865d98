#pragma once

// The conversion of an extract, stage by stage: convert() (osmnet.cpp) runs them in this order,
// each handing the next what it made, and gives back what is done with as it goes.
//   read      the extract's ways for cars, their nodes, barriers and places   osmread.cpp
//   graph     the road graph: its nodes placed, renumbered, then its arcs       osmgraph.cpp
//   places    each place joined to its town's main road, each name once       osmplaces.cpp
//   search    from each place, the places it reaches passing no other         osmsearch.cpp
//   repair    each road's way back, detours through towns, the roads placed   osmrepair.cpp
//   check     every pair (or a sample) against the drive, joined where short   osmcheck.cpp
// write() (osmfiles.cpp) then writes the network; osmshapes.cpp gives each road its shape.

#include "osmnet.h"
#include "osmsearch.h"

#include <osmium/osm/location.hpp>

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace osmnet::detail {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// What is said while the conversion runs (Options::progress), each time after asking whether
// to stop (Options::cancelled: throws Cancelled).
class Progress
{
public:
    explicit Progress(const Options &options) : options_(options) {}
    void say(const QString &text) const;
    void check() const; // throws Cancelled when asked to stop
    bool wanted() const { return bool(options_.progress); }
    const Options &options() const { return options_; }

private:
    const Options &options_;
};
// "1,234 ways", in words that agree with the count.
QString count(long long n);
QString count(long long n, const char *one, const char *many);

// ---- read

// A way cars may use: its node ids in Extract::refs [first, last).
struct Way
{
    std::int64_t first, last;
    double kmh;
    int oneway;
    bool motorway; // motorway or motorway_link: no town's street, no place's road
};

// What the extract holds for a network: the ways cars may use, their nodes (ids sorted, each
// once, with their positions, invalid where the extract lacks them) and the barriers among them.
// The places go straight into the network.
struct Extract
{
    std::vector<Way> ways;
    std::vector<std::int64_t> refs;
    std::vector<std::int64_t> ids;
    std::vector<osmium::Location> at;
    std::vector<std::int64_t> barriers;
};
// Reads the extract (only an ordinary file: a pipe would be read once, a device for ever) in a
// pass over its ways and relations, one over the outer ways of places mapped as multipolygons
// where there are any, and one over its nodes; counts in `net` what was read and left out.
Extract readExtract(const QString &path, const Options &options, const Progress &progress,
                    Network *net);

// A place mapped as a closed way (its outline's nodes) or as a multipolygon (its outer ways),
// placed once they are read.
struct AreaPlace
{
    Place place;
    std::vector<std::int64_t> outline; // node ids of the ring; way ids of a multipolygon
    bool ring = true;
};
// Adds the places mapped as areas, each at its outline's centre (`outerWays`: the nodes of the
// multipolygons' ways; `outlines`: the nodes' ids, sorted; `at`: their positions, invalid where
// the extract lacks them). One whose name a place
// node within its outline holds is that place already, and left out.
void placeAreas(std::vector<AreaPlace> areas,
                const std::unordered_map<std::int64_t, std::vector<std::int64_t>> &outerWays,
                const std::vector<std::int64_t> &outlines, const std::vector<osmium::Location> &at,
                Network *net);

// Throws Error: "PATH: WHY".
[[noreturn]] void refuse(const QString &path, const QString &why);
// The format of the extract at `path` for libosmium ("pbf", "osm", "osm.bz2", "osm.gz"), from
// its first bytes; throws Error, saying what it is, where it is none gpsnet reads.
std::string formatOf(const QString &path);

// ---- graph

// The graph's nodes: the extract's road nodes that have a position (their positions given back
// once placed). Per extract node, its graph node, or -1 where the extract lacks it, -2 where it
// lies off the Earth, -3 where a barrier stops cars (the road is cut there; its position goes
// to `barrierAt`).
std::vector<std::int32_t> placeNodes(Extract *read, RoadGraph *g,
                                     std::vector<std::pair<double, double>> *barrierAt,
                                     bool keepIds = false);
// The graph's nodes in the order of a Hilbert curve, `index` with them: nodes near one another
// stand near one another in memory, and a search reads fewer pages (an extract's order follows
// ids, not places).
void renumber(RoadGraph *g, std::vector<std::int32_t> *index);
// The arcs along each way where cars may go, counted then placed (no list of them in between;
// the extract's ways and nodes are given back first); what could not be placed counted in
// `net`. Per node, the fastest road through it that is no motorway (0: motorways only).
std::vector<float> buildArcs(Extract read, std::vector<std::int32_t> index, Network *net);

// Per road node, how many nodes its strongly connected part of the graph holds: those it can
// reach and be reached from.
std::vector<std::int32_t> strongComponentSizes(const RoadGraph &g);
// The nodes a place may be joined to: on a road that is no motorway (`mainRoad`: per node, the
// fastest such road's speed, 0 for none) and joined to another such node (1), and of those,
// the ones from which the region's roads can be reached both ways (2); others 0.
// (Where the largest part has kRegionNodes nodes or more, a part of fewer than kJoinablePart
// is cut off.)
constexpr std::int32_t kRegionNodes = 200, kJoinablePart = 50;
std::vector<char> joinableNodes(const RoadGraph &g, const std::vector<float> &mainRoad);

// ---- places

// The places at each road node (the first stands for them), and per road node the node of the
// place whose town holds it (-1: none; a place's own node is in its town).
struct Towns
{
    std::unordered_map<int, std::vector<int>> at;
    std::vector<std::int32_t> town;
};
// Joins each place to its town's main road: the node of the fastest road within a third of
// its town's reach (the nearest of those), or else the nearest road node within reach; never a
// node of motorways alone, nor one of a street cut off from the region's roads while one that
// is not is within reach (a place whose streets are all cut off is joined to them, and said with
// the places no road joins). The others are said and left out. Then each name made unique, and
// the towns drawn: the road nodes within a place's reach that are nearer to it than to any
// other place's.
Towns joinPlaces(std::vector<float> mainRoad, const Options &options, const Progress &progress,
                 Network *net);

// How far from a place of this kind (its place= value) its town reaches, in km: a path that
// comes this close passes it.
double townKm(const QString &kind);

// A name or region as GPS will read it from the file: commas as spaces, white space
// simplified, a character no file carries (a control character, U+FFFE...) as U+FFFD.
QString asGpsReads(QString text);
// Each name once as GPS reads it: those that repeat get their region, then a number
// ("Vineuil (41)", "Montaigut (63) 2"); a place whose name is empty once read so is left out.
void uniqueNames(Network *net);

// ---- search

// What the searches from the places found, and what each settled on its way.
struct Searched
{
    std::vector<Found> found;
    std::vector<Passed> passed; // per place
};
// From each place: the places it reaches passing no other, and how long that takes (places at
// one node: the first stands for them, the others joined to it alone). On `threads` threads.
Searched searchFromPlaces(const Network &net, const Towns &towns, int threads,
                          const Progress &progress);

// ---- repair

// The network's roads from what the searches found: each at the slower direction's time (the
// way back of a road that takes one-way roads is the other end's find there), pairs that a
// detour through a neighbouring town would charge too much joined directly, then each pair once
// with its shape placed; the places no road joins said.
void repairRoads(const Towns &towns, Searched searched, int threads, const Progress &progress,
                 Network *net);

// ---- check

// Every pair of places that the roads join both ways, from every place that stands for its
// node or, where a search from each would cost more than kCheckWork road nodes settled, from a
// sample spread over them (4 at least): where the network has no route or one slower than
// max(3 %, 1 min) over the slower direction's drive, the pair is joined directly at that time,
// along that drive (the nearest pairs first: a road added often brings farther ones within).
// Counted and said in Network::checked.
constexpr long long kCheckWork = 4'000'000;
void checkRoads(const Towns &towns, int threads, const Progress &progress, Network *net);

// ---- shapes

// The drive along `path` (road nodes) for a link from place `a`'s node to `b`'s: its length
// in the link, and in `kept` the road nodes of its shape, simplified so that it leaves the road
// by no more than kShapeMetres (4 bytes a point, where the link's shape takes 16), put in the
// link by placeShape() once the link is kept. Throws Cancelled when `cancelled` says to stop.
constexpr double kShapeMetres = 5.0;
void shapeLink(const RoadGraph &g, const std::vector<std::int32_t> &path, Link *link,
               std::vector<std::int32_t> *kept, const std::function<bool()> *cancelled = nullptr);
void placeShape(const RoadGraph &g, const std::vector<std::int32_t> &kept, Link *link);

} // namespace osmnet::detail
