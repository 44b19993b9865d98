// A network as bytes, and the cache of such images: a million places open from their image
// in a fraction of the time their text takes to read.
#include "hierarchy.h"
#include "logging.h"
#include "matrix.h"
#include "network.h"
#include "prefetch.h"
#include "privatefiles.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <type_traits>

namespace {

constexpr char kMagic[8] = {'G', 'P', 'S', 'N', 'E', 'T', '\x01', '\0'};
constexpr quint32 kByteOrder = 0x01020304; // read back otherwise on a machine of the other order
constexpr quint32 kVersion = 4; // 2: hash of key + payload; 3: hierarchy; 4: up to 2M nodes
// The images kept take this much at most; the oldest go first.
constexpr qint64 kCacheBound = qint64(2) << 30;
// A 64-bit hash of the bytes, the same in every run on the machine (Qt's own hashes are seeded
// per process): four lanes of multiply-rotate over 8-byte words, then the lengths and an
// avalanche. It tells changed or damaged bytes, fast; it is no defence against a forger.
quint64 hashOf(QByteArrayView bytes)
{
    constexpr quint64 k1 = 0x9E3779B185EBCA87ULL, k2 = 0xC2B2AE3D27D4EB4FULL;
    const auto rotate = [](quint64 v, int r) { return (v << r) | (v >> (64 - r)); };
    const auto word = [](const char *at) {
        quint64 v;
        std::memcpy(&v, at, 8);
        return v;
    };
    quint64 lane[4] = {k1 + k2, k2, 0, quint64(0) - k1};
    const char *at = bytes.data();
    qsizetype left = bytes.size();
    for (; left >= 32; at += 32, left -= 32)
        for (int j = 0; j < 4; ++j)
            lane[j] = rotate(lane[j] + word(at + 8 * j) * k2, 31) * k1;
    quint64 h = rotate(lane[0], 1) + rotate(lane[1], 7) + rotate(lane[2], 12) +
                rotate(lane[3], 18) + quint64(bytes.size());
    for (; left >= 8; at += 8, left -= 8)
        h = rotate(h ^ (rotate(word(at) * k2, 31) * k1), 27) * k1 + k2;
    for (; left > 0; ++at, --left)
        h = rotate(h ^ (quint64(quint8(*at)) * k1), 11) * k2;
    h ^= h >> 33; // the final mix of splitmix64
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    return h ^ (h >> 33);
}

class Writer
{
public:
    template <typename T> void put(const T &value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        out.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    template <typename T> void putArray(const std::vector<T> &values)
    {
        put(quint64(values.size()));
        out.append(reinterpret_cast<const char *>(values.data()),
                   qsizetype(values.size() * sizeof(T)));
    }
    void putString(const QString &text)
    {
        put(quint32(text.size()));
        out.append(reinterpret_cast<const char *>(text.constData()), text.size() * 2);
    }
    QByteArray out;
};

// Every read is checked against what is left: any bytes, damaged or made up, end in false.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : bytes(bytes) {}

    template <typename T> bool get(T *value)
    {
        if (left() < qsizetype(sizeof(T)))
            return false;
        std::memcpy(value, bytes.data() + at, sizeof(T));
        at += qsizetype(sizeof(T));
        return true;
    }
    // A count of items of `size` bytes each that the bytes left can hold.
    bool getCount(std::size_t size, std::size_t *count)
    {
        quint64 n = 0;
        if (!get(&n) || n > quint64(left()) / size)
            return false;
        *count = std::size_t(n);
        return true;
    }
    template <typename T> bool getArray(std::vector<T> *values)
    {
        std::size_t n = 0;
        if (!getCount(sizeof(T), &n))
            return false;
        values->resize(n);
        if (n > 0) // (an empty vector's data may be null, which memcpy must not be given)
            std::memcpy(values->data(), bytes.data() + at, n * sizeof(T));
        at += qsizetype(n * sizeof(T));
        return true;
    }
    bool getString(QString *text)
    {
        quint32 n = 0;
        if (!get(&n) || n > quint64(left()) / 2)
            return false;
        *text = QString(reinterpret_cast<const QChar *>(bytes.data() + at), qsizetype(n));
        at += qsizetype(n) * 2;
        return true;
    }
    qsizetype left() const { return bytes.size() - at; }
    void skip(qsizetype n) { at += std::min(n, left()); }

private:
    QByteArrayView bytes;
    qsizetype at = 0;
};

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

// The file's size, time and a hash of its bytes; empty when it cannot be read as the loader
// would read it.
bool addKey(QByteArray *key, const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > (qint64(1) << 30))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const qint64 size = bytes.size();
    const qint64 time = info.lastModified().toMSecsSinceEpoch();
    const quint64 hash = hashOf(bytes);
    key->append(reinterpret_cast<const char *>(&size), sizeof size);
    key->append(reinterpret_cast<const char *>(&time), sizeof time);
    key->append(reinterpret_cast<const char *>(&hash), sizeof hash);
    return true;
}

