#pragma once

#include "mapviewport.h"
#include "network.h"
#include "searches.h"

#include <QColor>
#include <QRect>
#include <QStringList>

#include <utility>
#include <vector>

class QPainter;

// The cities that can be reached from one city within a time, as the map shows them: in bands
// of a quarter of the time each, nearest darkest.
class ReachShown
{
public:
    static constexpr int kBands = 4;

    ReachShown() = default;
    // (May throw std::bad_alloc.)
    ReachShown(const Network &network, int from, double minutes);

    bool empty() const { return origin < 0; }
    int from() const { return origin; }
    double limit() const { return minutes; }
    const std::vector<Reached> &cities() const { return reached; }

    // The band of a time: 0 up to a quarter of the limit, ..., 3 up to the limit; -1 beyond.
    int band(double time) const;
    // A city's band, or -1 when it cannot be reached in time.
    int bandOf(int city) const;
    // The upper bound of a band, in minutes.
    double bandEnd(int band) const { return minutes * (band + 1) / kBands; }
    static QColor colour(int band);

private:
    int origin = -1;
    double minutes = 0;
    std::vector<Reached> reached;
    std::vector<double> timeOf; // per city, +inf where not reached
};

// The roads between reached cities in the band of their farther end, and the reached cities as
// squares of their band's colour; the city they are reached from ringed.
void drawReachLayer(QPainter &painter, const MapViewport &view, const QRect &area,
                    const std::vector<City> &cities,
                    const std::vector<std::pair<int, int>> &roadPairs, const ReachShown &reach);

// A box in the top left corner of `area`: `title`, then a swatch of each band's colour with
// its text.
void drawReachLegend(QPainter &painter, const QRect &area, const QString &title,
                     const QStringList &bandTexts);
