// What gpsnet osm writes: the two files, the roads' shapes and the credits, and the folder
// written whole.

#include "networkcredit.h"
#include "osmstages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace osmnet {

QByteArray citiesCsv(const Network &network)
{
    QByteArray out = "id,name,dept,lat,lon\n";
    for (const Place &p : network.places)
        out += QByteArray::number(qlonglong(p.id)) + ',' + p.name.toUtf8() + ',' +
               p.region.toUtf8() + ',' + QByteArray::number(p.lat, 'f', 7) + ',' +
               QByteArray::number(p.lon, 'f', 7) + '\n';
    return out;
}

QByteArray roadsCsv(const Network &network)
{
    QByteArray out;
    for (const Link &l : network.links) {
        // Thousandths of a minute: coarser, rounding leg after leg makes a route a little long
        // (tenths, rounded the same way along a route of short roads: a few tenths of a percent)
        // or picks another way of nearly the same time, and length; never under 0.01, which a
        // route through a town would not tell from the town itself.
        const double minutes = std::max(0.01, std::round(l.minutes * 1000) / 1000);
        out += network.places[std::size_t(l.a)].name.toUtf8() + ',' +
               network.places[std::size_t(l.b)].name.toUtf8() + ',' +
               QByteArray::number(minutes, 'g', 12) + '\n';
    }
    return out;
}

QByteArray shapesCsv(const Network &network)
{
    QByteArray out = "from,to,km,lat,lon,...\n";
    // Piece by piece: a sum of pieces made a string for each, and most of the time went there.
    const auto point = [&out](double lat, double lon) {
        out += ',';
        out += QByteArray::number(lat, 'f', 7);
        out += ',';
        out += QByteArray::number(lon, 'f', 7);
    };
    for (const Link &l : network.links) {
        const Place &a = network.places[std::size_t(l.a)], &b = network.places[std::size_t(l.b)];
        out += a.name.toUtf8() + ',' + b.name.toUtf8() + ',' + QByteArray::number(l.km, 'f', 3);
        // From the place's own position along the drive to the other's: the road drawn from
        // square to square.
        point(a.lat, a.lon);
        for (std::size_t k = 0; k + 1 < l.shape.size(); k += 2)
            point(l.shape[k], l.shape[k + 1]);
        point(b.lat, b.lon);
        out += '\n';
    }
    return out;
}

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

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QFile f(path);
    if (f.open(QIODevice::NewOnly) && f.write(bytes) == bytes.size() && f.flush())
        return true;
    *error = QStringLiteral("%1: cannot write (%2)")
                 .arg(QDir::toNativeSeparators(path), f.errorString());
    f.remove();
    return false;
}

} // namespace

bool write(const QString &dir, const Network &network, QString *error)
{
    const QFileInfo target(dir);
    if (target.exists() && !target.isDir()) {
        *error = QStringLiteral("%1: not a folder").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    const QByteArray cities = citiesCsv(network), roads = roadsCsv(network);
    // What goes with the pair: read by newer versions, passed over by older ones.
    const std::vector<std::pair<QString, QByteArray>> extras{
        {QStringLiteral("credits.txt"), openStreetMapCredit().toUtf8()},
        {QStringLiteral("shapes.csv"), shapesCsv(network)}};
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
        for (const auto &[name, bytes] : extras)
            written = written && writeFile(fresh + u'/' + name, bytes, error);
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
    for (const auto &[name, bytes] : extras)
        newExtras.push_back(freshName(dir, u'.' + name + u'.'));
    const auto clean = [&] {
        QFile::remove(newCities);
        QFile::remove(newRoads);
        for (const QString &file : newExtras)
            QFile::remove(file);
    };
    bool written = writeFile(newCities, cities, error) && writeFile(newRoads, roads, error);
    for (std::size_t k = 0; k < extras.size(); ++k)
        written = written && writeFile(newExtras[k], extras[k].second, error);
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
            const QString place = folder.filePath(extras[k].first);
            std::error_code one;
            std::filesystem::rename(native(newExtras[k]), native(place), one);
            if (one) {
                QFile::remove(place);
                missed << QStringLiteral("%1 (%2)").arg(extras[k].first,
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

} // namespace osmnet
