#pragma once

#include "routeshape.h"
#include "zeroedarray.h"

#include <QPointF>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class Network;
class RouteFinder;
class TimesTo;

// The roads themselves, where a folder has its road graph (roadgraph.bin): the network's
// searches then drive on them (Network::roadNodes()). Its road nodes follow the cities in the
// search graph; a city is joined to the road node it stands on, both ways, at no cost.
struct RoadNodes
{
    int first = 0;                      // the search graph's number of road node 0
    std::vector<std::int32_t> lat, lon; // per road node, in ten-millionths of a degree
    std::vector<std::int64_t> osmId;    // per road node (0: not known)
    std::vector<std::int32_t> town;     // per road node, the city whose town holds it, or -1
    std::vector<std::int32_t> cityNode; // per city, the road node it stands on, or -1
    // Per arc of the search graph, in its order: time in milliseconds and length in
    // centimetres (0 for a city's own arcs).
    std::vector<std::uint32_t> ms, cm;

    int count() const { return int(lat.size()); }
    QPointF mapPoint(int node) const; // road node `node` (not a search-graph number)
};

// The fastest drive between two cities on a network's road graph, road node by road node. One
// search each, its arrays kept for the next; with the network's hierarchy, only the nodes on
// some fastest drive are searched.
class DriveFinder
{
public:
    explicit DriveFinder(const Network &net);
    ~DriveFinder();
    DriveFinder(const DriveFinder &) = delete;
    DriveFinder &operator=(const DriveFinder &) = delete;

    // The road nodes (RoadNodes' numbers) of the fastest drive from city `a` to city `b`, a's
    // first and b's last; empty where no road leads there, a city stands on no road node or a
    // position is out of range.
    std::vector<int> nodes(int a, int b);
    // Makes its arrays now, written whole, so that the first drive asked for is as quick as
    // the next (made as a drive reaches them, the first one after opening a million-node
    // region took 9 ms more).
    void makeReady();

private:
    void makeArrays();
    const Network &net;
    // Per search-graph node, read only where `seen` or `settled` is this search's stamp.
    ZeroedArray<double> dist;
    ZeroedArray<std::int32_t> pred;
    ZeroedArray<std::uint32_t> seen, settled;
    std::uint32_t stamp = 0;
    std::unique_ptr<TimesTo> toTarget;
};

// A route as every caller shows it: its cities, the time of each leg, and its km and lines.
struct PlannedRoute
{
    // The cities in order: the stops, and on a road graph the places the drive passes.
    std::vector<int> path;
    std::vector<double> legs; // minutes, one a leg (+inf where no road leads)
    RouteShape shape;
    // On a road graph, per city of the path, the road node it stands on (else empty).
    std::vector<int> node;
};

// The fastest route through the cities of these names (each the last city of its name), leg
// by leg. Without a road graph, the route `finder` gives between the network's cities, with
// the shape only where `withShape` (see routeShape); on one, the drive on the roads, with the
// places it passes: the towns whose area it enters, in order, each at the point of the drive
// nearest to its place, the legs' times and km adding up to the drive's exactly.
PlannedRoute planRoute(const Network &net, RouteFinder &finder, const std::vector<QString> &names,
                       bool withShape = true);
