#pragma once

#include "city.h"

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QTransform>

#include <optional>
#include <vector>

// Where the map is on screen: one transform from map units (the cities' coordinates, see
// city.h) to the window's pixels, with the moves a user makes (the zoom buttons, the wheel, a
// drag, the arrow keys, Home). The first view is the map of France as it was always drawn at
// 800 x 600, scaled up in a larger window; a network whose bulk lies outside it is fitted into
// the map area instead.
class MapViewport
{
public:
    // The window's first and smallest size: the map of France was drawn for it.
    static constexpr QSize firstSize{800, 600};
    // The map units the first view shows in the map area, France and around.
    static const QRectF firstView;
    // How tall the scale bar at the map area's foot is (MapLayers::scaleBarBox).
    static constexpr int kScaleBarHeight = 36;
    // Below this share of the first view's width and height, a network is fitted to the view.
    static constexpr double kSpeck = 1.0 / 16;
    // Pixels a map unit at most: deep enough to tell apart the towns of a country.
    static constexpr double deepest = 2000;
    // The wheel zooms out to half the first view, the whole network still in sight.
    static constexpr double lowestLevel = 0.5;
    // The zoom buttons' nine levels, 1.0 to 1.8 times the first view.
    static constexpr double buttonStep = 0.1;
    static constexpr double topLevel = 1.8;

    // The part of a window of `size` between the controls, where the map is looked at.
    static QRectF mapArea(QSize size);

    // The map units that the bulk of `cities` covers: their bounds without the few that lie
    // far from all the others (a city whose position was mistyped or left empty); nothing
    // where no city has a position.
    static std::optional<QRectF> bulkExtent(const std::vector<City> &cities);

    // The network's bulk (bulkExtent) and the window's size; either makes the first view
    // anew. A new network goes to it; a new size only while the user has not moved the view.
    void setExtent(const std::optional<QRectF> &bulk);
    void setWindowSize(QSize size);

    // The pixel a point in map units shows at: truncated toward zero, as the map always drew.
    QPoint project(double x, double y) const;
    QPoint project(const City &city) const
    {
        return project(city.getCoordLong(), city.getCoordLat());
    }
    QPointF toMap(QPointF pixel) const;
    // Map units to pixels, not truncated, without the drag going on.
    QTransform transform() const;

    // The view as the window names it: scale factor and button offset in pixels.
    double zoom() const { return coef; }
    int gap() const { return offset; }
    // How far a drag going on has moved the map, in pixels.
    QPoint dragged() const { return drag; }
    // This view without the drag going on (the map layer is drawn so, and moved by the drag).
    MapViewport still() const;

    bool fitted() const { return fit; }
    bool atHome() const { return home; }
    // The zoom as a multiple of the first view's.
    double level() const { return coef / homeCoef; }
    // Deeper than the buttons' nine levels.
    bool beyondButtons() const { return level() > topLevel + 1e-9; }

    // The zoom buttons and keys: one of nine levels, from the first view to 1.8 times it;
    // false where the end is reached and nothing changed.
    bool zoomIn();
    bool zoomOut();
    // The wheel: `factor` times the zoom, the map point under `at` staying under it.
    bool zoomAbout(QPointF at, double factor);
    void moveBy(QPointF pixels);
    // The map point `at` in the middle of the map area, zoomed in to `level` at least.
    void centreOn(QPointF at, double level);
    void setDrag(QPoint offset);
    void endDrag(); // the map stays where the drag took it
    void reset();   // the first view again

private:
    void computeHome();
    bool partsSteps() const; // the buttons add 0.1 and move 20 pixels, as at the first size
    bool stepTo(double newLevel);

    QSize window = firstSize;
    std::optional<QRectF> extent;
    bool fit = false;
    double homeCoef = 1.0;
    QPointF homePan;
    double coef = 1.0;
    int offset = 0;
    QPointF pan;
    QPoint drag;
    bool home = true;
};
