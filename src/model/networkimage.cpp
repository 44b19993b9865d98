// A network as bytes, and back: a million places open from their image in a fraction of the time
// their text takes to read (networkcache.cpp keeps them between runs).
#include "drive.h"
#include "hierarchy.h"
#include "imagebytes.h"
#include "logging.h"
#include "network.h"
#include "prefetch.h"

#include <QHash>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace {

using imagebytes::Reader;
using imagebytes::Writer;

bool isTime(double t)
{
    return t >= 0 && std::isfinite(t);
}

// Arcs within [0, nodes) and of usable times, each node's sorted by `to`, `offsets` running
// from 0 to the arcs' count.
template <typename Arc>
bool validArcs(const std::vector<std::int64_t> &offsets, const std::vector<Arc> &arcs, int nodes)
{
    if (offsets.size() != std::size_t(nodes) + 1 || offsets.front() != 0 ||
        offsets.back() != std::int64_t(arcs.size()))
        return false;
    for (int i = 0; i < nodes; ++i) {
        const std::int64_t from = offsets[std::size_t(i)], to = offsets[std::size_t(i) + 1];
        if (to < from || to > std::int64_t(arcs.size()))
            return false;
        for (std::int64_t a = from; a < to; ++a) {
            const Arc &arc = arcs[std::size_t(a)];
            if (arc.to < 0 || arc.to >= nodes || !isTime(arc.time) ||
                (a > from && arcs[std::size_t(a - 1)].to > arc.to))
                return false;
        }
    }
    return true;
}

} // namespace

QByteArray Network::image(const QStringList &messages) const
{
    return imageOf(messages, {}, hierarchy(), buildLeft);
}

QByteArray Network::imageOf(const QStringList &messages,
                            const std::vector<std::pair<int, int>> &roadNames, const Hierarchy *h,
                            bool left) const
{
    Writer w;
    w.put(quint64(cityVector.size()));
    for (const City &city : cityVector) {
        w.putString(city.getName());
        w.put(city.getCoordLat());
        w.put(city.getCoordLong());
    }
    // Roads by their names' numbers: the cities' names first (as indexNames() numbers them),
    // then the names no city has, in the order roads name them.
    const bool numbered = roadNames.size() == roadVector.size();
    QHash<QString, quint32> others;
    QStringList otherNames;
    const auto numberOf = [&](const QString &name, int known) {
        if (known < 0 && !numbered)
            known = names.find(name);
        if (known >= 0)
            return quint32(known);
        const auto found = others.constFind(name);
        if (found != others.constEnd())
            return *found;
        otherNames << name;
        return *others.insert(name, quint32(names.size() + others.size()));
    };
    std::vector<quint32> ends(2 * roadVector.size());
    std::vector<double> times(roadVector.size());
    for (std::size_t r = 0; r < roadVector.size(); ++r) {
        const Road &road = roadVector[r];
        ends[2 * r] = numberOf(road.cityStart, numbered ? roadNames[r].first : -1);
        ends[2 * r + 1] = numberOf(road.cityEnd, numbered ? roadNames[r].second : -1);
        times[r] = road.time;
    }
    w.put(quint64(otherNames.size()));
    for (const QString &name : std::as_const(otherNames))
        w.putString(name);
    w.putArray(ends);
    w.putArray(times);
    // The road graph the searches drive on, where the folder has one.
    w.put(quint8(roadGraph ? 1 : 0));
    if (roadGraph) {
        const RoadNodes &g = *roadGraph;
        w.putArray(g.lat);
        w.putArray(g.lon);
        w.putArray(g.osmId);
        w.putArray(g.town);
        w.putArray(g.cityNode);
        w.putArray(g.ms);
        w.putArray(g.cm);
        std::vector<std::int32_t> pairs;
        for (const auto &[a, b] : placePairs)
            pairs.insert(pairs.end(), {a, b});
        w.putArray(pairs);
    }
    w.putArray(self);
    w.putArray(offsets);
    w.putArray(arcs);
    w.putArray(inOffsets);
    w.putArray(inArcs);
    // 0: none (given up, or none made at this size), 1: the hierarchy follows, 2: left to a
    // build that nobody waits for.
    w.put(quint8(h ? 1 : left ? 2 : 0));
    if (h) {
        w.putArray(h->rank);
        w.putArray(h->upOffsets);
        w.putArray(h->up);
        w.putArray(h->downOffsets);
        w.putArray(h->down);
    }
    shapeSet.put(&w);
    w.put(quint64(messages.size()));
    for (const QString &text : messages)
        w.putString(text);
    return w.out;
}

