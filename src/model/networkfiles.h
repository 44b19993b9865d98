#pragma once

#include "city.h"
#include "road.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The reader of a network's two text files, villes.csv and temps.csv, for every caller: the
// cities (sorted by name once read) and the roads in file order, with each line that cannot
// serve said by its file and line.
class NetworkFiles
{
public:
    // Appends the cities (or roads) of a file. False, with the lists unchanged, when the file
    // cannot be read. Lines that cannot serve are reported through qWarning and, when given,
    // appended to `warnings` as "file:line: ..." texts.
    bool loadCities(const QString &filePath, QStringList *warnings = nullptr);
    bool loadRoads(const QString &filePath, QStringList *warnings = nullptr);
    // The same, on the bytes of a file; `source` names it in messages.
    void readCities(const QByteArray &bytes, const QString &source,
                    QStringList *warnings = nullptr);
    void readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings = nullptr);
    // Road files of this many bytes and more are read by two threads, each half the lines (the
    // result is the same): tests set it to read small files so, or large ones not.
    static void setSplitFrom(qsizetype bytes) { splitFrom = bytes; }

    const std::vector<City> &cities() const { return cityList; }
    const std::vector<Road> &roads() const { return roadList; }
    void setCities(std::vector<City> list)
    {
        cityList = std::move(list);
        citiesInOrder = false; // not known
        roadNamesKnown = roadList.empty();
        roadNames.clear();
    }
    // The lists, moved out (this object's are left empty): a network of millions of roads need
    // not be copied to be kept elsewhere.
    std::vector<City> takeCities() { return std::exchange(cityList, {}); }
    std::vector<Road> takeRoads()
    {
        roadNames = {};
        roadNamesKnown = true;
        return std::exchange(roadList, {});
    }
    // Per road, the numbers of its two names among the cities' distinct names, in list order
    // (-1: no city's), as the reader found them; empty when the cities changed after the roads
    // were read or were not in order. Moved out: call before takeRoads().
    std::vector<std::pair<int, int>> takeRoadNames()
    {
        std::vector<std::pair<int, int>> out;
        if (roadNamesKnown && roadNames.size() == roadList.size())
            out.swap(roadNames);
        return out;
    }

private:
    using Reader = void (NetworkFiles::*)(const QByteArray &, const QString &, QStringList *);
    bool loadFile(const QString &filePath, QStringList *warnings, Reader reader);

    static qsizetype splitFrom;
    std::vector<City> cityList;
    bool citiesInOrder = true; // sorted by name, as read (an empty list is)
    std::vector<Road> roadList;
    std::vector<std::pair<int, int>> roadNames; // see takeRoadNames()
    bool roadNamesKnown = true;
};
