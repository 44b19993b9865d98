#pragma once

// The passes over an extract (osmread.cpp): its ways (roads cars may use, places mapped as
// areas), the outer ways of places mapped as multipolygons, then its nodes (the roads'
// positions, barriers, places).

#include "osmstages.h"

#include <osmium/handler.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/visitor.hpp>

#include <QDir>
#include <QFile>

#include <cstring>
#include <stdexcept>

namespace osmnet::detail {

// A way's tags (osmtags.cpp): cars may use it (a road class, not an area, not closed to them);
// its direction, +1 along the way, -1 against it, 0 both ways. A node's: a barrier that stops
// cars there.
bool forCars(const osmium::TagList &tags);
int onewayOf(const osmium::TagList &tags);
bool stopsCars(const osmium::TagList &tags);

// OpenStreetMap's ids are far below 2^62 (negative ones, an editor's new objects, too): beyond,
// the extract is no map GPS reads (the PBF reader's sums of deltas wrap there; this file is
// built with -fwrapv where osmread.cpp reads, so that is defined and caught here).
constexpr std::int64_t kLargestId = std::int64_t(1) << 62;

struct BadId : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

inline void checkId(std::int64_t id, const char *what)
{
    if (id > kLargestId || id < -kLargestId)
        throw BadId(QStringLiteral("a %1 id of %2, beyond what OpenStreetMap uses (±2^62): not "
                                   "an extract gpsnet reads")
                        .arg(QLatin1String(what))
                        .arg(id)
                        .toStdString());
}

// A place's name, region and kind from its tags, when it is a place of one of `kinds` with a
// name; false otherwise.
inline bool placeOf(const osmium::TagList &tags, const QStringList &kinds, Place *p)
{
    const char *place = tags["place"];
    const char *name = tags["name"];
    if (!place || !name || !*name || !kinds.contains(QLatin1String(place)))
        return false;
    p->name = QString::fromUtf8(name).simplified();
    if (p->name.isEmpty())
        return false; // a name of spaces names nothing
    for (const char *key : {"is_in:state", "addr:state", "is_in:province", "is_in:region",
                            "is_in:county", "addr:county", "is_in"})
        if (const char *region = tags[key]) {
            p->region = QString::fromUtf8(region).simplified();
            break;
        }
    p->kind = QString::fromUtf8(place);
    return true;
}

class WayReader : public osmium::handler::Handler
{
public:
    WayReader(bool service, const QStringList &kinds, Network *net,
              const std::function<bool()> &cancelled)
        : service(service), kinds(kinds), net(net), cancelled(cancelled)
    {
    }

    void way(const osmium::Way &way)
    {
        if ((net->waysRead & 0xffff) == 0 && cancelled && cancelled())
            throw Cancelled();
        ++net->waysRead;
        checkId(way.id(), "way");
        const osmium::TagList &tags = way.tags();
        AreaPlace area;
        if (way.is_closed() && way.nodes().size() >= 4 && placeOf(tags, kinds, &area.place)) {
            area.place.id = way.id();
            for (const osmium::NodeRef &ref : way.nodes()) {
                checkId(ref.ref(), "node");
                area.outline.push_back(ref.ref());
            }
            areas.push_back(std::move(area));
        }
        const double kmh = speedKmh(tags["highway"], tags["maxspeed"], service);
        if (kmh <= 0 || !forCars(tags) || way.nodes().size() < 2)
            return;
        ++net->waysKept;
        const std::int64_t first = std::int64_t(refs.size());
        for (const osmium::NodeRef &ref : way.nodes()) {
            checkId(ref.ref(), "node");
            refs.push_back(ref.ref());
        }
        const int oneway = onewayOf(tags);
        net->oneWayRoads = net->oneWayRoads || oneway != 0;
        const char *highway = tags["highway"];
        const bool motorway = highway && (std::strcmp(highway, "motorway") == 0 ||
                                          std::strcmp(highway, "motorway_link") == 0);
        ways.push_back({first, std::int64_t(refs.size()), kmh, oneway, motorway});
    }

    // A place mapped as a multipolygon (or a boundary): its outer ways, read in another pass.
    void relation(const osmium::Relation &relation)
    {
        checkId(relation.id(), "relation");
        const osmium::TagList &tags = relation.tags();
        const char *type = tags["type"];
        AreaPlace area;
        if (!type ||
            (std::strcmp(type, "multipolygon") != 0 && std::strcmp(type, "boundary") != 0) ||
            !placeOf(tags, kinds, &area.place))
            return;
        area.place.id = relation.id();
        area.ring = false;
        for (const osmium::RelationMember &m : relation.members())
            if (m.type() == osmium::item_type::way &&
                (std::strcmp(m.role(), "outer") == 0 || !*m.role())) {
                checkId(m.ref(), "way");
                area.outline.push_back(m.ref()); // the ways', until their nodes are known
            }
        if (!area.outline.empty())
            relations.push_back(std::move(area));
    }

