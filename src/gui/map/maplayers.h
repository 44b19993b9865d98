#pragma once

#include "maplabels.h"
#include "mapviewport.h"
#include "network.h"
#include "routeshape.h"

#include <QFont>
#include <QObject>
#include <QPen>
#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QPainter;

// The map's layers, bottom up: land and borders, the network (cities and roads), city names,
// then the route, which the window draws last. Each is a function with one job; MapLayers
// keeps the first two, and the names, as pictures that each paint lays down, drawn anew only
// when what they show changes.

// The pen of the map's squares and lines: square caps, bevelled joins.
QPen mapPen(Qt::GlobalColor colour, int width);

// Land and country borders under the network, over a sea-coloured ground; faded, then left
// out, where the view is finer than they are drawn to.
void drawLandLayer(QPainter &painter, const MapViewport &view, const QRect &area);
// How opaque they are drawn in `view`: 1 to about 4 times the first view, none beyond 20.
double landOpacity(const MapViewport &view);

// How crowded a view of the network is.
struct Crowd
{
    bool dense = false;   // more cities than squares can show apart: roads as shaded hairlines
    bool crowded = false; // too many for names to help
};

// Cities as 2-pixel squares and roads as 2-pixel lines, as the map always drew them; in a
// dense view, roads as hairlines whose shade builds up where they crowd. Where `shapes` gives
// a road's shape (`shapeOf`, one per road pair: its shape in `shapes`, or -1), the road is
// drawn along it, a point a pixel at most.
Crowd drawNetworkLayer(QPainter &painter, const MapViewport &view, const QRect &area,
                       const std::vector<City> &cities,
                       const std::vector<std::pair<int, int>> &roadPairs,
                       const RoadShapes *shapes = nullptr,
                       const std::vector<std::int32_t> &shapeOf = {});

// The route: red legs and stops, the start marked blue and the end green. A stop is visited
// once for each city that bears its name; no line is drawn for a leg that no road makes. The
// cities named in `typed` (the stops a user typed) are ringed, apart from those the route only
// passes through. A route that drives on the network's road graph comes with its `driven`
// shape.
void drawRouteLayer(QPainter &painter, const MapViewport &view, const Network &network,
                    const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, const QStringList &typed = {},
                    const RouteShape *driven = nullptr);

// A bar of a round number of kilometres at the foot of the map area (`area`, in pixels), as
// the view's scale is in its middle.
void drawScaleBar(QPainter &painter, const MapViewport &view, const QRectF &area);

// The pictures of the layers below the route, kept between paints, and the pace at which
// they are drawn anew while the view moves (see mappacing.h).
class MapLayers : public QObject
{
    Q_OBJECT

public:
    explicit MapLayers(QObject *parent = nullptr);

    // What the layers work out once for a network: its roads as pairs of cities, and its
    // cities in the order names are given room (best connected first).
    struct Drawing
    {
        std::vector<std::pair<int, int>> roads;
        std::vector<int> nameOrder;
        std::vector<std::int32_t> shapes; // per road: its shape, or -1 (none without shapes)
    };
    // (May throw std::bad_alloc: made before anything changes.)
    static Drawing prepare(const Network &network);
    void setNetwork(std::shared_ptr<const Network> network, Drawing drawing);
    const std::vector<std::pair<int, int>> &roads() const { return roadPairs; }
    const std::vector<int> &nameOrder() const { return labelOrder; }

    // Lays down land (when `land`), the scale (when `scale`), the network, then names (when
    // `names` is given), as `view` shows them on a surface of `size` device-independent pixels
    // at `ratio`.
    void paint(QPainter &painter, const MapViewport &view, QSize size, qreal ratio, bool land,
               bool scale, const NameRequest *names);
    // Where the scale bar goes in a window of `size`: names keep clear of it.
    static QRect scaleBarBox(QSize size);

    // The view changed (a button, the end of a drag, Home, a new size): all drawn anew.
    void viewChanged();
    // The wheel or keys moved the view: a layer drawn within a frame's time is drawn anew at
    // once, a slower one is scaled until the view rests; names wait for the rest.
    void viewMoving();
    // The route or what is named changed: names placed anew.
    void namesChanged();

    Crowd crowd() const { return seen; }

signals:
    // A repaint would show something new (the view has rested).
    void repaintNeeded();

private:
    std::shared_ptr<const Network> net;
    std::vector<std::pair<int, int>> roadPairs; // i < j joined by a road
    std::vector<std::int32_t> roadShapes;       // per road: its shape, or -1
    std::vector<int> labelOrder;                // cities by number of roads
    QPixmap base;                               // land and network, on a transparent ground
    QPixmap names;                              // names, on a transparent ground
    bool baseValid = false;
    bool namesValid = false;
    bool baseLand = false;
    bool baseScale = false;
    // Where the base was drawn: moved and scaled while a slow layer waits for the view to rest.
    QTransform baseTransform;
    bool stale = false;
    bool moving = false; // the wheel or keys moved the view less than a rest ago
    double baseMs = 0;   // how long the last base took
    QTimer rest;
    Crowd seen;
};
