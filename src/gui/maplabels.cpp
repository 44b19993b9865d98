#include "maplabels.h"

#include <algorithm>
#include <array>

namespace {

// Whether the segment comes within the box (Liang and Barsky's clipping).
bool crosses(const QLineF &line, const QRectF &box)
{
    const double dx = line.dx(), dy = line.dy();
    double t0 = 0, t1 = 1;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {line.x1() - box.left(), box.right() - line.x1(), line.y1() - box.top(),
                        box.bottom() - line.y1()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false; // alongside the box, outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

} // namespace

LabelPlacer::LabelPlacer(const QRect &bounds) : bounds(bounds)
{
    columns = std::max(1, (bounds.width() + cell - 1) / cell);
    rows = std::max(1, (bounds.height() + cell - 1) / cell);
    buckets.resize(std::size_t(columns) * std::size_t(rows));
    lineBuckets.resize(buckets.size());
}

QRect LabelPlacer::cells(const QRect &box) const
{
    const QRect local = box.intersected(bounds).translated(-bounds.topLeft());
    if (local.isEmpty())
        return QRect();
    return QRect(QPoint(local.left() / cell, local.top() / cell),
                 QPoint(std::min(columns - 1, local.right() / cell),
                        std::min(rows - 1, local.bottom() / cell)));
}

void LabelPlacer::reserve(const QRect &box)
{
    take(box);
}

void LabelPlacer::avoid(const QLineF &line, qreal halfWidth)
{
    const QRect reach = QRectF(line.p1(), line.p2())
                            .normalized()
                            .adjusted(-halfWidth, -halfWidth, halfWidth, halfWidth)
                            .toAlignedRect();
    const QRect range = cells(reach);
    if (range.isNull())
        return;
    lines.push_back({line, halfWidth});
    const QRectF widened = QRectF(bounds);
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c) {
            // Only the buckets the line itself passes near.
            const QRectF bucket(widened.left() + c * cell, widened.top() + r * cell, cell, cell);
            if (crosses(line, bucket.adjusted(-halfWidth, -halfWidth, halfWidth, halfWidth)))
                lineBuckets[std::size_t(r) * columns + c].push_back(int(lines.size() - 1));
        }
}

bool LabelPlacer::isFree(const QRect &box) const
{
    if (!bounds.contains(box))
        return false;
    const QRect range = cells(box);
    // A box's pixels reach to its right and bottom edges' far side.
    const QRectF area(box.left(), box.top(), box.width(), box.height());
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c) {
            const std::size_t at = std::size_t(r) * columns + c;
            for (const QRect &other : buckets[at])
                if (other.intersects(box))
                    return false;
            for (const int i : lineBuckets[at]) {
                const Line &l = lines[std::size_t(i)];
                if (crosses(l.line,
                            area.adjusted(-l.halfWidth, -l.halfWidth, l.halfWidth, l.halfWidth)))
                    return false;
            }
        }
    return true;
}

void LabelPlacer::take(const QRect &box)
{
    const QRect range = cells(box);
    if (range.isNull())
        return;
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c)
            buckets[std::size_t(r) * columns + c].push_back(box);
}

namespace {

// Right, left, above, below: clear of a route stop's 8-pixel square.
std::array<QRect, 4> beside(QPoint at, QSize size)
{
    const int w = size.width(), h = size.height();
    return {QRect(at.x() + 6, at.y() - h / 2, w, h), QRect(at.x() - 6 - w, at.y() - h / 2, w, h),
            QRect(at.x() - w / 2, at.y() - 6 - h, w, h), QRect(at.x() - w / 2, at.y() + 6, w, h)};
}

} // namespace

bool LabelPlacer::mayFit(QPoint at, int height) const
{
    // The narrowest name still needs a few pixels beside the square.
    for (const QRect &box : beside(at, QSize(4, height)))
        if (isFree(box))
            return true;
    return false;
}

QRect LabelPlacer::place(QPoint at, QSize size)
{
    for (const QRect &box : beside(at, size))
        if (isFree(box)) {
            take(box);
            ++count;
            return box;
        }
    return QRect();
}
