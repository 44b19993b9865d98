#include "networkcache.h"
#include "roadgraphfile.h"

#include "imagebytes.h"
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
// The bytes' ImageHash at once.
quint64 hashOf(QByteArrayView bytes)
{
    networkcache::ImageHash h;
    h.add(bytes.data(), bytes.size());
    return h.value();
}

// The key's hash and the payload's together: a key spliced onto another image's payload is
// refused.
quint64 keyedHash(QByteArrayView key, quint64 payloadHash)
{
    const quint64 h = hashOf(key) * 0x9E3779B97F4A7C15ULL;
    return payloadHash ^ ((h << 29) | (h >> 35));
}

template <typename T> void put(QByteArray *out, const T &value)
{
    out->append(reinterpret_cast<const char *>(&value), sizeof value);
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

void ImageHash::add(const char *at, qint64 n)
{
    total += quint64(n);
    if (held > 0) {
        const qint64 take = std::min<qint64>(32 - held, n);
        std::memcpy(pending + held, at, std::size_t(take));
        held += int(take);
        at += take;
        n -= take;
        if (held < 32)
            return;
        block(pending);
        held = 0;
    }
    for (; n >= 32; at += 32, n -= 32)
        block(at);
    std::memcpy(pending, at, std::size_t(n));
    held = int(n);
}

quint64 ImageHash::value() const
{
    quint64 h =
        rotate(lane[0], 1) + rotate(lane[1], 7) + rotate(lane[2], 12) + rotate(lane[3], 18) + total;
    const char *at = pending;
    int left = held;
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

void ImageHash::block(const char *at)
{
    for (int j = 0; j < 4; ++j)
        lane[j] = rotate(lane[j] + word(at + 8 * j) * k2, 31) * k1;
}

bool open(const QString &cacheFolder, const QString &file, Kept *kept)
{
    // Only an ordinary file of the user's, in a folder of the user's, is read (a pipe would hold
    // the reading, a device feed it for ever, others' bytes mislead it).
    if (!privatefiles::ownFolder(cacheFolder) || !privatefiles::ownOrdinary(file) ||
        QFileInfo(file).isSymLink())
        return false;
    // Read, not mapped: a file rewritten under a mapping would end the program (SIGBUS); read,
    // it is at worst refused by its hash.
    kept->file.setFileName(file);
    if (!kept->file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = kept->file.size();
    const auto get = [&kept](auto *value) {
        return kept->file.read(reinterpret_cast<char *>(value), sizeof *value) ==
               qint64(sizeof *value);
    };
    char magic[8];
    quint32 order = 0, version = 0;
    quint64 keySize = 0;
    if (!get(&magic) || std::memcmp(magic, kMagic, 8) != 0 || !get(&order) || order != kByteOrder ||
        !get(&version) || version != Network::kImageVersion || !get(&keySize) ||
        keySize > quint64(size - kept->file.pos()))
        return false;
    kept->key = kept->file.read(qint64(keySize));
    quint64 imageSize = 0;
    if (kept->key.size() != qsizetype(keySize) || !get(&imageSize) || !get(&kept->hash) ||
        imageSize != quint64(size - kept->file.pos()))
        return false;
    kept->imageSize = qint64(imageSize);
    return true;
}

bool Kept::intact(quint64 imageHash) const
{
    if (keyedHash(QByteArrayView(key), imageHash) == hash)
        return true;
    qCDebug(lcModel) << "network cache damaged:" << file.fileName();
    return false;
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
    put(&header, keyedHash(key, hashOf(image)));
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

void Network::keepImage(const LaterImage &later, const Hierarchy *made, bool left) const
{
    networkcache::write(later.cacheFolder, later.file, later.key,
                        imageOf(later.messages, later.roadNames, made, left && !made));
}

Network::Load Network::loadCached(const QString &dir, QStringList *messages, const Cache &cache,
                                  bool *shapesRead)
{
    if (cache.fromImage)
        *cache.fromImage = false;
    const QDir folder(dir);
    const QString cities = folder.filePath(QStringLiteral("villes.csv"));
    const QString roads = folder.filePath(QStringLiteral("temps.csv"));
    const QString graph = folder.filePath(RoadGraphFile::fileName());
    if (cache.folder.isEmpty() || !QFileInfo(dir).isDir() ||
        QFileInfo(cities).size() + QFileInfo(roads).size() + QFileInfo(graph).size() <
            cache.smallest)
        return loadFolder(dir, messages, cache.stage);
    // One image a folder, however its path is spelt.
    QByteArray key;
    const QString file = networkcache::fileFor(cache.folder, dir, &key);
    // The files' key (their bytes read and hashed) is made while the image is read beside it.
    bool keyMade = false;
    const auto makeKey = [&] {
        try {
            keyMade = networkcache::addKey(&key, cities) && networkcache::addKey(&key, roads) &&
                      networkcache::addOptionalKey(&key, folder.filePath(RoadShapes::fileName())) &&
                      networkcache::addOptionalKey(&key, graph);
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
        // Straight from the file into the arrays it fills, its bytes hashed as they come.
        networkcache::Kept kept;
        if (networkcache::open(cache.folder, file, &kept)) {
            if (cache.stage)
                cache.stage(Stage::Image);
            networkcache::ImageHash hash;
            imagebytes::Reader r(&kept.file, kept.imageSize,
                                 [&hash](const char *at, qint64 n) { hash.add(at, n); });
            read = readImageFrom(r, &found) && kept.intact(hash.value());
            keptKey = kept.key;
            if (!read)
                *this = Network();
        }
    }
    if (!keyMade) {
        *this = Network();
        return loadFolder(dir, messages, cache.stage); // said by the loader, as ever
    }
    if (read && keptKey == key) {
        *shapesRead = true;
        if (cache.fromImage)
            *cache.fromImage = true;
        for (const QString &text : std::as_const(found))
            qCWarning(lcModel).noquote() << text;
        // Its hierarchy left to a build nobody waits for: the caller's, where it builds behind.
        if (buildLeft && cache.later && cache.wantsHierarchy(nodeCount()))
            *cache.later = LaterImage{cache.folder, file, key, found, {}, true, true};
    } else {
        // Stale, another folder's, damaged or none: read, and kept for the next time.
        found.clear();
        std::vector<std::pair<int, int>> roadNames;
        const Load result = readFiles(folder, &found, &roadNames, cache.stage);
        if (cache.stage)
            cache.stage(Stage::Shapes);
        shapeSet.read(dir, shapeRoads(), &found); // simplified once, kept in the image
        *shapesRead = true;
        if (result == Load::Ok)
            readRoadGraph(dir, &found, cache.stage);
        // Nothing is built for an image that cannot be kept: asked first, and said once.
        QString why;
        const qint64 text = QFileInfo(cities).size() + QFileInfo(roads).size() +
                            QFileInfo(folder.filePath(RoadShapes::fileName())).size() +
                            QFileInfo(graph).size();
        if (result == Load::Ok &&
            networkcache::canKeep(cache.folder, file, 2 * text + (qint64(1) << 20), &why)) {
            const bool build = cache.wantsHierarchy(nodeCount()); // once, for every later opening
            if (cache.later) {
                *cache.later =
                    LaterImage{cache.folder, file, key, found, std::move(roadNames), build};
            } else {
                if (cache.stage)
                    cache.stage(Stage::Keep);
                if (build)
                    buildHierarchy();
                networkcache::write(cache.folder, file, key,
                                    imageOf(found, roadNames, hierarchy(), buildLeft));
            }
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
