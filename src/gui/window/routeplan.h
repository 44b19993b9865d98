#pragma once

#include "network.h"
#include "routefinder.h"
#include "routeshape.h"
#include "trip.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// In which order a typed route visits its cities.
enum class RouteOrder
{
    AsTyped,              // as typed, the route the form always made
    BestKeepFirst,        // the fastest order from the first city
    BestKeepFirstAndLast, // the fastest order from the first city to the last
    BestRound,            // the fastest round trip from the first city back to it
};

// The route on show and what it is made of: the network it runs on, its two ends (chosen in the
// boxes, on the map or on the command line) or the typed list of stops, the fastest route
// through them with its leg times, and the unit the times are shown in. Every part of the
// window sets the route through it and shows what `routeChanged` says.
class RoutePlan : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        None,      // nothing chosen yet
        TwoCities, // a departure and an arrival
        Typed,     // a typed list of cities, visited in order
    };
    enum class Unit
    {
        Minutes,
        Hours,
        HoursMinutes, // 2:05
    };

    explicit RoutePlan(QObject *parent = nullptr);
    ~RoutePlan() override;

    // The network routes run on. The route stays when its cities are all there, else it goes.
    void setNetwork(std::shared_ptr<const Network> network);
    const Network &network() const { return *net; }
    std::shared_ptr<const Network> sharedNetwork() const { return net; }

    // The two-city route from `from` to `to`; an empty name (or one that names no city) leaves
    // that end unchosen, and then there is no route.
    void setRoute(const QString &from, const QString &to);
    // One end chosen, the other as it stands: after a typed route, the other name of its last
    // leg.
    void setStart(const QString &from);
    void setEnd(const QString &to);
    // The route through `names` in order (each must name a city; see parseCityList); fewer
    // than two names make no route, and clear the one on show.
    void setStops(const QStringList &names);
    // The typed route through `names` in that order: as typed (setStops) or the best (setTrip).
    void setStops(const QStringList &names, RouteOrder order);
    // The typed route through `names` (each must name a city) in the order that takes the least
    // time: the first stays first, and with KeepFirstAndLast the last stays last; a Round trip
    // comes back to the first. A name typed more than once is visited once. False, and nothing
    // changed, with more than kMostTripStops names (or not the memory for them).
    bool setTrip(const QStringList &names, TripEnds ends);
    // What the last best order found, while its route is on show.
    struct TripResult
    {
        bool proven = false;      // no order is faster
        double saves = 0;         // minutes saved on the order typed; +inf when that one had
        int fewerMissingLegs = 0; // this many more legs that no road makes
        QStringList unreachable;  // stops that no road reaches from the first
        QStringList repeated;     // names typed more than once
    };
    const std::optional<TripResult> &trip() const { return tripResult; }
    // The same route the other way: its ends swapped, or the typed stops reversed.
    void reverse();
    // No route, nothing chosen.
    void clear();

    Mode mode() const { return how; }
    // The ends as they stand (a name, or empty while unchosen).
    QString start() const { return from; }
    QString end() const { return to; }
    // The typed names of the last typed route.
    const QStringList &stops() const { return typed; }
    // The route as positions in the network's city list, and the time of each leg in minutes.
    const std::vector<int> &path() const { return route; }
    const std::vector<double> &legTimes() const { return legs; }
    // The route along the roads: each leg's km and line, where the network has its shapes.
    RouteShape shape() const
    {
        if (net->roadNodes())
            return driven;
        return routeShape(*net, route,
                          how == Mode::Typed ? std::vector<QString>(typed.begin(), typed.end())
                                             : std::vector<QString>());
    }
    // The route's shape where it drives on the network's road graph (then made with the
    // route), else none: see shape().
    const RouteShape *drivenShape() const { return net->roadNodes() ? &driven : nullptr; }
    // A route is on show: both ends chosen (or typed) and a path found.
    bool routed() const { return !route.empty(); }
    // Every city that bears a stop's name, in route order: the travel table's cities.
    std::vector<int> routePositions() const;

    void setUnit(Unit unit);
    Unit unit() const { return timeUnit; }
    // The unit as the route table writes it: "mn", "h" or "h:mm".
    QString unitText() const;
    // Minutes to the unit as numbers give it, for files: 1 or 1/60 (hours for h:mm too); and
    // its name there, "min" or "h".
    double unitScale() const;
    QString unitName() const;

signals:
    void routeChanged();
    void unitChanged();
    // A route needed more memory than there is; the route on show stays.
    void outOfMemory();

private:
    bool known(const QString &name) const;
    // The typed route through `names`, made the route on show; false (and nothing changed)
    // when there is not the memory for it.
    bool through(const QStringList &names);
    void recompute();

    std::shared_ptr<const Network> net;
    std::unique_ptr<RouteFinder> finder; // on `net`, searches kept per source
    std::optional<TripResult> tripResult;
    Mode how = Mode::None;
    QString from, to;
    QStringList typed;
    std::vector<int> route;
    std::vector<double> legs;
    RouteShape driven; // on a road graph, made with the route
    Unit timeUnit = Unit::Minutes;
};
