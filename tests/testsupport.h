#pragma once

// Helpers that several test suites and the benchmarks share.

#include "matrix.h"

#include <QFile>
#include <QStringList>

namespace testsupport {

// Cities of those names (in a city file with a header line, at 0,0) and the roads of `roads`,
// read by the loaders, with their direct matrix.
inline Matrix network(const QStringList &names, const QByteArray &roads)
{
    Matrix m;
    QByteArray villes = "id,name,dept,lat,lon\n";
    for (const QString &n : names)
        villes += "0," + n.toUtf8() + ",0,0,0\n";
    m.readCities(villes, "villes.csv");
    m.readRoads(roads, "temps.csv");
    m.setMatrix(Matrix::createMatrix(m.getCities(), m.getRoads()));
    return m;
}

// Resident memory of this process in KiB (-1 where the system does not say).
inline long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(1).toLong() * 4;
}

} // namespace testsupport