// The key's hash and the payload's together: a key spliced onto another image's payload is
// refused.
quint64 keyedHash(QByteArrayView key, QByteArrayView payload)
{
    const quint64 h = hashOf(key) * 0x9E3779B97F4A7C15ULL;
    return hashOf(payload) ^ ((h << 29) | (h >> 35));
}

} // namespace

QString Network::defaultCacheFolder()
{
    // Off for a measure of the reading itself, or a disk kept clean; "0" is not "off".
    const QByteArray off = qgetenv("GPS_NO_CACHE");
    if (!off.isEmpty() && off != "0")
        return {};
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/gps/networks");
}

Network::Load Network::loadCached(const QString &dir, QStringList *messages, const Cache &cache)
{
    if (cache.fromImage)
        *cache.fromImage = false;
    const QDir folder(dir);
    const QString cities = folder.filePath(QStringLiteral("villes.csv"));
    const QString roads = folder.filePath(QStringLiteral("temps.csv"));
    // One image a folder, however its path is spelt (., .., links).
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    const QString path = canonical.isEmpty() ? QFileInfo(dir).absoluteFilePath() : canonical;
    if (cache.folder.isEmpty() || !QFileInfo(dir).isDir() ||
        QFileInfo(cities).size() + QFileInfo(roads).size() < cache.smallest)
        return loadFolder(dir, messages);
    const QString file =
        QDir(cache.folder)
            .filePath(
                QString::fromLatin1(
                    QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex()) +
                QStringLiteral(".net"));
    // The files' key (their bytes read and hashed) is made while the image is read beside it.
    QByteArray key = path.toUtf8();
    key.append('\0');
    bool keyMade = false;
    const auto makeKey = [&] {
        try {
            keyMade = addKey(&key, cities) && addKey(&key, roads);
        } catch (...) { // out of memory: no key, no image
        }
    };
    std::thread keyer;
    try {
        keyer = std::thread(makeKey);
    } catch (const std::system_error &) {
        makeKey(); // no thread to be had: one after the other
    }
    QStringList found;
    QByteArray keptKey;
    bool read = false;
    {
        // Joined however the reading ends (out of memory included): a thread left running
        // would end the program.
        const auto joined = qScopeGuard([&keyer] {
            if (keyer.joinable())
                keyer.join();
        });
        // Only an ordinary file of the user's, in a folder of the user's, is read (a pipe
        // would hold the reading, a device feed it for ever, others' bytes mislead it).
        read = privatefiles::ownFolder(cache.folder) && privatefiles::ownOrdinary(file) &&
               !QFileInfo(file).isSymLink() && readCache(file, &keptKey, &found);
    }
    if (!keyMade) {
        *this = Network();
        return loadFolder(dir, messages); // said by the loader, as ever
    }
    if (read && keptKey == key) {
        if (cache.fromImage)
            *cache.fromImage = true;
        for (const QString &text : std::as_const(found))
            qCWarning(lcModel).noquote() << text;
    } else {
        // Stale, another folder's, damaged or none: read, and kept for the next time.
        found.clear();
        std::vector<std::pair<int, int>> roadNames;
        const Load result = readFiles(folder, &found, &roadNames);
        const QString base = cache.folder.endsWith(QLatin1String("/gps/networks"))
                                 ? cache.folder.chopped(13)
                                 : QFileInfo(cache.folder).path();
        if (result == Load::Ok && privatefiles::makePrivateFolder(base, cache.folder) &&
            privatefiles::replaceable(file)) {
            if (nodeCount() >= cache.hierarchyFrom && nodeCount() <= cache.hierarchyTo)
                buildHierarchy(); // once, for every later opening
            writeCache(file, key, found, roadNames);
            privatefiles::prune(cache.folder, QStringLiteral(".net"), kCacheBound,
                                QFileInfo(file).fileName());
        }
        if (messages)
            messages->append(found);
        return result;
    }
    if (messages)
        messages->append(found);
    return Load::Ok;
}

