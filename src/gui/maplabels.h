#pragma once

#include <QLineF>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Finds room for city names on the map: each name goes beside its city's square, on the
// right if free, else on the left, above or below, and never over a name already placed, a
// square that was reserved (a city, a route stop) or a line to avoid (a leg of the route). Names
// are offered most important first, so a crowded view keeps those.
class LabelPlacer
{
public:
    explicit LabelPlacer(const QRect &bounds);

    // Keeps a square (a route stop) free of names.
    void reserve(const QRect &box);
    // Keeps a line (a leg of the route) `halfWidth` pixels each side free of names.
    void avoid(const QLineF &line, qreal halfWidth);
    // Whether any of the places beside `at` could still hold a name of `height` pixels; a
    // cheap test before measuring the text.
    bool mayFit(QPoint at, int height) const;
    // The box given to a name of `size` beside `at`, or a null rect where there is no room.
    QRect place(QPoint at, QSize size);

    int placed() const { return count; }

private:
    bool isFree(const QRect &box) const;
    void take(const QRect &box);
    // The buckets a box (in pixels, inside `bounds`) touches, as a range of columns and rows.
    QRect cells(const QRect &box) const;

    static constexpr int cell = 32; // pixels a side of the buckets the boxes are filed in
    QRect bounds;
    int columns = 0, rows = 0;
    std::vector<std::vector<QRect>> buckets;
    struct Line
    {
        QLineF line;
        qreal halfWidth;
    };
    std::vector<Line> lines;
    std::vector<std::vector<int>> lineBuckets; // lines by bucket, as positions in `lines`
    int count = 0;
};
