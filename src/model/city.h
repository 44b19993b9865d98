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

    QString getName() const { return name; }
    double getCoordLong() const { return coordLong; }
    double getCoordLat() const { return coordLat; }

    // Case-sensitive, UTF-16 code unit order: 'Z' < 'a' < 'É'.
    bool operator<(const City &other) const { return name < other.name; }

private:
    QString name;
    double coordLong = 0.0;
    double coordLat = 0.0;
};
