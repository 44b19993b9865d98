// What gpsnet osm writes: names made unique, the two files, and the folder written whole.

#include "osmdetail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace osmnet {

namespace detail {

// Fields of a line of the city file, where commas separate.
static QString field(QString text)
{
    text.replace(u',', u' ');
    return text.simplified();
}

void uniqueNames(Network *net)
{
    QHash<QString, int> count;
    for (Place &p : net->places) {
        p.name = field(p.name);
        p.region = field(p.region);
        ++count[p.name];
    }
    QHash<QString, int> taken;
    for (const Place &p : net->places)
        if (count.value(p.name) == 1)
            taken.insert(p.name, 1);
    for (Place &p : net->places) {
        if (count.value(p.name) == 1)
            continue;
        ++net->renamed;
        const QString base = p.region.isEmpty() ? p.name : p.name + " (" + p.region + ")";
        QString name = base;
        for (int n = 2; taken.contains(name); ++n)
            name = base + u' ' + QString::number(n);
        taken.insert(name, 1);
        p.name = name;
    }
}

} // namespace detail

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
        // Tenths of a minute; never 0, which a route would not pass through.
        const double minutes = std::max(0.1, std::round(l.minutes * 10) / 10);
        out += network.places[std::size_t(l.a)].name.toUtf8() + ',' +
               network.places[std::size_t(l.b)].name.toUtf8() + ',' +
               QByteArray::number(minutes, 'f', 1) + '\n';
    }
    return out;
}

bool write(const QString &dir, const Network &network, QString *error)
{
    const QFileInfo target(dir);
    if (target.exists() && !target.isDir()) {
        *error = QStringLiteral("%1: not a folder").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent)) {
        *error =
            QStringLiteral("%1: cannot make this folder").arg(QDir::toNativeSeparators(parent));
        return false;
    }
    QTemporaryDir fresh(parent + QStringLiteral("/.gpsnet-XXXXXX"));
    if (!fresh.isValid()) {
        *error = QStringLiteral("%1: cannot write here (%2)")
                     .arg(QDir::toNativeSeparators(parent), fresh.errorString());
        return false;
    }
    for (const auto &[name, bytes] :
         {std::pair{"villes.csv", citiesCsv(network)}, std::pair{"temps.csv", roadsCsv(network)}}) {
        QFile f(fresh.filePath(QLatin1String(name)));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush()) {
            *error = QStringLiteral("%1: cannot write (%2)")
                         .arg(QDir::toNativeSeparators(f.fileName()), f.errorString());
            return false;
        }
    }
    std::error_code failed;
    if (!target.exists()) {
        std::filesystem::rename(QFile::encodeName(fresh.path()).toStdString(),
                                QFile::encodeName(target.absoluteFilePath()).toStdString(), failed);
        if (!failed) {
            fresh.setAutoRemove(false);
            return true;
        }
    } else {
        // Into a folder that is there: each file replaced whole.
        for (const char *name : {"temps.csv", "villes.csv"}) {
            std::filesystem::rename(
                QFile::encodeName(fresh.filePath(QLatin1String(name))).toStdString(),
                QFile::encodeName(QDir(dir).filePath(QLatin1String(name))).toStdString(), failed);
            if (failed)
                break;
        }
        if (!failed)
            return true;
    }
    *error = QStringLiteral("%1: cannot write (%2)")
                 .arg(QDir::toNativeSeparators(dir), QString::fromStdString(failed.message()));
    return false;
}

} // namespace osmnet
