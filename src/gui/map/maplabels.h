#pragma once

#include "city.h"
#include "mapviewport.h"

#include <QFont>
#include <QLineF>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class QPainter;

// Finds room for city names on the map: each name goes beside its city's square, on the
// right if free, else on the left, above or below, and never over a name already placed, a
// square that was reserved (a city, a route stop) or a line to avoid (a leg of the route). Names
// are offered most important first, so a crowded view keeps those.
//
// The squares of the cities that are not named (any number of them) are kept in a mask whose
// sums answer "is any under this box?" at once; names and reserved boxes, which never pile up
// far, are filed in buckets. A box is thus tested in a time that does not grow with the cities.
class LabelPlacer
{
public:
    explicit LabelPlacer(const QRect &bounds);

    // Keeps a square (a route stop, a named city) free of names.
    void reserve(const QRect &box);
    // Keeps a line (a leg of the route) `halfWidth` pixels each side free of names.
    void avoid(const QLineF &line, qreal halfWidth);
    // A city's 3-pixel square at `at`: names keep off it unless placed over lesser cities.
    void markCity(QPoint at);

    enum class Room
    {
        Clear,      // over nothing
        OverLesser, // over the squares of cities not named (drawn again over the name)
        Anywhere,   // over anything but another name, kept inside the bounds
    };
    // Whether any of the places beside `at` could still hold a name of `height` pixels; a
    // cheap test before measuring the text.
    bool mayFit(QPoint at, int height, Room room = Room::Clear) const;
    // The box given to a name of `size` beside `at`, or a null rect where there is no room.
    QRect place(QPoint at, QSize size, Room room = Room::Clear);
    // Whether a name placed so far lies over `at`.
    bool underName(QPoint at) const;

    int placed() const { return count; }
    // Boxes compared while testing, to show the work stays small (tests read it).
    std::int64_t comparisons() const { return compared; }

private:
    bool isFree(const QRect &box, Room room) const;
    bool noCityUnder(const QRect &local) const;
    void take(const QRect &box, bool name);
    // The buckets a box (in pixels, inside `bounds`) touches, as a range of columns and rows.
    QRect cells(const QRect &box) const;

    static constexpr int cell = 32; // pixels a side of the buckets the boxes are filed in
    QRect bounds;
    int columns = 0, rows = 0;
    struct Box
    {
        QRect box;
        bool name;
    };
    std::vector<std::vector<Box>> buckets;
    struct Line
    {
        QLineF line;
        qreal halfWidth;
    };
    std::vector<Line> lines;
    std::vector<std::vector<int>> lineBuckets; // lines by bucket, as positions in `lines`
    // Squares of cities: a pixel mask, and its sums from the top left corner, made when first
    // asked (a row and a column more than the bounds).
    std::vector<std::uint8_t> citySquares;
    mutable std::vector<std::int32_t> sums;
    mutable bool sumsValid = false;
    int count = 0;
    mutable std::int64_t compared = 0;
};

// The names layer: city names drawn where LabelPlacer finds them room.

// What the names layer is to name and keep clear.
struct NameRequest
{
    const std::vector<City> *cities = nullptr;
    const std::vector<int> *order = nullptr; // the cities to name first, best connected first
    std::vector<int> stops;                  // the route's cities, named in bold first
    std::vector<int> always;                 // of those, the ones named whatever the room
    std::vector<QLineF> legs;                // the route's lines, in pixels, kept clear
    std::vector<QRect> controls;             // where a name could not be read
    int most = 0;        // other cities named at most, most important first, where there is room
    int leading = 0;     // how many of the first cities in view may be named over lesser ones
    bool squares = true; // cities are drawn as squares (kept in sight under names)
    QFont font;
};

// A city's name as a label: cut after 48 characters (never through an emoji) with an ellipsis.
QString mapLabel(const QString &name);

// Names beside their cities' squares where there is room: never over another name, the route
// (its lines and markers) or a control. Over a city's square only to name the route's ends,
// the stops typed or the leading cities in view, and the square is drawn again over the name.
struct NamesDrawn
{
    std::vector<std::pair<int, QRect>> names; // each city named, and its name's box
    std::int64_t comparisons = 0;             // boxes and lines compared to find room
};
NamesDrawn drawNamesLayer(QPainter &painter, const MapViewport &view, const QRect &area,
                          const NameRequest &request);
