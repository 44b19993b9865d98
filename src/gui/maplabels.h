#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Finds room for city names on the map: each name goes beside its city's square, on the
// right if free, else on the left, above or below, and never over a name already placed or
// over another city's square that was reserved. Names are offered most important first, so a
// crowded view keeps those.
class LabelPlacer
{
public:
    explicit LabelPlacer(const QRect &bounds);

    // Keeps a square (a route stop) free of names.
    void reserve(const QRect &box);
    // Whether any of the places beside `at` could still hold a name of `height` pixels; a
    // cheap test before measuring the text.
    bool mayFit(QPoint at, int height) const;
    // The box given to a name of `size` beside `at`, or a null rect where there is no room.
    QRect place(QPoint at, QSize size);

    int placed() const { return count; }

private:
    bool isFree(const QRect &box) const;
    void take(const QRect &box);

    static constexpr int cell = 32; // pixels a side of the buckets the boxes are filed in
    QRect bounds;
    int columns = 0, rows = 0;
    std::vector<std::vector<QRect>> buckets;
    int count = 0;
};
