#pragma once

#include <QString>
#include <QtGlobal>

class QFileDevice;

// The files GPS keeps for itself (the images of networks, the settings): its own, ordinary,
// private. Anything else found at their paths (a pipe, a device, a link to either, a file of
// another user or that others may write) is neither read nor written through.
namespace privatefiles {

// Whether `path` is absent, or (through links) an ordinary file that the user owns and no one
// else may write: one that may be read, and replaced.
bool ownOrdinary(const QString &path);
// Whether a file may be put at `path` in place of what is there (by a rename, never writing
// through it): nothing, or an entry of the user's that is no link.
bool replaceable(const QString &path);
// Makes `folder` and its parents up to `base` (which must exist) private to the user (0700 where
// the system has such modes) and says whether `folder` is now the user's own, and no one else's
// to write into.
bool makePrivateFolder(const QString &base, const QString &folder);
// Whether `folder` exists as the user's own folder that no one else may write into.
bool ownFolder(const QString &folder);
// The file readable and writable by the user alone (0600).
void makePrivate(QFileDevice &file);
// Removes the oldest files named *`suffix` of `folder` until they take `bound` bytes at most,
// `keep` (a file name) aside.
void prune(const QString &folder, const QString &suffix, qint64 bound, const QString &keep);

} // namespace privatefiles
