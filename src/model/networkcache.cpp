#include "networkcache.h"

#include "logging.h"
#include "network.h"
#include "privatefiles.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cstring>
#include <system_error>
#include <thread>

namespace {

constexpr char kMagic[8] = {'G', 'P', 'S', 'N', 'E', 'T', '\x01', '\0'};
constexpr quint32 kByteOrder = 0x01020304; // read back otherwise on a machine of the other order
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

// The key's hash and the payload's together: a key spliced onto another image's payload is
// refused.
quint64 keyedHash(QByteArrayView key, QByteArrayView payload)
{
    const quint64 h = hashOf(key) * 0x9E3779B97F4A7C15ULL;
    return hashOf(payload) ^ ((h << 29) | (h >> 35));
}

template <typename T> void put(QByteArray *out, const T &value)
{
    out->append(reinterpret_cast<const char *>(&value), sizeof value);
}

// Reads a T at *at of `bytes`, moving *at past it; false where the bytes end first.
template <typename T> bool take(QByteArrayView bytes, qsizetype *at, T *value)
{
    if (bytes.size() - *at < qsizetype(sizeof(T)))
        return false;
    std::memcpy(value, bytes.data() + *at, sizeof(T));
    *at += qsizetype(sizeof(T));
    return true;
}

} // namespace

namespace networkcache {

QString defaultFolder()
{
    // Off for a measure of the reading itself, or a disk kept clean; "0" is not "off".
    const QByteArray off = qgetenv("GPS_NO_CACHE");
    if (!off.isEmpty() && off != "0")
        return {};
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/gps/networks");
}

bool addOptionalKey(QByteArray *key, const QString &path)
{
    // No file, or something else in its place: a mark of its own, so that one made later (or
    // put in its place) tells the image apart.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        key->append("none", 4);
        return true;
    }
    if (!info.isFile() || !addKey(key, path))
        key->append("other", 5);
    return true;
}

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

QString fileFor(const QString &cacheFolder, const QString &dir, QByteArray *key)
{
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    const QString path = canonical.isEmpty() ? QFileInfo(dir).absoluteFilePath() : canonical;
    *key = path.toUtf8();
    key->append('\0');
    return QDir(cacheFolder)
        .filePath(QString::fromLatin1(
                      QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex()) +
                  QStringLiteral(".net"));
}

bool read(const QString &cacheFolder, const QString &file, QByteArray *bytes, QByteArray *key,
          QByteArrayView *image)
{
    // Only an ordinary file of the user's, in a folder of the user's, is read (a pipe would hold
    // the reading, a device feed it for ever, others' bytes mislead it).
    if (!privatefiles::ownFolder(cacheFolder) || !privatefiles::ownOrdinary(file) ||
        QFileInfo(file).isSymLink())
        return false;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Read, not mapped: a file rewritten under a mapping would end the program (SIGBUS); read,
    // it is at worst refused by its hash.
    *bytes = QByteArray(in.size(), Qt::Uninitialized); // in one piece, not grown as it comes
    qint64 got = 0;
    while (got < bytes->size()) {
        const qint64 more = in.read(bytes->data() + got, bytes->size() - got);
        if (more <= 0)
            break;
        got += more;
    }
    bytes->truncate(got);
    const QByteArrayView all(*bytes);
    qsizetype at = 0;
    char magic[8];
    quint32 order = 0, version = 0;
    quint64 keySize = 0, imageSize = 0, hash = 0;
    if (!take(all, &at, &magic) || std::memcmp(magic, kMagic, 8) != 0 || !take(all, &at, &order) ||
        order != kByteOrder || !take(all, &at, &version) || version != Network::kImageVersion ||
        !take(all, &at, &keySize) || keySize > quint64(all.size() - at))
        return false;
    *key = all.sliced(at, qsizetype(keySize)).toByteArray();
    at += qsizetype(keySize);
    if (!take(all, &at, &imageSize) || !take(all, &at, &hash) ||
        imageSize != quint64(all.size() - at))
        return false;
    *image = all.sliced(at);
    if (keyedHash(QByteArrayView(*key), *image) != hash) {
        qCDebug(lcModel) << "network cache damaged:" << file;
        return false;
    }
    return true;
}

bool mayWrite(const QString &cacheFolder, const QString &file)
{
    const QString base = cacheFolder.endsWith(QLatin1String("/gps/networks"))
                             ? cacheFolder.chopped(13)
                             : QFileInfo(cacheFolder).path();
    return privatefiles::makePrivateFolder(base, cacheFolder) && privatefiles::replaceable(file);
}

