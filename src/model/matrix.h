#pragma once

#include "city.h"
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

    // The longest road time a file may give, in minutes (about 1.9 million years): far above
    // any real road, and low enough that no sum of roads can overflow into "no road".
    static constexpr double kLongestRoad = 1e12;

    std::vector<City> getCities() const { return cities; }
    std::vector<Road> getRoads() const { return roads; }
    void setCities(std::vector<City> list)
    {
        cities = std::move(list);
        citiesInOrder = false; // not known
        roadNamesKnown = roads.empty();
        roadNames.clear();
    }
    // The lists, moved out (this object's are left empty): a network of millions of roads need
    // not be copied to be kept elsewhere.
    std::vector<City> takeCities() { return std::exchange(cities, {}); }
    std::vector<Road> takeRoads()
    {
        roadNames = {};
        roadNamesKnown = true;
        return std::exchange(roads, {});
    }
    // Per road, the numbers of its two names among the cities' distinct names, in list order
    // (-1: no city's), as the loader found them; empty when the cities changed after the roads
    // were read or were not in order. Moved out: call before takeRoads().
    std::vector<std::pair<int, int>> takeRoadNames()
    {
        std::vector<std::pair<int, int>> out;
        if (roadNamesKnown && roadNames.size() == roads.size())
            out.swap(roadNames);
        return out;
    }
    TimeMatrix getMatrix() const { return matrix; }
    void setMatrix(TimeMatrix m) { matrix = std::move(m); }

    // Read-only views for callers that must not copy a large network on every use.
    const std::vector<City> &cityList() const { return cities; }
    const std::vector<Road> &roadList() const { return roads; }
    const TimeMatrix &timeMatrix() const { return matrix; }

    // Append the cities (or roads) of a file. False, with the lists unchanged, when the file
    // cannot be read. Lines that cannot serve are reported through qWarning and, when given,
    // appended to `warnings` as "file:line: ..." texts.
    bool loadCity(const QString &filePath, QStringList *warnings = nullptr);
    bool loadRoad(const QString &filePath, QStringList *warnings = nullptr);
    // The same, on the bytes of a file; `source` names it in messages.
    void readCities(const QByteArray &bytes, const QString &source,
                    QStringList *warnings = nullptr);
    void readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings = nullptr);
    // Road files of this many bytes and more are read by two threads, each half the lines (the
    // result is the same): tests set it to read small files so, or large ones not.
    static void setSplitFrom(qsizetype bytes) { splitFrom = bytes; }

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
    using Reader = void (Matrix::*)(const QByteArray &, const QString &, QStringList *);
    bool loadFile(const QString &filePath, QStringList *warnings, Reader reader);

    static qsizetype splitFrom;
    std::vector<City> cities;
    bool citiesInOrder = true; // sorted by name, as read (an empty list is)
    std::vector<Road> roads;
    std::vector<std::pair<int, int>> roadNames; // see takeRoadNames()
    bool roadNamesKnown = true;
    TimeMatrix matrix;
};
