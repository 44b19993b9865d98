#pragma once

#include "city.h"
#include "networkfiles.h"
#include "road.h"
#include "shortestpaths.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The road network: cities (sorted by name once loaded), roads in file order, and a square
// travel-time matrix in minutes indexed by city position (+inf where no road joins two cities).
class Matrix
{
public:
    Matrix() = default;

    // The longest road time a file may give (see road.h).
    static constexpr double kLongestRoad = kLongestRoadMinutes;

    std::vector<City> getCities() const { return files.cities(); }
    std::vector<Road> getRoads() const { return files.roads(); }
    void setCities(std::vector<City> list) { files.setCities(std::move(list)); }
    // The lists, moved out (see NetworkFiles).
    std::vector<City> takeCities() { return files.takeCities(); }
    std::vector<Road> takeRoads() { return files.takeRoads(); }
    std::vector<std::pair<int, int>> takeRoadNames() { return files.takeRoadNames(); }
    TimeMatrix getMatrix() const { return matrix; }
    void setMatrix(TimeMatrix m) { matrix = std::move(m); }

    // Read-only views for callers that must not copy a large network on every use.
    const std::vector<City> &cityList() const { return files.cities(); }
    const std::vector<Road> &roadList() const { return files.roads(); }
    const TimeMatrix &timeMatrix() const { return matrix; }

    // Append the cities (or roads) of a file, or of its bytes, as NetworkFiles reads them.
    bool loadCity(const QString &filePath, QStringList *warnings = nullptr);
    bool loadRoad(const QString &filePath, QStringList *warnings = nullptr);
    void readCities(const QByteArray &bytes, const QString &source,
                    QStringList *warnings = nullptr);
    void readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings = nullptr);
    static void setSplitFrom(qsizetype bytes) { NetworkFiles::setSplitFrom(bytes); }

    // Direct travel times: 0 on the diagonal, +inf where no road joins, the road's time both
    // ways. Where several roads join a pair, the last one written from the later city in the
    // list to the earlier wins, else the last one written the other way.
    static TimeMatrix createMatrix(const std::vector<City> &cities, const std::vector<Road> &roads);

    // Fastest route between two named cities, as positions in `cities`; see ShortestPaths.
    static std::vector<int> Floyd_Warshall(const TimeMatrix &matrix,
                                           const std::vector<City> &cities,
                                           const QString &cityStart, const QString &cityEnd);
    // Shortest times between all pairs; `cities` is not needed and kept for callers' symmetry.
    static TimeMatrix Floyd_Warshall_Only(const TimeMatrix &matrix,
                                          const std::vector<City> &cities = {});
    // Time of each leg of `path`, read from this object's matrix (NaN for a leg off the matrix).
    std::vector<double> setPathTime(const std::vector<int> &path) const;

private:
    NetworkFiles files;
    TimeMatrix matrix;
};
