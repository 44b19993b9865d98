#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Road networks for the sample data and for benchmarks.
namespace netgen {

struct Place
{
    QString id;
    QString name;
    QString dept;
    double lat = 0.0;
    double lon = 0.0;
    int group = 0; // roads only join places of the same group (an island is its own group)
};

struct Link
{
    int a = 0;
    int b = 0;
    double minutes = 0.0;
};

// How a road's travel time is estimated from the great-circle distance between its ends.
struct TimeModel
{
    double roadFactor = 1.3; // road length over great-circle distance
    double speedKmh = 80.0;  // average speed on the road
    double minutes(double km) const;
};

double greatCircleKm(const Place &a, const Place &b);

// n places named "C0001"... uniformly spread over metropolitan France's bounding box.
std::vector<Place> randomPlaces(int n, std::uint32_t seed);
// n places on a square grid over the same box, each moved at random within its cell: evenly
// crowded everywhere, as the towns of a populous region are.
std::vector<Place> gridPlaces(int n, std::uint32_t seed);

// Roads joining each place to its nearest neighbours within its group: first a minimum
// spanning tree of every group (so each group is connected), then each place's 1st, 2nd,
// ... nearest neighbour in turn until there are about roadsPerPlace x places roads.
std::vector<Link> nearestRoads(const std::vector<Place> &places, double roadsPerPlace,
                               const TimeModel &model = {});

// The two files: "id,name,dept,lat,lon" lines under a header, and "start,end,minutes" lines.
QByteArray citiesCsv(const std::vector<Place> &places);
QByteArray roadsCsv(const std::vector<Place> &places, const std::vector<Link> &links);

// Places read back from a city file written as above (other columns after lon are ignored).
std::vector<Place> readPlaces(const QByteArray &bytes, QString *error);

} // namespace netgen
