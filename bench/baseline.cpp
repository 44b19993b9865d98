#include "baseline.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <limits>

namespace baseline {

Network load(const QString &villes, const QString &temps)
{
    Network net;
    QFile cf(villes);
    if (cf.open(QIODevice::ReadOnly)) {
        QTextStream in(&cf);
        int line = 0;
        while (!in.atEnd()) {
            const QString text = in.readLine();
            if (++line == 1)
                continue;
            City c;
            int pos = 0;
            for (const QString &f : text.split(',')) {
                ++pos;
                if (pos == 2)
                    c.setName(f);
                else if (pos == 4)
                    c.setCoordLat(-25.0 * f.toDouble() + 1400.0);
                else if (pos == 5)
                    c.setCoordLong(25.0 * f.toDouble() + 300.0);
                else if (pos == 20)
                    pos = 0;
            }
            net.cities.push_back(c);
        }
        std::sort(net.cities.begin(), net.cities.end());
    }
    QFile rf(temps);
    if (rf.open(QIODevice::ReadOnly)) {
        QTextStream in(&rf);
        while (!in.atEnd()) {
            Road r;
            int pos = 0;
            for (const QString &f : in.readLine().split(',')) {
                ++pos;
                if (pos == 1)
                    r.cityStart = f;
                else if (pos == 2)
                    r.cityEnd = f;
                else if (pos == 3)
                    r.time = f.toDouble();
                else
                    pos = 0;
            }
            net.roads.push_back(r);
        }
    }
    return net;
}

Table createMatrix(const std::vector<City> &cities, const std::vector<Road> &roads)
{
    const std::size_t n = cities.size();
    Table m(n, std::vector<double>(n, std::numeric_limits<double>::infinity()));
    for (std::size_t i = 0; i < n; ++i)
        m[i][i] = 0.0;
    std::vector<QString> names;
    for (const City &c : cities)
        names.push_back(c.getName());
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (const Road &r : roads)
                if (r.cityStart == names[i] && r.cityEnd == names[j]) {
                    m[i][j] = r.time;
                    m[j][i] = r.time;
                }
    return m;
}

Table floydWarshallOnly(Table d)
{
    const std::size_t n = d.size();
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t u = 0; u < n; ++u)
            for (std::size_t v = 0; v < n; ++v)
                if (d[u][v] > d[u][k] + d[k][v])
                    d[u][v] = d[u][k] + d[k][v];
    return d;
}

std::vector<int> floydWarshall(Table d, const std::vector<City> &cities, const QString &from,
                               const QString &to)
{
    const std::size_t n = d.size();
    std::vector<std::vector<int>> pred(n, std::vector<int>(n));
    for (std::size_t u = 0; u < n; ++u)
        std::fill(pred[u].begin(), pred[u].end(), int(u));
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t u = 0; u < n; ++u)
            for (std::size_t v = 0; v < n; ++v)
                if (d[u][v] > d[u][k] + d[k][v]) {
                    d[u][v] = d[u][k] + d[k][v];
                    pred[u][v] = pred[k][v];
                }
    int start = -1, end = -1;
    for (std::size_t i = 0; i < cities.size(); ++i) {
        if (cities[i].getName() == from)
            start = int(i);
        else if (cities[i].getName() == to)
            end = int(i);
    }
    if (start < 0 || end < 0)
        return {};
    std::vector<int> path;
    for (int at = end; at != start; at = pred[start][at])
        path.push_back(at);
    path.push_back(start);
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace baseline