bool canKeep(const QString &cacheFolder, const QString &file, qint64 size, QString *why)
{
    const QString where = QDir::toNativeSeparators(cacheFolder);
    if (!mayWrite(cacheFolder, file)) {
        *why = QFileInfo(file).isSymLink()
                   ? QStringLiteral("a link stands where its image would go in %1").arg(where)
                   : QStringLiteral("%1 is not a folder of the user's alone").arg(where);
        return false;
    }
    if (QFileInfo(file).isDir()) {
        *why = QStringLiteral("a folder stands where its image would go (%1)")
                   .arg(QDir::toNativeSeparators(file));
        return false;
    }
    const QStorageInfo disk(cacheFolder);
    if (disk.isValid() && disk.isReadOnly()) {
        *why = QStringLiteral("%1 is on a disk that is read only").arg(where);
        return false;
    }
    const qint64 free = disk.isValid() ? disk.bytesAvailable() : -1;
    if (free >= 0 && free < size) {
        *why = QStringLiteral("the disk of %1 has %2 MB free, its image needs about %3 MB")
                   .arg(where)
                   .arg(free >> 20)
                   .arg((size >> 20) + 1);
        return false;
    }
    // Written straight to the disk: a refusal is heard here, not after the build.
    QTemporaryFile trial(QDir(cacheFolder).filePath(QStringLiteral(".trial-XXXXXX")));
    const QByteArray some(4096, '\0');
    if (!trial.open() || trial.write(some) != some.size() || !trial.flush()) {
        *why = QStringLiteral("%1 cannot be written (%2)").arg(where, trial.errorString());
        return false;
    }
    return true;
}

void write(const QString &cacheFolder, const QString &file, QByteArrayView key,
           QByteArrayView image)
{
    QByteArray header(kMagic, 8);
    put(&header, kByteOrder);
    put(&header, Network::kImageVersion);
    put(&header, quint64(key.size()));
    header.append(key.data(), key.size());
    put(&header, quint64(image.size()));
    put(&header, keyedHash(key, image));
    // Written aside and put in place whole: a program stopped half-way leaves the old image.
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly))
        privatefiles::makePrivate(out); // it holds the network and the folder's path
    if (!out.isOpen() || out.write(header) != header.size() ||
        out.write(image.data(), image.size()) != image.size() || !out.commit())
        qCDebug(lcModel) << "network cache not written:" << file << out.errorString();
    privatefiles::prune(cacheFolder, QStringLiteral(".net"), kCacheBound,
                        QFileInfo(file).fileName());
}

} // namespace networkcache

// (How the network uses its cache, beside it.)
QString Network::defaultCacheFolder()
{
    return networkcache::defaultFolder();
}

Network::Load Network::loadCached(const QString &dir, QStringList *messages, const Cache &cache,
                                  bool *shapesRead)
{
    if (cache.fromImage)
        *cache.fromImage = false;
    const QDir folder(dir);
    const QString cities = folder.filePath(QStringLiteral("villes.csv"));
    const QString roads = folder.filePath(QStringLiteral("temps.csv"));
    if (cache.folder.isEmpty() || !QFileInfo(dir).isDir() ||
        QFileInfo(cities).size() + QFileInfo(roads).size() < cache.smallest)
        return loadFolder(dir, messages);
    // One image a folder, however its path is spelt.
    QByteArray key;
    const QString file = networkcache::fileFor(cache.folder, dir, &key);
    // The files' key (their bytes read and hashed) is made while the image is read beside it.
    bool keyMade = false;
    const auto makeKey = [&] {
        try {
            keyMade = networkcache::addKey(&key, cities) && networkcache::addKey(&key, roads) &&
                      networkcache::addOptionalKey(&key, folder.filePath(RoadShapes::fileName()));
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
        QByteArray bytes;
        QByteArrayView image;
        read = networkcache::read(cache.folder, file, &bytes, &keptKey, &image) &&
               readImage(image, &found);
    }
    if (!keyMade) {
        *this = Network();
        return loadFolder(dir, messages); // said by the loader, as ever
    }
    if (read && keptKey == key) {
        *shapesRead = true;
        if (cache.fromImage)
            *cache.fromImage = true;
        for (const QString &text : std::as_const(found))
            qCWarning(lcModel).noquote() << text;
    } else {
        // Stale, another folder's, damaged or none: read, and kept for the next time.
        found.clear();
        std::vector<std::pair<int, int>> roadNames;
        const Load result = readFiles(folder, &found, &roadNames);
        shapeSet.read(dir, shapeRoads(), &found); // simplified once, kept in the image
        *shapesRead = true;
        // Nothing is built for an image that cannot be kept: asked first, and said once.
        QString why;
        const qint64 text = QFileInfo(cities).size() + QFileInfo(roads).size();
        if (result == Load::Ok &&
            networkcache::canKeep(cache.folder, file, 2 * text + (qint64(1) << 20), &why)) {
            if (nodeCount() >= cache.hierarchyFrom && nodeCount() <= cache.hierarchyTo)
                buildHierarchy(); // once, for every later opening
            networkcache::write(cache.folder, file, key, imageOf(found, roadNames));
        } else if (result == Load::Ok && cache.notKept) {
            *cache.notKept = why;
        }
        if (messages)
            messages->append(found);
        return result;
    }
    if (messages)
        messages->append(found);
    return Load::Ok;
}
