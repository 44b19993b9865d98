#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// A region's car road graph as gpsnet osm writes it beside villes.csv (roadgraph.bin): the road
// nodes a car may drive through, the arcs in the directions cars may take them with their times
// and lengths, and the road node each place stands on. Little-endian, versioned, checked by a
// hash; the README gives the layout. Routing on the roads reads it; any bytes may be given to
// read().
struct RoadGraphFile
{
    static constexpr quint32 kVersion = 2;
    static QString fileName() { return QStringLiteral("roadgraph.bin"); }

    std::vector<std::int32_t> lat, lon;  // per node, in ten-millionths of a degree
    std::vector<std::int64_t> osmId;     // per node, its OSM node's id (0: not known)
    std::vector<std::int64_t> first;     // arcs leaving node v: [first[v], first[v + 1])
    std::vector<std::int32_t> to;        // per arc, the node it reaches
    std::vector<std::uint32_t> ms;       // per arc, its time in milliseconds (1/60,000 min)
    std::vector<std::uint32_t> cm;       // per arc, its length in centimetres
    std::vector<std::int32_t> placeNode; // per place, in villes.csv's order, its road node
    std::vector<QString> placeName;      // per place, its name there (how GPS finds its city)
    // Per node, the place (its number above) whose town holds it, -1 for none: a drive that
    // enters a town passes its place.
    std::vector<std::int32_t> town;

    int nodeCount() const { return int(lat.size()); }

    // A graph to be written without a copy of it in these arrays: its counts, and each field
    // when asked (nodes, arcs and places by their numbers; a node's arcs from first(v) to
    // first(v + 1)).
    struct Source
    {
        std::int64_t nodes = 0, places = 0;
        std::function<std::int64_t(std::int64_t v)> first;
        std::function<void(std::int64_t v, std::int32_t *lat, std::int32_t *lon, std::int64_t *id,
                           std::int32_t *town)>
            node;
        // Arc a, leaving node v: the node it reaches, its time and its length.
        std::function<std::int32_t(std::int64_t a)> to;
        std::function<std::uint32_t(std::int64_t a)> ms;
        std::function<std::uint32_t(std::int64_t v, std::int64_t a)> cm;
        std::function<void(std::int64_t p, std::int32_t *node, QByteArray *name)> place;
    };
    // Hands the file's bytes to `out` piece by piece (a megabyte or so at a time); false where
    // `out` did, or where the graph cannot be written (see bytes()).
    static bool write(const Source &graph, const std::function<bool(QByteArrayView)> &out);
    // Empty for a node of more than 65,535 arcs (no road node has them), or a name of more than
    // 65,535 bytes. Names and towns may be left empty: then none.
    QByteArray bytes() const;
    // False, with why, for bytes that are not such a graph (this object then empty).
    bool read(QByteArrayView bytes, QString *why);
};
