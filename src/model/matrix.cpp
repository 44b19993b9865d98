#include "matrix.h"

#include "infinity.h"

#include <QHash>

#include <limits>

bool Matrix::loadCity(const QString &filePath, QStringList *warnings)
{
    return files.loadCities(filePath, warnings);
}

bool Matrix::loadRoad(const QString &filePath, QStringList *warnings)
{
    return files.loadRoads(filePath, warnings);
}

void Matrix::readCities(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    files.readCities(bytes, source, warnings);
}

void Matrix::readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    files.readRoads(bytes, source, warnings);
}

TimeMatrix Matrix::createMatrix(const std::vector<City> &cities, const std::vector<Road> &roads)
{
    const std::size_t n = cities.size();
    TimeMatrix m(n, std::vector<double>(n, kInf));
    QHash<QString, std::vector<int>> positions;
    positions.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i) {
        m[i][i] = 0.0;
        positions[cities[i].getName()].push_back(int(i));
    }

    // Visiting every ordered pair (i, j) and every road in turn, the last write to a pair
    // {a < b} comes from a road written from b to a if there is one, otherwise from a road
    // written from a to b; within each direction the last road in file order wins. So apply
    // the a-to-b roads first, then the b-to-a ones, each pass in file order.
    for (const bool backwards : {false, true}) {
        for (const Road &road : roads) {
            const auto from = positions.constFind(road.cityStart);
            const auto to = positions.constFind(road.cityEnd);
            if (from == positions.constEnd() || to == positions.constEnd())
                continue;
            for (const int i : *from) {
                for (const int j : *to) {
                    if (backwards ? i > j : i <= j) {
                        m[i][j] = road.time;
                        m[j][i] = road.time;
                    }
                }
            }
        }
    }
    return m;
}

std::vector<int> Matrix::Floyd_Warshall(const TimeMatrix &matrix, const std::vector<City> &cities,
                                        const QString &cityStart, const QString &cityEnd)
{
    return ShortestPaths(matrix).route(cities, cityStart, cityEnd);
}

TimeMatrix Matrix::Floyd_Warshall_Only(const TimeMatrix &matrix, const std::vector<City> &cities)
{
    Q_UNUSED(cities);
    return ShortestPaths::timesOnly(matrix);
}

std::vector<double> Matrix::setPathTime(const std::vector<int> &path) const
{
    std::vector<double> times;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const int a = path[i - 1];
        const int b = path[i];
        const bool inside =
            a >= 0 && b >= 0 && std::size_t(a) < matrix.size() && std::size_t(b) < matrix[a].size();
        times.push_back(inside ? matrix[a][b] : std::numeric_limits<double>::quiet_NaN());
    }
    return times;
}
