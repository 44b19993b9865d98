#include "routeplan.h"

#include "drive.h"
#include "infinity.h"
#include "logging.h"
#include "searches.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <thread>

RoutePlan::RoutePlan(QObject *parent)
    : QObject(parent), net(std::make_shared<Network>()), finder(std::make_unique<RouteFinder>(*net))
{
}

RoutePlan::~RoutePlan() = default;

bool RoutePlan::known(const QString &name) const
{
    return !name.isEmpty() && !net->positionsOf(name).empty();
}

void RoutePlan::setNetwork(std::shared_ptr<const Network> network)
{
    // Made first: a failure leaves the plan on the network it had.
    auto routes = std::make_unique<RouteFinder>(*network);
    routes->drives().makeReady(); // (on a road graph: its arrays now, not at the first route)
    finder = std::move(routes);   // before `net`, which it refers to, is let go
    net = std::move(network);
    tripResult.reset(); // on another network, another order may be best
    if (!known(from))
        from.clear();
    if (!known(to))
        to.clear();
    if (how == Mode::Typed &&
        !std::all_of(typed.begin(), typed.end(), [this](const QString &n) { return known(n); }))
        how = Mode::TwoCities; // between the ends that are still there, if both are
    recompute();
}

void RoutePlan::setRoute(const QString &start, const QString &end)
{
    tripResult.reset();
    from = known(start) ? start : QString();
    to = known(end) ? end : QString();
    how = Mode::TwoCities;
    recompute();
}

void RoutePlan::setStart(const QString &start)
{
    setRoute(start, to);
}

void RoutePlan::setEnd(const QString &end)
{
    setRoute(from, end);
}

bool RoutePlan::through(const QStringList &names)
{
    PlannedRoute found;
    try {
        found = planRoute(*net, *finder, std::vector<QString>(names.begin(), names.end()),
                          net->roadNodes() != nullptr);
    } catch (const std::bad_alloc &) {
        emit outOfMemory();
        return false;
    }
    for (const int at : found.path)
        qCDebug(lcWindow) << "path : " << at;
    for (const int at : found.path)
        qCDebug(lcWindow) << "newPathName : " << net->cities()[std::size_t(at)].getName();
    typed = names;
    how = Mode::Typed;
    route = std::move(found.path);
    legs = std::move(found.legs);
    driven = std::move(found.shape);
    // The last leg's two names are the ends a later choice of one of them keeps (a departure
    // chosen after "Brest Rennes Nantes" routes to Nantes); with fewer than two names, no leg:
    // the ends stay as they were.
    if (names.size() >= 2) {
        from = names[names.size() - 2];
        to = names.back();
    }
    return true;
}

void RoutePlan::setStops(const QStringList &names)
{
    tripResult.reset();
    if (through(names)) // else the route on show stays
        emit routeChanged();
}

void RoutePlan::setStops(const QStringList &names, RouteOrder order)
{
    switch (order) {
    case RouteOrder::AsTyped:
        setStops(names);
        return;
    case RouteOrder::BestKeepFirst:
        setTrip(names, TripEnds::KeepFirst);
        return;
    case RouteOrder::BestKeepFirstAndLast:
        setTrip(names, TripEnds::KeepFirstAndLast);
        return;
    case RouteOrder::BestRound:
        setTrip(names, TripEnds::Round);
        return;
    }
}

bool RoutePlan::setTrip(const QStringList &names, TripEnds ends)
{
    QStringList stops;
    TripResult result;
    QSet<QString> seen;
    for (const QString &name : names) {
        if (!seen.contains(name)) {
            seen.insert(name);
            stops << name;
        } else if (!result.repeated.contains(name)) {
            result.repeated << name;
        }
    }
    if (stops.size() > kMostTripStops)
        return false;
    QStringList ordered;
    try {
        std::vector<int> at;
        for (const QString &name : stops)
            at.push_back(net->lastIndexOf(name));
        const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
        const std::vector<std::vector<double>> times = timesBetween(*net, at, at, threads);
        const TripOrder best = bestTripOrder(times, ends);
        result.proven = best.proven;
        result.saves = best.saves;
        result.fewerMissingLegs = best.fewerMissingLegs;
        for (std::size_t i = 1; i < at.size(); ++i)
            if (!(times[0][i] < kInf))
                result.unreachable << stops[qsizetype(i)];
        for (const int i : best.order)
            ordered << stops[i];
        if (ends == TripEnds::Round && stops.size() > 1)
            ordered << stops.first();
    } catch (const std::bad_alloc &) {
        emit outOfMemory();
        return false;
    }
    if (!through(ordered))
        return false;
    tripResult = result;
    emit routeChanged();
    return true;
}

void RoutePlan::reverse()
{
    if (how == Mode::Typed) {
        QStringList back = typed;
        std::reverse(back.begin(), back.end());
        setStops(back);
        return;
    }
    const QString start = to, end = from; // (copies: setRoute sets both)
    setRoute(start, end);
}

void RoutePlan::clear()
{
    tripResult.reset();
    how = Mode::None;
    from.clear();
    to.clear();
    typed.clear();
    recompute();
}

void RoutePlan::recompute()
{
    // The route on show may be of another network: it goes whatever happens.
    if (how == Mode::Typed && through(typed)) {
        emit routeChanged();
        return;
    }
    try {
        PlannedRoute found;
        if (how == Mode::TwoCities && !from.isEmpty() && !to.isEmpty())
            found = planRoute(*net, *finder, {from, to}, net->roadNodes() != nullptr);
        route = std::move(found.path);
        legs = std::move(found.legs);
        driven = std::move(found.shape);
    } catch (const std::bad_alloc &) {
        route.clear();
        legs.clear();
        driven = RouteShape();
        emit outOfMemory();
    }
    emit routeChanged();
}

std::vector<int> RoutePlan::routePositions() const
{
    // Every city that bears a stop's name, as the typed route's city list holds them.
    std::vector<int> positions;
    for (const int at : route) {
        const std::span<const int> same =
            net->positionsOf(net->cities()[std::size_t(at)].getName());
        positions.insert(positions.end(), same.begin(), same.end());
    }
    return positions;
}

void RoutePlan::setUnit(Unit unit)
{
    if (unit == timeUnit)
        return;
    timeUnit = unit;
    emit unitChanged();
}

QString RoutePlan::unitText() const
{
    switch (timeUnit) {
    case Unit::Hours:
        return QStringLiteral("h");
    case Unit::HoursMinutes:
        return QStringLiteral("h:mm");
    case Unit::Minutes:
        break;
    }
    return QStringLiteral("mn");
}

double RoutePlan::unitScale() const
{
    return timeUnit == Unit::Minutes ? 1.0 : 1.0 / 60.0;
}

QString RoutePlan::unitName() const
{
    return timeUnit == Unit::Minutes ? QStringLiteral("min") : QStringLiteral("h");
}
