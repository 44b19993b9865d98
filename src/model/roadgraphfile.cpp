#include "roadgraphfile.h"

#include "networkcache.h"

#include <QtEndian>

#include <cstring>
#include <limits>

namespace {

constexpr char kMagic[8] = {'G', 'P', 'S', 'R', 'O', 'A', 'D', 'G'};
// A node's arcs are counted in 16 bits: no road node meets 65,535 others.
constexpr std::int64_t kMostArcs = 65535;

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : at(bytes.data()), left(bytes.size()) {}
    template <typename T> bool get(T *value)
    {
        if (left < qsizetype(sizeof(T)))
            return false;
        *value = qFromLittleEndian<T>(at);
        at += sizeof(T);
        left -= sizeof(T);
        return true;
    }
    // `count` values, where the bytes hold them (never a size the bytes cannot back).
    template <typename T> bool getAll(std::uint64_t count, std::vector<T> *values)
    {
        if (count > std::uint64_t(left) / sizeof(T))
            return false;
        values->resize(std::size_t(count));
        for (T &v : *values)
            get(&v);
        return true;
    }
    const char *at;
    qsizetype left;
};

} // namespace

namespace {

// Little-endian values gathered a megabyte at a time, hashed as they go.
class Pieces
{
public:
    explicit Pieces(const std::function<bool(QByteArrayView)> &out) : out(out)
    {
        buffer.reserve(kPiece + 64);
    }
    template <typename T> void put(T value)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        append(bytes, sizeof(T));
    }
    void append(const char *at, qsizetype n)
    {
        buffer.append(at, n);
        if (buffer.size() >= kPiece)
            flush();
    }
    bool finish()
    {
        flush();
        put(hash.value()); // (not hashed itself: flushed below)
        const QByteArray last = buffer;
        buffer.clear();
        return ok && out(last);
    }

private:
    void flush()
    {
        hash.add(buffer.constData(), buffer.size());
        ok = ok && out(buffer);
        buffer.clear();
    }
    static constexpr qsizetype kPiece = qsizetype(1) << 20;
    const std::function<bool(QByteArrayView)> &out;
    QByteArray buffer;
    networkcache::ImageHash hash;
    bool ok = true;
};

} // namespace

bool RoadGraphFile::write(const Source &graph, const std::function<bool(QByteArrayView)> &out)
{
    const std::int64_t nodes = graph.nodes, arcs = nodes > 0 ? graph.first(nodes) : 0;
    for (std::int64_t v = 0; v < nodes; ++v)
        if (graph.first(v + 1) - graph.first(v) > kMostArcs)
            return false;
    std::vector<QByteArray> names(std::size_t(graph.places));
    std::vector<std::int32_t> placeNodes(std::size_t(graph.places));
    for (std::int64_t p = 0; p < graph.places; ++p) {
        graph.place(p, &placeNodes[std::size_t(p)], &names[std::size_t(p)]);
        if (names[std::size_t(p)].size() > 65535)
            return false;
    }
    Pieces w(out);
    w.append(kMagic, 8);
    w.put(kVersion);
    w.put(std::uint64_t(nodes));
    w.put(std::uint64_t(arcs));
    w.put(std::uint64_t(graph.places));
    // Column after column, as the README lays the file out.
    std::int32_t lat = 0, lon = 0, town = 0;
    std::int64_t id = 0;
    for (int column = 0; column < 3; ++column)
        for (std::int64_t v = 0; v < nodes; ++v) {
            graph.node(v, &lat, &lon, &id, &town);
            if (column == 0)
                w.put(lat);
            else if (column == 1)
                w.put(lon);
            else
                w.put(id);
        }
    for (std::int64_t v = 0; v < nodes; ++v)
        w.put(std::uint16_t(graph.first(v + 1) - graph.first(v)));
    for (std::int64_t a = 0; a < arcs; ++a)
        w.put(graph.to(a));
    for (std::int64_t a = 0; a < arcs; ++a)
        w.put(graph.ms(a));
    for (std::int64_t v = 0; v < nodes; ++v)
        for (std::int64_t a = graph.first(v); a < graph.first(v + 1); ++a)
            w.put(graph.cm(v, a));
    for (const std::int32_t v : placeNodes)
        w.put(v);
    for (std::int64_t v = 0; v < nodes; ++v) {
        graph.node(v, &lat, &lon, &id, &town);
        w.put(town);
    }
    for (const QByteArray &name : names) {
        w.put(std::uint16_t(name.size()));
        w.append(name.constData(), name.size());
    }
    return w.finish();
}

