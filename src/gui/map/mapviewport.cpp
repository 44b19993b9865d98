#include "mapviewport.h"

#include <algorithm>
#include <cmath>

namespace {

// Truncation toward zero, kept inside int for points far off the map.
int toPixel(double value)
{
    if (std::isnan(value))
        return 0;
    return int(std::clamp(value, -1e9, 1e9));
}

} // namespace

const QRectF MapViewport::firstView(QPointF(160, 0), QPointF(800, 480));

QRectF MapViewport::mapArea(QSize size)
{
    // At the first size, the area the map of France was drawn for; it grows with the window.
    return QRectF(180, 20, std::max(size.width(), firstSize.width()) - 200,
                  std::max(size.height(), firstSize.height()) - 160);
}

std::optional<QRectF> MapViewport::bulkExtent(const std::vector<City> &cities)
{
    std::vector<double> xs, ys;
    for (const City &c : cities)
        if (std::isfinite(c.getCoordLong()) && std::isfinite(c.getCoordLat())) {
            xs.push_back(c.getCoordLong());
            ys.push_back(c.getCoordLat());
        }
    if (xs.empty())
        return std::nullopt;
    // The core: the bounds once the farthest percent (at least one city a side, from five
    // cities on) is left out. A city counts when it lies within a tenth of the core's size of
    // it, or a degree: the strays are those far from everything else (a city whose position
    // was mistyped or left empty; islands far off a continent's coast).
    const std::size_t n = xs.size();
    const std::size_t trim = n < 5 ? 0 : std::max<std::size_t>(1, n / 100);
    // (The two order statistics of each axis, without sorting a million positions.)
    const auto nth = [](std::vector<double> v, std::size_t low, std::size_t high) {
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(low), v.end());
        const double first = v[low];
        std::nth_element(v.begin() + std::ptrdiff_t(low), v.begin() + std::ptrdiff_t(high),
                         v.end());
        return std::pair{first, v[high]};
    };
    const auto [x0, x1] = nth(xs, trim, n - 1 - trim);
    const auto [y0, y1] = nth(ys, trim, n - 1 - trim);
    const QRectF core(QPointF(x0, y0), QPointF(x1, y1));
    const double margin = std::max(0.1 * std::max(core.width(), core.height()), 25.0);
    const QRectF near = core.adjusted(-margin, -margin, margin, margin);
    double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (std::size_t i = 0; i < n; ++i)
        if (xs[i] >= near.left() && xs[i] <= near.right() && ys[i] >= near.top() &&
            ys[i] <= near.bottom()) {
            left = std::min(left, xs[i]);
            right = std::max(right, xs[i]);
            top = std::min(top, ys[i]);
            bottom = std::max(bottom, ys[i]);
        }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

void MapViewport::setExtent(const std::optional<QRectF> &bulk)
{
    extent = bulk;
    computeHome();
    reset();
}

void MapViewport::setWindowSize(QSize size)
{
    window = size;
    computeHome();
    if (home)
        reset();
}

void MapViewport::computeHome()
{
    const QRectF area = mapArea(window);
    // A network in the first view's frame opens as the map of France was drawn, unless it
    // would be a speck there (a region, a town): then, as one outside it, fitted to its bulk.
    const bool inside =
        !extent || (extent->left() >= firstView.left() && extent->right() < firstView.right() &&
                    extent->top() >= firstView.top() && extent->bottom() < firstView.bottom() &&
                    (extent->width() >= firstView.width() * kSpeck ||
                     extent->height() >= firstView.height() * kSpeck));
    fit = !inside && std::isfinite(extent->width()) && std::isfinite(extent->height());
    if (fit) {
        // Above the scale bar at the area's foot, a city's square apart: no city under it.
        const QRectF room = area.adjusted(0, 0, 0, -kScaleBarHeight - 4);
        homeCoef = std::min(extent->width() > 0 ? room.width() / extent->width() : 1.0,
                            extent->height() > 0 ? room.height() / extent->height() : 1.0);
        homeCoef = std::clamp(homeCoef, 1e-6, deepest);
        homePan = room.center() - homeCoef * extent->center();
        return;
    }
    // France as first drawn, scaled up with the window about the area's corner and centred in
    // the room it gained; pixel for pixel the first drawing at the first size.
    const QRectF first = mapArea(firstSize);
    homeCoef = std::min(area.width() / first.width(), area.height() / first.height());
    homePan = area.topLeft() * (1 - homeCoef) + QPointF(area.width() - first.width() * homeCoef,
                                                        area.height() - first.height() * homeCoef) /
                                                    2;
}

