#include "networkwrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <filesystem>
#include <system_error>

namespace {

std::string native(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// A name in `folder` that nothing holds yet, starting with `stem`.
QString freshName(const QString &folder, const QString &stem)
{
    for (;;) {
        const QString name = QDir(folder).filePath(
            stem + QString::number(QRandomGenerator::global()->generate64(), 36));
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink())
            return name;
    }
}

// Written straight to the file, a write after another until all is there: a buffered write
// that the disk cut short reads as done, and its flush says "Unknown error" (or nothing).
bool writeFile(const QString &path, const NetworkExtra &file, QString *error)
{
    QFile f(path);
    bool made = true;
    if (f.open(QIODevice::NewOnly | QIODevice::Unbuffered)) {
        const auto put = [&f](QByteArrayView bytes) {
            qint64 done = 0;
            while (done < bytes.size()) {
                const qint64 more = f.write(bytes.data() + done, bytes.size() - done);
                if (more <= 0)
                    return false;
                done += more;
            }
            return true;
        };
        made = file.make ? file.make(put) : put(file.bytes);
        if (made && f.error() == QFileDevice::NoError)
            return true;
    }
    *error = !made && f.error() == QFileDevice::NoError
                 ? QStringLiteral("%1: cannot be made").arg(QDir::toNativeSeparators(path))
                 : QStringLiteral("%1: cannot write (%2)")
                       .arg(QDir::toNativeSeparators(path), f.errorString());
    f.remove();
    return false;
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    return writeFile(path, NetworkExtra{QString(), bytes}, error);
}

} // namespace

bool writeNetworkFiles(const QString &dir, const QByteArray &cities, const QByteArray &roads,
                       const std::vector<NetworkExtra> &extras, QString *error)
{
    const QFileInfo target(dir);
    if (target.exists() && !target.isDir()) {
        *error = QStringLiteral("%1: not a folder").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    std::error_code failed;
    if (!target.exists()) {
        // A new folder, made beside with the mode any new folder gets (the umask's), filled,
        // then put in place whole.
        const QString parent = target.absolutePath();
        if (!QDir().mkpath(parent)) {
            *error =
                QStringLiteral("%1: cannot make this folder").arg(QDir::toNativeSeparators(parent));
            return false;
        }
        const QString fresh = freshName(parent, QStringLiteral(".gpsnet-"));
        if (!QDir().mkdir(fresh)) {
            *error = QStringLiteral("%1: cannot write here").arg(QDir::toNativeSeparators(parent));
            return false;
        }
        bool written = writeFile(fresh + QStringLiteral("/villes.csv"), cities, error) &&
                       writeFile(fresh + QStringLiteral("/temps.csv"), roads, error);
        for (const NetworkExtra &extra : extras)
            written = written && writeFile(fresh + u'/' + extra.name, extra, error);
        if (written) {
            std::filesystem::rename(native(fresh), native(target.absoluteFilePath()), failed);
            if (!failed)
                return true;
            *error =
                QStringLiteral("%1: cannot write (%2)")
                    .arg(QDir::toNativeSeparators(dir), QString::fromStdString(failed.message()));
        }
        QDir(fresh).removeRecursively();
        return false;
    }

    // Into a folder that is there (a mount point, or one whose parent is not the user's): the
    // new files written inside it, then both put in place, or neither.
    const QDir folder(dir);
    const QString newCities = freshName(dir, QStringLiteral(".villes.csv.")),
                  newRoads = freshName(dir, QStringLiteral(".temps.csv."));
    std::vector<QString> newExtras;
    for (const NetworkExtra &extra : extras)
        newExtras.push_back(freshName(dir, u'.' + extra.name + u'.'));
    const auto clean = [&] {
        QFile::remove(newCities);
        QFile::remove(newRoads);
        for (const QString &file : newExtras)
            QFile::remove(file);
    };
    bool written = writeFile(newCities, cities, error) && writeFile(newRoads, roads, error);
    for (std::size_t k = 0; k < extras.size(); ++k)
        written = written && writeFile(newExtras[k], extras[k], error);
    if (!written) {
        clean();
        return false;
    }
    const QString oldRoads = folder.filePath(QStringLiteral("temps.csv"));
    const QString kept = freshName(dir, QStringLiteral(".temps.csv.old."));
    const bool hadRoads = QFileInfo::exists(oldRoads) || QFileInfo(oldRoads).isSymLink();
    // The old roads aside (a link to them), so that they can come back.
    if (hadRoads) {
        std::filesystem::create_hard_link(native(oldRoads), native(kept), failed);
        if (failed && QFile::copy(oldRoads, kept)) // (a file system without hard links)
            failed.clear();
        if (failed) {
            clean();
            *error =
                QStringLiteral("%1: cannot write (%2)")
                    .arg(QDir::toNativeSeparators(dir), QString::fromStdString(failed.message()));
            return false;
        }
    }
    std::filesystem::rename(native(newRoads), native(oldRoads), failed);
    if (!failed) {
        std::filesystem::rename(native(newCities),
                                native(folder.filePath(QStringLiteral("villes.csv"))), failed);
        if (failed) { // the old pair back
            std::error_code ignored;
            if (hadRoads)
                std::filesystem::rename(native(kept), native(oldRoads), ignored);
            else
                QFile::remove(oldRoads);
        }
    }
    if (!failed) {
        // The credits and shapes go with the pair; should one fail, the network is there, and
        // said so (old shapes, of other roads, are not left to mislead).
        QStringList missed;
        for (std::size_t k = 0; k < extras.size(); ++k) {
            const QString place = folder.filePath(extras[k].name);
            std::error_code one;
            std::filesystem::rename(native(newExtras[k]), native(place), one);
            if (one) {
                QFile::remove(place);
                missed << QStringLiteral("%1 (%2)").arg(extras[k].name,
                                                        QString::fromStdString(one.message()));
            }
        }
        clean();
        QFile::remove(kept);
        if (missed.isEmpty())
            return true;
        *error = QStringLiteral("%1: the network was written, but not its %2")
                     .arg(QDir::toNativeSeparators(dir), missed.join(QStringLiteral(", ")));
        return false;
    }
    clean();
    QFile::remove(kept);
    *error = QStringLiteral("%1: cannot write (%2); the files there are as they were")
                 .arg(QDir::toNativeSeparators(dir), QString::fromStdString(failed.message()));
    return false;
}
