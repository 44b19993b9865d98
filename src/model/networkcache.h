#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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

// The image kept in `file` and the key it was kept for, in `bytes` (which hold the file);
// false where there is none that may be read: not an ordinary file of the user's in a folder of
// the user's, of another version, or damaged.
bool read(const QString &cacheFolder, const QString &file, QByteArray *bytes, QByteArray *key,
          QByteArrayView *image);
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
