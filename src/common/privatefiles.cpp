#include "privatefiles.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h> // getuid: who "the user" is
#endif

namespace privatefiles {

namespace {

constexpr QFile::Permissions kOthersWrite = QFile::WriteGroup | QFile::WriteOther;

bool mine(const QFileInfo &info)
{
#ifdef Q_OS_UNIX
    return info.ownerId() == uint(::getuid());
#else
    Q_UNUSED(info)
    return true; // (ownership there is a matter of access lists)
#endif
}

} // namespace

bool ownOrdinary(const QString &path)
{
    const QFileInfo link(path);
    if (!link.exists() && !link.isSymLink())
        return true;
    const QFileInfo target(link.isSymLink() ? link.symLinkTarget() : path);
    return target.exists() && target.isFile() && mine(target) &&
           !(target.permissions() & kOthersWrite);
}

bool replaceable(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return false;
    return !info.exists() || mine(info);
}

bool ownFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && !info.isSymLink() && mine(info) && !(info.permissions() & kOthersWrite);
}

bool makePrivateFolder(const QString &base, const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    // Each folder of GPS's own between the base and `folder`, the user's alone.
    const QString from = QDir(base).absolutePath();
    for (QString at = QDir(folder).absolutePath(); at.startsWith(from + u'/');
         at = QFileInfo(at).path()) {
        const QFileInfo info(at);
        if (!info.isDir() || info.isSymLink() || !mine(info))
            return false;
        QFile::setPermissions(at, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    }
    return ownFolder(folder);
}

void makePrivate(QFileDevice &file)
{
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void prune(const QString &folder, const QString &suffix, qint64 bound, const QString &keep)
{
    QFileInfoList files = QDir(folder).entryInfoList({u'*' + suffix}, QDir::Files | QDir::Hidden,
                                                     QDir::Time); // newest first
    qint64 total = 0;
    for (const QFileInfo &file : std::as_const(files)) {
        if (file.fileName() != keep && total + file.size() > bound && mine(file) &&
            QFile::remove(file.filePath()))
            continue;
        total += file.size();
    }
}

} // namespace privatefiles
