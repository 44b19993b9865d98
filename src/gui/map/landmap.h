#pragma once

#include <QByteArray>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <vector>

// Land and country borders drawn faintly under the network, in the map units of the city files
// (300 + 25 x longitude, 1400 - 25 x latitude), so that any network sits on its region.
struct LandMap
{
    std::vector<QPolygonF> land;    // closed rings; a ring inside another is a lake
    std::vector<QRectF> landBounds; // one per ring, to skip what lies out of view
    std::vector<QPolygonF> borders; // open lines between countries
    QRectF bounds;                  // of everything
};

// Reads the text format written by tools/extract-land.mjs. A line that cannot be read is
// skipped and counted in `skipped`, so a damaged file still draws what it holds.
LandMap parseLandMap(const QByteArray &text, int *skipped = nullptr);

// The map compiled into the program (data/land.txt), read once on first use.
const LandMap &builtInLandMap();