QPoint MapViewport::project(double x, double y) const
{
    return QPoint(toPixel(double(offset) + pan.x() + drag.x() + coef * x),
                  toPixel(double(offset) + pan.y() + drag.y() + coef * y));
}

QPointF MapViewport::toMap(QPointF pixel) const
{
    return QPointF((pixel.x() - offset - pan.x()) / coef, (pixel.y() - offset - pan.y()) / coef);
}

QTransform MapViewport::transform() const
{
    return QTransform(coef, 0, 0, coef, offset + pan.x(), offset + pan.y());
}

MapViewport MapViewport::still() const
{
    MapViewport view = *this;
    view.drag = QPoint();
    return view;
}

bool MapViewport::partsSteps() const
{
    return !fit && homeCoef == 1.0;
}

bool MapViewport::zoomIn()
{
    if (partsSteps()) {
        // The buttons' own arithmetic: in double, eight steps lead to 1.8000000000000007,
        // past the test, so a ninth press does nothing.
        if (!(coef <= topLevel))
            return false;
        coef = buttonStep + coef;
        offset -= 20;
        home = false;
        return true;
    }
    if (level() >= topLevel - 1e-9)
        return false;
    return stepTo(std::min(level() + buttonStep, topLevel));
}

bool MapViewport::zoomOut()
{
    if (partsSteps()) {
        if (!(coef >= 1.0 + buttonStep))
            return false;
        coef -= buttonStep;
        offset += 20;
        home = false;
        return true;
    }
    if (level() <= 1.0 + 1e-9)
        return false;
    return stepTo(std::max(level() - buttonStep, 1.0));
}

bool MapViewport::stepTo(double newLevel)
{
    // About the middle of the map area, the map's point there staying put.
    return zoomAbout(mapArea(window).center(), newLevel * homeCoef / coef);
}

bool MapViewport::zoomAbout(QPointF at, double factor)
{
    // In to the towns of a country; out a little beyond the first view, not to a dot.
    const double z = std::clamp(coef * factor, std::min(homeCoef * lowestLevel, deepest), deepest);
    if (!std::isfinite(z) || z == coef)
        return false;
    // The map point under `at` before, where it must stay after.
    const QPointF under = toMap(at);
    coef = z;
    pan = QPointF(at.x() - offset - z * under.x(), at.y() - offset - z * under.y());
    home = false;
    return true;
}

void MapViewport::moveBy(QPointF pixels)
{
    pan += pixels;
    home = false;
}

void MapViewport::centreOn(QPointF at, double atLeast)
{
    coef = std::clamp(std::max(coef, homeCoef * atLeast), homeCoef * lowestLevel, deepest);
    const QPointF middle = mapArea(window).center();
    pan = QPointF(middle.x() - offset - coef * at.x(), middle.y() - offset - coef * at.y());
    home = false;
}

void MapViewport::setDrag(QPoint dragOffset)
{
    drag = dragOffset;
}

void MapViewport::endDrag()
{
    if (!drag.isNull())
        moveBy(drag);
    drag = QPoint();
}

void MapViewport::reset()
{
    coef = homeCoef;
    offset = 0;
    pan = homePan;
    drag = QPoint();
    home = true;
}
