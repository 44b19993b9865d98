#pragma once

#include <QString>

// A named place with its position on the map, in map units (pixels at zoom 1).
class City
{
public:
    City() = default;

    void setName(const QString &name) { this->name = name; }
    void setCoordLong(double value) { coordLong = value; }
    void setCoordLat(double value) { coordLat = value; }

    const QString &getName() const { return name; }
    double getCoordLong() const { return coordLong; }
    double getCoordLat() const { return coordLat; }

    // Case-sensitive, UTF-16 code unit order: 'Z' < 'a' < 'É'.
    bool operator<(const City &other) const { return name < other.name; }

private:
    QString name;
    double coordLong = 0.0;
    double coordLat = 0.0;
};

// The map's projection of the files' degrees: map units, a pixel each at the map's first zoom,
// north up.
inline double mapXOfLongitude(double longitude)
{
    return 25.0 * longitude + 300.0;
}
inline double mapYOfLatitude(double latitude)
{
    return -25.0 * latitude + 1400.0;
}
inline double longitudeOfMapX(double x)
{
    return (x - 300.0) / 25.0;
}
inline double latitudeOfMapY(double y)
{
    return (1400.0 - y) / 25.0;
}
