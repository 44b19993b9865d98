#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cstring>

// Where networks' images are kept between runs, and whose each one is: a file a folder in the
// cache folder, named after the folder's path, holding a key (the folder's path, then each data
// file's size, time and a hash of its bytes) before the image. Key and image are checked by one
// hash when read back; the oldest images go once they take too much room. What an image holds
// is the network's business (Network::image, Network::readImage).
namespace networkcache {

// The cache folder the programs share, in the user's cache location; none when the environment
// sets GPS_NO_CACHE.
QString defaultFolder();

// The image file in `cacheFolder` for the network of the folder `dir`, however its path is spelt
// (., .., links); `key` is started with that path.
QString fileFor(const QString &cacheFolder, const QString &dir, QByteArray *key);
// Appends the data file's size, time and a hash of its bytes to `key`; false when it cannot be
// read as the loader would read it.
bool addKey(QByteArray *key, const QString &path);
// The same for a file the folder may lack (shapes.csv); true whatever is there.
bool addOptionalKey(QByteArray *key, const QString &path);

// An image kept in a file: the key it was kept for, and the file at its image's first byte.
struct Kept
{
    QFile file;
    QByteArray key;
    qint64 imageSize = 0;
    quint64 hash = 0;
    // Whether the image's bytes, hashed as they were read (ImageHash), are those kept.
    bool intact(quint64 imageHash) const;
};
// Opens the image kept in `file` and reads what comes before it; false where there is none that
// may be read: not an ordinary file of the user's in a folder of the user's, or of another
// version, or its header damaged.
bool open(const QString &cacheFolder, const QString &file, Kept *kept);
// A 64-bit hash of bytes, the same in every run on the machine (Qt's own hashes are seeded per
// process): four lanes of multiply-rotate over 8-byte words, then the length and an avalanche.
// It tells changed or damaged bytes, fast; it is no defence against a forger. Made as the bytes
// come, so that an image read straight into its arrays is checked too.
class ImageHash
{
public:
    void add(const char *at, qint64 n);
    quint64 value() const;

private:
    static constexpr quint64 k1 = 0x9E3779B185EBCA87ULL, k2 = 0xC2B2AE3D27D4EB4FULL;
    static quint64 rotate(quint64 v, int r) { return (v << r) | (v >> (64 - r)); }
    static quint64 word(const char *at)
    {
        quint64 v;
        std::memcpy(&v, at, 8);
        return v;
    }
    void block(const char *at);

    quint64 lane[4] = {k1 + k2, k2, 0, quint64(0) - k1};
    char pending[32] = {};
    int held = 0;
    quint64 total = 0;
};
// Makes the cache folder, private to the user, and says whether an image may be put at `file`:
// the folder and what is at that place are the user's own.
bool mayWrite(const QString &cacheFolder, const QString &file);
// Whether an image of about `size` bytes can be kept at `file` now (mayWrite, no folder in its
// place, room for it on the disk, and a trial file written there), said before anything is
// built for it; else false, with why in `why` ("the disk has 2 MB free...").
bool canKeep(const QString &cacheFolder, const QString &file, qint64 size, QString *why);
// Keeps `image` for `key` in `file` (see mayWrite), private to the user, put in place whole; then
// removes the oldest images beyond the cache's bound.
void write(const QString &cacheFolder, const QString &file, QByteArrayView key,
           QByteArrayView image);

} // namespace networkcache
