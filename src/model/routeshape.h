#pragma once

#include <QPointF>
#include <QString>

#include <cstdint>
#include <vector>

class Network;

// A route along the roads, leg by leg: each leg's km (NaN where its road has no shape) and its
// line in map units, along the shape where there is one and straight between the two cities
// elsewhere; a leg that no road makes has no km and no line.
struct RouteShape
{
    bool shaped = false;       // the network has shapes at all (else no km anywhere)
    std::vector<double> legKm; // one per leg, when shaped
    std::vector<std::vector<QPointF>> legLines;
    // On a road graph, per city of the route, the OSM id of the road node it stands on (0 where
    // not known); else empty.
    std::vector<std::int64_t> osmIds;
    // The sum of the legs, NaN when one of them is unknown or the network has no shapes.
    double totalKm() const;
    bool hasKm() const { return shaped; }
    // The km of the leg that reaches the k-th city of the route: 0 for the first, NaN where
    // unknown.
    double kmTo(std::size_t k) const;
};
// Through a town the route only passes (not one of `stops`, the names the user asked to go
// to), a leg that runs to the town's own point and back the same way is cut where it turns.
RouteShape routeShape(const Network &net, const std::vector<int> &path,
                      const std::vector<QString> &stops = {});
