#include "maplabels.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <utility>

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
    citySquares.assign(
        std::size_t(std::max(0, bounds.width())) * std::size_t(std::max(0, bounds.height())), 0);
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
    take(box, false);
}

void LabelPlacer::markCity(QPoint at)
{
    const QRect local =
        QRect(at - QPoint(1, 1), QSize(3, 3)).intersected(bounds).translated(-bounds.topLeft());
    for (int y = local.top(); y <= local.bottom(); ++y)
        for (int x = local.left(); x <= local.right(); ++x)
            citySquares[std::size_t(y) * std::size_t(bounds.width()) + std::size_t(x)] = 1;
    sumsValid = false;
}

bool LabelPlacer::noCityUnder(const QRect &local) const
{
    const std::size_t w = std::size_t(bounds.width()), h = std::size_t(bounds.height());
    if (!sumsValid) {
        sums.assign((w + 1) * (h + 1), 0);
        for (std::size_t y = 0; y < h; ++y) {
            std::int32_t row = 0;
            for (std::size_t x = 0; x < w; ++x) {
                row += citySquares[y * w + x];
                sums[(y + 1) * (w + 1) + x + 1] = sums[y * (w + 1) + x + 1] + row;
            }
        }
        sumsValid = true;
    }
    const std::size_t x0 = std::size_t(local.left()), x1 = std::size_t(local.right()) + 1,
                      y0 = std::size_t(local.top()), y1 = std::size_t(local.bottom()) + 1;
    return sums[y1 * (w + 1) + x1] - sums[y0 * (w + 1) + x1] - sums[y1 * (w + 1) + x0] +
               sums[y0 * (w + 1) + x0] ==
           0;
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

bool LabelPlacer::isFree(const QRect &box, Room room) const
{
    if (!bounds.contains(box))
        return false;
    if (room == Room::Clear && !noCityUnder(box.translated(-bounds.topLeft())))
        return false;
    const QRect range = cells(box);
    // A box's pixels reach to its right and bottom edges' far side.
    const QRectF area(box.left(), box.top(), box.width(), box.height());
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c) {
            const std::size_t at = std::size_t(r) * columns + c;
            for (const Box &other : buckets[at]) {
                ++compared;
                if ((other.name || room != Room::Anywhere) && other.box.intersects(box))
                    return false;
            }
            if (room == Room::Anywhere)
                continue;
            for (const int i : lineBuckets[at]) {
                ++compared;
                const Line &l = lines[std::size_t(i)];
                if (crosses(l.line,
                            area.adjusted(-l.halfWidth, -l.halfWidth, l.halfWidth, l.halfWidth)))
                    return false;
            }
        }
    return true;
}

void LabelPlacer::take(const QRect &box, bool name)
{
    const QRect range = cells(box);
    if (range.isNull())
        return;
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c)
            buckets[std::size_t(r) * columns + c].push_back({box, name});
}