QByteArray RoadGraphFile::bytes() const
{
    Source graph;
    graph.nodes = std::int64_t(lat.size());
    graph.places = std::int64_t(placeNode.size());
    graph.first = [this](std::int64_t v) { return first[std::size_t(v)]; };
    graph.node = [this](std::int64_t v, std::int32_t *la, std::int32_t *lo, std::int64_t *id,
                        std::int32_t *t) {
        const auto k = std::size_t(v);
        *la = lat[k];
        *lo = lon[k];
        *id = osmId[k];
        *t = k < town.size() ? town[k] : -1;
    };
    graph.to = [this](std::int64_t a) { return to[std::size_t(a)]; };
    graph.ms = [this](std::int64_t a) { return ms[std::size_t(a)]; };
    graph.cm = [this](std::int64_t, std::int64_t a) { return cm[std::size_t(a)]; };
    graph.place = [this](std::int64_t p, std::int32_t *node, QByteArray *name) {
        *node = placeNode[std::size_t(p)];
        *name =
            std::size_t(p) < placeName.size() ? placeName[std::size_t(p)].toUtf8() : QByteArray();
    };
    QByteArray all;
    // Its size known beforehand: grown by appends, it would take up to twice that meanwhile.
    all.reserve(qsizetype(36 + 22 * lat.size() + 12 * to.size() + 6 * placeNode.size() + 8));
    if (!write(graph, [&all](QByteArrayView piece) {
            all.append(piece);
            return true;
        }))
        return {};
    return all;
}

bool RoadGraphFile::read(QByteArrayView bytes, QString *why)
{
    *this = RoadGraphFile();
    const auto refuse = [this, why](const QString &text) {
        *this = RoadGraphFile();
        *why = text;
        return false;
    };
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kMagic, 8) != 0)
        return refuse(QStringLiteral("not a road graph"));
    if (bytes.size() < 16)
        return refuse(QStringLiteral("cut short"));
    // The hash first: what follows is read from bytes known whole.
    networkcache::ImageHash hash;
    hash.add(bytes.data(), bytes.size() - 8);
    if (qFromLittleEndian<quint64>(bytes.data() + bytes.size() - 8) != hash.value())
        return refuse(QStringLiteral("damaged (its hash does not match)"));
    Reader r(bytes.first(bytes.size() - 8));
    r.at += 8;
    r.left -= 8;
    quint32 version = 0;
    std::uint64_t nodes = 0, arcs = 0, places = 0;
    if (!r.get(&version) || version != kVersion)
        return refuse(QStringLiteral("version %1, not %2").arg(version).arg(kVersion));
    if (!r.get(&nodes) || !r.get(&arcs) || !r.get(&places))
        return refuse(QStringLiteral("cut short"));
    std::vector<std::uint16_t> degree;
    if (nodes > std::uint64_t(std::numeric_limits<std::int32_t>::max()) ||
        arcs > std::uint64_t(std::numeric_limits<std::int64_t>::max()) || !r.getAll(nodes, &lat) ||
        !r.getAll(nodes, &lon) || !r.getAll(nodes, &osmId) || !r.getAll(nodes, &degree) ||
        !r.getAll(arcs, &to) || !r.getAll(arcs, &ms) || !r.getAll(arcs, &cm) ||
        !r.getAll(places, &placeNode) || !r.getAll(nodes, &town))
        return refuse(QStringLiteral("its counts do not match its size"));
    for (std::uint64_t k = 0; k < places; ++k) {
        std::uint16_t size = 0;
        if (!r.get(&size) || r.left < size)
            return refuse(QStringLiteral("its counts do not match its size"));
        const QByteArrayView raw(r.at, size);
        placeName.push_back(QString::fromUtf8(raw));
        if (placeName.back().toUtf8() != raw) // (read as it was written, or not at all)
            return refuse(QStringLiteral("a name that is not UTF-8"));
        r.at += size;
        r.left -= size;
    }
    if (r.left != 0)
        return refuse(QStringLiteral("its counts do not match its size"));
    first.assign(std::size_t(nodes) + 1, 0);
    for (std::size_t v = 0; v < degree.size(); ++v)
        first[v + 1] = first[v] + degree[v];
    if (std::uint64_t(first.back()) != arcs)
        return refuse(QStringLiteral("its arcs do not add up"));
    for (std::size_t v = 0; v < lat.size(); ++v)
        if (std::abs(std::int64_t(lat[v])) > 900'000'000 ||
            std::abs(std::int64_t(lon[v])) > 1'800'000'000)
            return refuse(QStringLiteral("a node off the Earth"));
    for (const std::int32_t w : to)
        if (w < 0 || std::uint64_t(w) >= nodes)
            return refuse(QStringLiteral("an arc to no node"));
    for (const std::int32_t v : placeNode)
        if (v < 0 || std::uint64_t(v) >= nodes)
            return refuse(QStringLiteral("a place on no node"));
    for (const std::int32_t p : town)
        if (p < -1 || std::uint64_t(std::int64_t(p) + 1) > places)
            return refuse(QStringLiteral("a town of no place"));
    return true;
}
