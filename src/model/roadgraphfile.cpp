#include "roadgraphfile.h"

#include "networkcache.h"

#include <QtEndian>

#include <cstring>
#include <limits>

namespace {

constexpr char kMagic[8] = {'G', 'P', 'S', 'R', 'O', 'A', 'D', 'G'};
// A node's arcs are counted in 16 bits: no road node meets 65,535 others.
constexpr std::int64_t kMostArcs = 65535;

template <typename T> void put(QByteArray *out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out->append(bytes, sizeof(T));
}

template <typename T> void putAll(QByteArray *out, const std::vector<T> &values)
{
    for (const T v : values)
        put(out, v);
}

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

QByteArray RoadGraphFile::bytes() const
{
    for (std::size_t v = 0; v + 1 < first.size(); ++v)
        if (first[v + 1] - first[v] > kMostArcs)
            return {};
    std::vector<QByteArray> names;
    for (std::size_t k = 0; k < placeNode.size(); ++k) {
        names.push_back(k < placeName.size() ? placeName[k].toUtf8() : QByteArray());
        if (names.back().size() > 65535)
            return {};
    }
    QByteArray out;
    // Its size known beforehand: grown by appends, it would take up to twice that meanwhile.
    out.reserve(qsizetype(36 + 18 * lat.size() + 12 * to.size() + 4 * placeNode.size() +
                          4 * lat.size() + 8));
    out.append(kMagic, 8);
    put(&out, kVersion);
    put(&out, std::uint64_t(lat.size()));
    put(&out, std::uint64_t(to.size()));
    put(&out, std::uint64_t(placeNode.size()));
    putAll(&out, lat);
    putAll(&out, lon);
    putAll(&out, osmId);
    for (std::size_t v = 0; v + 1 < first.size(); ++v)
        put(&out, std::uint16_t(first[v + 1] - first[v]));
    putAll(&out, to);
    putAll(&out, ms);
    putAll(&out, cm);
    putAll(&out, placeNode);
    for (std::size_t v = 0; v < lat.size(); ++v)
        put(&out, v < town.size() ? town[v] : std::int32_t(-1));
    for (const QByteArray &name : names) {
        put(&out, std::uint16_t(name.size()));
        out.append(name);
    }
    networkcache::ImageHash hash;
    hash.add(out.constData(), out.size());
    put(&out, hash.value());
    return out;
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
        placeName.push_back(QString::fromUtf8(r.at, size));
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