bool LabelPlacer::underName(QPoint at) const
{
    const QRect range = cells(QRect(at, QSize(1, 1)));
    if (range.isNull())
        return false;
    for (const Box &other : buckets[std::size_t(range.top()) * columns + range.left()]) {
        ++compared;
        if (other.name && other.box.contains(at))
            return true;
    }
    return false;
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

bool LabelPlacer::mayFit(QPoint at, int height, Room room) const
{
    // The narrowest name still needs a few pixels beside the square.
    for (const QRect &box : beside(at, QSize(4, height)))
        if (isFree(box, room))
            return true;
    return false;
}

QRect LabelPlacer::place(QPoint at, QSize size, Room room)
{
    for (const QRect &box : beside(at, size))
        if (isFree(box, room)) {
            take(box, true);
            ++count;
            return box;
        }
    if (room != Room::Anywhere)
        return QRect();
    // Two names that must both be read, at one spot: the later one goes a line or more away.
    for (int step = 1; step <= 4; ++step)
        for (const int sign : {-1, 1})
            for (const QRect &box : beside(at, size))
                if (const QRect moved = box.translated(0, sign * step * (size.height() + 1));
                    isFree(moved, room)) {
                    take(moved, true);
                    ++count;
                    return moved;
                }
    return QRect();
}

// A name as the map writes it: a long one is cut (between two characters) with an ellipsis, so
// that a name of a megabyte is neither measured whole nor laid over the whole map.
QString mapLabel(const QString &name)
{
    constexpr qsizetype kLongest = 48;
    if (name.size() <= kLongest)
        return name;
    qsizetype cut = kLongest;
    if (name[cut].isLowSurrogate())
        --cut;
    return name.left(cut) + QChar(0x2026);
}

NamesDrawn drawNamesLayer(QPainter &painter, const MapViewport &view, const QRect &area,
                          const NameRequest &request)
{
    NamesDrawn drawn;
    constexpr int kMostNames = 400; // of the route's cities passed through: a view holds no more
    const std::vector<City> &cities = *request.cities;
    LabelPlacer placer(area);
    QFont small = request.font;
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    QFont bold = small;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold), metrics(small);
    using Room = LabelPlacer::Room;
    bool overLesser = false;
    // Names `at` in the first room of `rooms` that has space for it.
    const auto name = [&](int at, QPoint p, const QFont &font, const QFontMetrics &measure,
                          std::initializer_list<Room> rooms) {
        const QString text = mapLabel(cities[std::size_t(at)].getName());
        const QSize size = measure.size(0, text) + QSize(4, 0);
        for (const Room room : rooms)
            if (const QRect box = placer.place(p, size, room); !box.isNull()) {
                overLesser = overLesser || room != Room::Clear;
                drawn.names.emplace_back(at, box);
                painter.fillRect(box, QColor(255, 255, 255, 200));
                painter.setFont(font);
                painter.setPen(QColor(0x20, 0x20, 0x20));
                painter.drawText(box, Qt::AlignCenter, text);
                return true;
            }
        return false;
    };

    // Kept clear: the controls, the route (markers and lines) and every city's square.
    for (const QRect &control : request.controls)
        placer.reserve(control);
    // A long route crosses few pixels on a wide view: each pixel's stop and leg kept once.
    std::vector<bool> stopAt(std::size_t(area.width()) * std::size_t(area.height()), false);
    for (const int at : request.stops)
        if (const QPoint p = view.project(cities[std::size_t(at)]) - area.topLeft();
            !QRect(QPoint(), area.size()).contains(p) ||
            !stopAt[std::size_t(p.y()) * std::size_t(area.width()) + std::size_t(p.x())]) {
            if (QRect(QPoint(), area.size()).contains(p))
                stopAt[std::size_t(p.y()) * std::size_t(area.width()) + std::size_t(p.x())] = true;
            placer.reserve(QRect(p + area.topLeft() - QPoint(5, 5), QSize(11, 11)));
        }
    for (const QLineF &leg : request.legs)
        if (leg.p1().toPoint() != leg.p2().toPoint())
            placer.avoid(leg, 3);
    for (const City &city : cities)
        if (const QPoint p = view.project(city); area.contains(p))
            placer.markCity(p);

    // The route's cities first, in bold: its ends and the stops typed whatever it takes, the
    // cities it passes through where there is room.
    std::vector<int> stops = request.stops;
    std::sort(stops.begin(), stops.end());
    std::vector<int> always = request.always;
    std::sort(always.begin(), always.end());
    always.erase(std::unique(always.begin(), always.end()), always.end());
    // Each once, in the order asked (an end of a typed route is a typed stop too).
    std::vector<char> alwaysNamed(always.size(), 0);
    for (const int at : request.always)
        if (const QPoint p = view.project(cities[std::size_t(at)]); area.contains(p)) {
            const auto k =
                std::size_t(std::lower_bound(always.begin(), always.end(), at) - always.begin());
            if (!std::exchange(alwaysNamed[k], 1))
                name(at, p, bold, boldMetrics, {Room::Clear, Room::OverLesser, Room::Anywhere});
        }
    int tried = 0;
    for (const int at : request.stops)
        if (const QPoint p = view.project(cities[std::size_t(at)]);
            area.contains(p) && !std::binary_search(always.begin(), always.end(), at) &&
            !placer.underName(p) && placer.mayFit(p, boldMetrics.height(), Room::OverLesser) &&
            ++tried <= kMostNames)
            name(at, p, bold, boldMetrics, {Room::Clear, Room::OverLesser});

    // Then the most important cities in view: the first few over lesser cities' squares if
    // need be (never over one another's), the others where there is room. A city under a name
    // is left unnamed.
    int leaders = 0;
    for (std::size_t k = 0; k < request.order->size() && leaders < request.leading; ++k)
        if (const QPoint p = view.project(cities[std::size_t((*request.order)[k])]);
            area.contains(p)) {
            placer.reserve(QRect(p - QPoint(1, 1), QSize(3, 3)));
            ++leaders;
        }
    int inView = 0, named = 0;
    for (const int at : *request.order) {
        if (named >= request.most)
            break;
        const QPoint p = view.project(cities[std::size_t(at)]);
        if (!area.contains(p))
            continue;
        const bool leading = ++inView <= request.leading;
        if (!placer.mayFit(p, metrics.height(), leading ? Room::OverLesser : Room::Clear) ||
            std::binary_search(stops.begin(), stops.end(), at) || placer.underName(p))
            continue;
        if (leading ? name(at, p, small, metrics, {Room::Clear, Room::OverLesser})
                    : name(at, p, small, metrics, {Room::Clear})) {
            ++named;
            placer.reserve(QRect(p - QPoint(1, 1), QSize(3, 3)));
        }
    }

    // A city's square under a name stays in sight.
    drawn.comparisons = placer.comparisons();
    if (!overLesser || !request.squares)
        return drawn;
    QList<QPoint> hidden;
    for (const City &city : cities)
        if (const QPoint p = view.project(city); area.contains(p) && placer.underName(p))
            hidden.append(p);
    // As the network layer draws them.
    painter.setPen(QPen(QBrush(Qt::black), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawPoints(hidden);
    return drawn;
}