bool Network::readCache(const QString &file, QByteArray *key, QStringList *messages)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Read, not mapped: a file rewritten under a mapping would end the program (SIGBUS); read,
    // it is at worst refused by its hash.
    QByteArray read(in.size(), Qt::Uninitialized); // in one piece, not grown as it comes
    qint64 got = 0;
    while (got < read.size()) {
        const qint64 more = in.read(read.data() + got, read.size() - got);
        if (more <= 0)
            break;
        got += more;
    }
    read.truncate(got);
    const qint64 size = read.size();
    const uchar *mapped = reinterpret_cast<const uchar *>(read.constData());
    Reader r(QByteArrayView(mapped, mapped ? size : 0));
    char magic[8];
    quint32 order = 0, version = 0;
    quint64 payloadSize = 0, payloadHash = 0;
    std::size_t keySize = 0;
    if (!r.get(&magic) || std::memcmp(magic, kMagic, 8) != 0 || !r.get(&order) ||
        order != kByteOrder || !r.get(&version) || version != kVersion || !r.getCount(1, &keySize))
        return false;
    *key =
        QByteArray(reinterpret_cast<const char *>(mapped) + (size - r.left()), qsizetype(keySize));
    r.skip(qsizetype(keySize));
    if (!r.get(&payloadSize) || !r.get(&payloadHash) || payloadSize != quint64(r.left()))
        return false;
    const QByteArrayView payload(mapped + (size - r.left()), r.left());
    if (keyedHash(QByteArrayView(*key), payload) != payloadHash) {
        qCDebug(lcModel) << "network cache damaged:" << file;
        return false;
    }
    return readImage(payload, messages);
}

void Network::writeCache(const QString &file, QByteArrayView key, const QStringList &messages,
                         const std::vector<std::pair<int, int>> &roadNames) const
{
    const QByteArray payload = imageOf(messages, roadNames);
    Writer header;
    header.out.append(kMagic, 8);
    header.put(kByteOrder);
    header.put(kVersion);
    header.put(quint64(key.size()));
    header.out.append(key.data(), key.size());
    header.put(quint64(payload.size()));
    header.put(keyedHash(key, payload));
    // Written aside and put in place whole: a program stopped half-way leaves the old image.
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly))
        privatefiles::makePrivate(out); // it holds the network and the folder's path
    if (!out.isOpen() || out.write(header.out) != header.out.size() ||
        out.write(payload) != payload.size() || !out.commit())
        qCDebug(lcModel) << "network cache not written:" << file << out.errorString();
}

QByteArray Network::image(const QStringList &messages) const
{
    return imageOf(messages, {});
}

QByteArray Network::imageOf(const QStringList &messages,
                            const std::vector<std::pair<int, int>> &roadNames) const
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
    w.putArray(self);
    w.putArray(offsets);
    w.putArray(arcs);
    w.putArray(inOffsets);
    w.putArray(inArcs);
    const Hierarchy *h = hierarchy();
    w.put(quint8(h ? 1 : 0));
    if (h) {
        w.putArray(h->rank);
        w.putArray(h->upOffsets);
        w.putArray(h->up);
        w.putArray(h->downOffsets);
        w.putArray(h->down);
    }
    w.put(quint64(messages.size()));
    for (const QString &text : messages)
        w.putString(text);
    return w.out;
}

bool Network::readImage(QByteArrayView bytes, QStringList *messages)
{
    *this = Network();
    Reader r(bytes);
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
    const int nodes = nodeCount();
    ok = ok && r.getArray(&self) && self.size() == n && r.getArray(&offsets) && r.getArray(&arcs) &&
         r.getArray(&inOffsets) && r.getArray(&inArcs) && validArcs(offsets, arcs, nodes) &&
         (hubs > 0 ? validArcs(inOffsets, inArcs, nodes) : inOffsets.empty() && inArcs.empty());
    for (std::size_t i = 0; ok && i < self.size(); ++i)
        ok = isTime(self[i]);
    quint8 hasHierarchy = 0;
    ok = ok && r.get(&hasHierarchy) && hasHierarchy <= 1;
    if (ok && hasHierarchy) {
        auto h = std::make_shared<Hierarchy>();
        ok = r.getArray(&h->rank) && r.getArray(&h->upOffsets) && r.getArray(&h->up) &&
             r.getArray(&h->downOffsets) && r.getArray(&h->down) && h->valid(nodes);
        speedUp = std::move(h);
    }
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
