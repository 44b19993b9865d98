#pragma once

// A run of whole lines of a road file, read by one thread: a large file is read as two runs at
// once, put together by NetworkFiles::readRoads as one thread would have read them.

#include "loadproblems.h"
#include "nameindex.h"
#include "road.h"

#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace loadtext {

// Each road's pair of names, to find the pairs given two different times once all is read.
struct Given
{
    quint64 pair; // the earlier name's number, then the later's, in name order
    int line;
    std::uint32_t road : 31;     // in the roads read
    std::uint32_t backwards : 1; // written from the later name to the earlier
};

inline bool byPairThenLine(const Given &a, const Given &b)
{
    return a.pair != b.pair ? a.pair < b.pair : a.line < b.line;
}

// What a run of whole lines of a road file holds, read by one thread. Names are numbered as the
// cities' (`cities`, only read here) and, past them, as the run first meets them (`fresh`);
// lines are counted from the run's first.
struct RoadRun
{
    NameIndex fresh;
    std::vector<Given> given;
    std::vector<Road> read;
    std::vector<std::pair<int, int>> names; // see NetworkFiles::takeRoadNames()
    KeptProblems problems;
    int lines = 0;
};

// Reads the run's lines (`fileStart`: the file's first line among them, which may be a header),
// its names numbered against `cities`; `expected`: about how many roads, to reserve room for.
void readRoadRun(QByteArrayView bytes, bool fileStart, const NameIndex &cities, bool numbersInOrder,
                 std::size_t expected, RoadRun *run);

} // namespace loadtext