bool Network::readRoadNodes(imagebytes::Reader &r)
{
    auto made = std::make_shared<RoadNodes>();
    RoadNodes &g = *made;
    const int n = size();
    std::vector<std::int32_t> pairs;
    if (!r.getArray(&g.lat) || !r.getArray(&g.lon) || !r.getArray(&g.osmId) ||
        !r.getArray(&g.town) || !r.getArray(&g.cityNode) || !r.getArray(&g.ms) ||
        !r.getArray(&g.cm) || !r.getArray(&pairs) || pairs.size() % 2 != 0)
        return false;
    for (std::size_t k = 0; k < pairs.size(); k += 2)
        placePairs.emplace_back(pairs[k], pairs[k + 1]);
    const std::size_t count = g.lat.size();
    if (g.lon.size() != count || g.osmId.size() != count || g.town.size() != count ||
        g.cityNode.size() != std::size_t(n) || count > std::size_t(INT_MAX - n))
        return false;
    for (const std::int32_t c : g.town)
        if (c < -1 || c >= n)
            return false;
    for (const std::int32_t v : g.cityNode)
        if (v < -1 || std::size_t(std::int64_t(v) + 1) > count)
            return false;
    for (std::size_t k = 0; k < count; ++k)
        if (std::abs(std::int64_t(g.lat[k])) > 900'000'000 ||
            std::abs(std::int64_t(g.lon[k])) > 1'800'000'000)
            return false;
    for (const auto &[a, b] : placePairs)
        if (a < 0 || b < 0 || a >= n || b >= n)
            return false;
    g.first = n;
    hubs = 0; // (as useRoadGraph leaves them)
    hubOf.assign(std::size_t(n), -1);
    roadNodeCount = int(count);
    roadGraph = std::move(made);
    return true;
}

bool Network::readImage(QByteArrayView bytes, QStringList *messages)
{
    Reader r(bytes);
    return readImageFrom(r, messages);
}

bool Network::readImageFrom(imagebytes::Reader &r, QStringList *messages)
{
    *this = Network();
    std::size_t n = 0;
    // A city takes at least its name's length and two numbers.
    if (!r.getCount(4 + 2 * sizeof(double), &n) || n > std::size_t(INT_MAX / 4))
        return false;
    cityVector.resize(n);
    for (City &city : cityVector) {
        QString name;
        double lat = 0, lon = 0;
        if (!r.getString(&name) || !r.get(&lat) || !r.get(&lon) || !std::isfinite(lat) ||
            !std::isfinite(lon)) {
            *this = Network();
            return false;
        }
        city.setName(name);
        city.setCoordLat(lat);
        city.setCoordLong(lon);
    }
    indexNames();
    std::size_t otherCount = 0;
    bool ok = r.getCount(4, &otherCount);
    std::vector<QString> nameOf(ok ? std::size_t(names.size()) + otherCount : 0);
    for (int k = 0; ok && k < names.size(); ++k)
        nameOf[std::size_t(k)] = names.name(k);
    for (std::size_t k = 0; ok && k < otherCount; ++k)
        ok = r.getString(&nameOf[std::size_t(names.size()) + k]);
    std::vector<quint32> ends;
    std::vector<double> times;
    ok = ok && r.getArray(&ends) && r.getArray(&times) && ends.size() == 2 * times.size();
    for (std::size_t e = 0; ok && e < ends.size(); ++e)
        ok = ends[e] < nameOf.size();
    for (std::size_t t = 0; ok && t < times.size(); ++t)
        ok = isTime(times[t]);
    if (ok) {
        // Each road shares its names' strings: two strings met at random per road, fetched a
        // few roads ahead (the string, then its characters) so that the waits overlap.
        constexpr std::size_t kAhead = 8;
        const std::size_t count = times.size();
        roadVector.reserve(count);
        for (std::size_t k = 0; k < count; ++k) {
            if (k + 2 * kAhead < count) {
                prefetch(&nameOf[ends[2 * (k + 2 * kAhead)]]);
                prefetch(&nameOf[ends[2 * (k + 2 * kAhead) + 1]]);
            }
            if (k + kAhead < count) {
                prefetch(nameOf[ends[2 * (k + kAhead)]].constData());
                prefetch(nameOf[ends[2 * (k + kAhead) + 1]].constData());
            }
            roadVector.push_back(Road{nameOf[ends[2 * k]], nameOf[ends[2 * k + 1]], times[k]});
        }
    }
    quint8 roads = 0;
    ok = ok && r.get(&roads) && roads <= 1 && (roads == 0 || readRoadNodes(r));
    const int nodes = nodeCount();
    ok = ok && r.getArray(&self) && self.size() == n && r.getArray(&offsets) && r.getArray(&arcs) &&
         r.getArray(&inOffsets) && r.getArray(&inArcs) && validArcs(offsets, arcs, nodes) &&
         (hubs > 0 || roadGraph ? validArcs(inOffsets, inArcs, nodes)
                                : inOffsets.empty() && inArcs.empty()) &&
         (!roadGraph ||
          (roadGraph->ms.size() == arcs.size() && roadGraph->cm.size() == arcs.size()));
    for (std::size_t i = 0; ok && i < self.size(); ++i)
        ok = isTime(self[i]);
    quint8 hasHierarchy = 0;
    ok = ok && r.get(&hasHierarchy) && hasHierarchy <= 2;
    buildLeft = hasHierarchy == 2;
    if (ok && hasHierarchy == 1) {
        auto h = std::make_shared<Hierarchy>();
        ok = r.getArray(&h->rank) && r.getArray(&h->upOffsets) && r.getArray(&h->up) &&
             r.getArray(&h->downOffsets) && r.getArray(&h->down) && h->valid(nodes);
        if (ok)
            speedUp.set(std::move(h));
    }
    ok = ok && shapeSet.take(&r, int(n));
    std::size_t count = 0;
    ok = ok && r.getCount(4, &count);
    QStringList found;
    for (std::size_t i = 0; ok && i < count; ++i) {
        QString text;
        ok = r.getString(&text);
        found << text;
    }
    if (!ok || r.left() != 0) {
        *this = Network();
        return false;
    }
    if (messages)
        messages->append(found);
    return true;
}