    std::vector<std::int64_t> refs;
    std::vector<Way> ways;
    std::vector<AreaPlace> areas, relations;

private:
    bool service;
    const QStringList &kinds;
    Network *net;
    const std::function<bool()> &cancelled;
};

// The nodes of the ways `wanted` (sorted ids), for the places mapped as multipolygons.
class OutlineReader : public osmium::handler::Handler
{
public:
    OutlineReader(const std::vector<std::int64_t> &wanted, const std::function<bool()> &cancelled)
        : wanted(wanted), cancelled(cancelled)
    {
    }

    void way(const osmium::Way &way)
    {
        if ((++seen & 0xffff) == 0 && cancelled && cancelled())
            throw Cancelled();
        if (!std::binary_search(wanted.begin(), wanted.end(), way.id()))
            return;
        std::vector<std::int64_t> &nodes = refs[way.id()];
        for (const osmium::NodeRef &ref : way.nodes()) {
            checkId(ref.ref(), "node");
            nodes.push_back(ref.ref());
        }
    }

    const std::vector<std::int64_t> &wanted;
    std::unordered_map<std::int64_t, std::vector<std::int64_t>> refs;

private:
    const std::function<bool()> &cancelled;
    long long seen = 0;
};

class NodeReader : public osmium::handler::Handler
{
public:
    NodeReader(const std::vector<std::int64_t> &ids, const std::vector<std::int64_t> &outlines,
               const QStringList &kinds, Network *net, const std::function<bool()> &cancelled)
        : ids(ids), at(ids.size()), outlines(outlines), outlineAt(outlines.size()), kinds(kinds),
          net(net), cancelled(cancelled)
    {
    }

    void node(const osmium::Node &node)
    {
        if ((++seen & 0xffff) == 0 && cancelled && cancelled())
            throw Cancelled();
        checkId(node.id(), "node");
        const osmium::Location location = node.location();
        const auto it = std::lower_bound(ids.begin(), ids.end(), node.id());
        const bool onRoad = it != ids.end() && *it == node.id();
        if (onRoad) {
            at[std::size_t(it - ids.begin())] = location; // (off the Earth: there, not used)
            if (stopsCars(node.tags())) {
                barriers.push_back(node.id());
                ++net->barriers;
            }
        }
        if (const auto o = std::lower_bound(outlines.begin(), outlines.end(), node.id());
            o != outlines.end() && *o == node.id())
            outlineAt[std::size_t(o - outlines.begin())] = location;
        if (!location.valid()) {
            net->invalidPositions += onRoad || node.tags()["place"];
            return;
        }
        Place p;
        if (!placeOf(node.tags(), kinds, &p))
            return;
        p.id = node.id();
        ++net->placesFound;
        p.lat = location.lat();
        p.lon = location.lon();
        net->places.push_back(std::move(p));
    }

    const std::vector<std::int64_t> &ids;
    std::vector<osmium::Location> at;
    std::vector<std::int64_t> barriers;        // road nodes cars cannot pass
    const std::vector<std::int64_t> &outlines; // nodes of places mapped as areas, sorted
    std::vector<osmium::Location> outlineAt;

private:
    const QStringList &kinds;
    Network *net;
    const std::function<bool()> &cancelled;
    long long seen = 0;
};

template <typename Handler>
void readAll(const QString &path, osmium::osm_entity_bits::type what, Handler &handler)
{
    try {
        osmium::io::File file(QFile::encodeName(path).toStdString(), formatOf(path));
        osmium::io::Reader reader(file, what, osmium::io::read_meta::no); // (no versions, users...)
        while (osmium::memory::Buffer buffer = reader.read())
            osmium::apply(buffer, handler);
        reader.close();
    } catch (const Error &) {
        throw;
    } catch (const BadId &e) {
        throw Error(QStringLiteral("%1: %2")
                        .arg(QDir::toNativeSeparators(path), QString::fromUtf8(e.what()))
                        .toStdString());
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        throw Error(QStringLiteral("%1: not a readable OSM extract (%2)")
                        .arg(QDir::toNativeSeparators(path), QString::fromUtf8(e.what()))
                        .toStdString());
    }
}

} // namespace osmnet::detail
