#include "maplabels.h"

#include <algorithm>
#include <array>

LabelPlacer::LabelPlacer(const QRect &bounds) : bounds(bounds)
{
    columns = std::max(1, (bounds.width() + cell - 1) / cell);
    rows = std::max(1, (bounds.height() + cell - 1) / cell);
    buckets.resize(std::size_t(columns) * std::size_t(rows));
}

void LabelPlacer::reserve(const QRect &box)
{
    take(box);
}

bool LabelPlacer::isFree(const QRect &box) const
{
    if (!bounds.contains(box))
        return false;
    const QRect local = box.translated(-bounds.topLeft());
    const int c0 = std::max(0, local.left() / cell),
              c1 = std::min(columns - 1, local.right() / cell);
    const int r0 = std::max(0, local.top() / cell), r1 = std::min(rows - 1, local.bottom() / cell);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            for (const QRect &other : buckets[std::size_t(r) * columns + c])
                if (other.intersects(box))
                    return false;
    return true;
}

void LabelPlacer::take(const QRect &box)
{
    const QRect local = box.intersected(bounds).translated(-bounds.topLeft());
    if (local.isEmpty())
        return;
    for (int r = local.top() / cell; r <= local.bottom() / cell; ++r)
        for (int c = local.left() / cell; c <= local.right() / cell; ++c)
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
