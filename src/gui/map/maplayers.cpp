#include "maplayers.h"

#include "landmap.h"
#include "mappacing.h"
#include "routeshape.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numeric>

QPen mapPen(Qt::GlobalColor colour, int width)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

namespace {

// Millions of long roads would take the painter minutes: every `stride`-th line is summed
// into a count per pixel (counted `stride` times), and each pixel shaded as that many lines of
// `alpha` laid over each other would shade it.
void drawDensity(QPainter &painter, const QRect &area, const QList<QLine> &lines, int alpha,
                 double stride)
{
    const int w = area.width(), h = area.height();
    if (w <= 0 || h <= 0)
        return;
    std::vector<float> count(std::size_t(w) * std::size_t(h), 0.0f);
    const qsizetype step =
        qsizetype(std::clamp(stride, 1.0, double(std::max<qsizetype>(1, lines.size()))));
    const float weight = float(step);
    for (qsizetype k = 0; k < lines.size(); k += step) {
        const QLine &l = lines[k];
        const int x0 = l.x1() - area.left(), y0 = l.y1() - area.top();
        const int dx = l.dx(), dy = l.dy();
        const int n = std::max(std::abs(dx), std::abs(dy));
        // Along the longer axis, a pixel a step: as a one-pixel line covers them.
        for (int t = 0; t <= n; ++t) {
            const int x = n ? x0 + int(std::lround(double(dx) * t / n)) : x0;
            const int y = n ? y0 + int(std::lround(double(dy) * t / n)) : y0;
            if (x >= 0 && y >= 0 && x < w && y < h)
                count[std::size_t(y) * std::size_t(w) + std::size_t(x)] += weight;
        }
    }
    // A sample is spread over its neighbourhood, as the lines left out would have been: a box
    // of about the root of the stride on each side, across then down.
    const int r = step > 1 ? int(std::ceil(std::sqrt(double(step)))) : 0;
    if (r > 0) {
        std::vector<float> line;
        auto blur = [&](int count0, int length, int stride0, int strideStep) {
            // Along `length` cells from `count0`, `strideStep` apart; `stride0` unused.
            Q_UNUSED(stride0);
            line.assign(std::size_t(length), 0.0f);
            double sum = 0;
            for (int i = 0; i < length + r; ++i) {
                if (i < length)
                    sum += count[std::size_t(count0) + std::size_t(i) * std::size_t(strideStep)];
                if (i - 2 * r - 1 >= 0)
                    sum -= count[std::size_t(count0) +
                                 std::size_t(i - 2 * r - 1) * std::size_t(strideStep)];
                if (i - r >= 0)
                    line[std::size_t(i - r)] = float(sum / (2 * r + 1));
            }
            for (int i = 0; i < length; ++i)
                count[std::size_t(count0) + std::size_t(i) * std::size_t(strideStep)] =
                    line[std::size_t(i)];
        };
        for (int y = 0; y < h; ++y)
            blur(y * w, w, 0, 1);
        for (int x = 0; x < w; ++x)
            blur(x, h, 0, w);
    }
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    const double clear = 1.0 - alpha / 255.0;
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float c = count[std::size_t(y) * std::size_t(w) + std::size_t(x)];
            const int a = c > 0 ? int(std::lround(255 * (1.0 - std::pow(clear, c)))) : 0;
            row[x] = qRgba(0, 0, 0, a); // black: premultiplied, the colour stays 0
        }
    }
    painter.drawImage(area.topLeft(), image);
}

} // namespace

namespace {

// The land, the sea and the borders, whole.
void drawLand(QPainter &painter, const MapViewport &view, const QRect &area)
{
    const LandMap &land = builtInLandMap();
    const QTransform toView = view.transform();
    const QRectF seen = toView.inverted().mapRect(QRectF(area));
    painter.save();
    painter.fillRect(area, QColor(0xdf, 0xea, 0xf2)); // sea
    QPainterPath shapes;
    shapes.setFillRule(Qt::OddEvenFill); // a lake is a ring inside its land
    for (std::size_t i = 0; i < land.land.size(); ++i)
        if (land.landBounds[i].intersects(seen))
            shapes.addPolygon(toView.map(land.land[i]));
    painter.fillPath(shapes, QColor(0xf6, 0xf3, 0xea));
    painter.setPen(QPen(QColor(0xa8, 0xa8, 0xa8), 1, Qt::DashLine));
    for (const QPolygonF &border : land.borders)
        if (border.boundingRect().intersects(seen))
            painter.drawPolyline(toView.map(border));
    painter.restore();
}

} // namespace

double landOpacity(const MapViewport &view)
{
    // The land's lines lie within 0.02° of Natural Earth's 1:50m ones, themselves a few km off
    // at places: drawn whole while that is 2 pixels at most, fading out by 10 (a valley or a
    // town fitted to the view would otherwise sit in a coarse diamond of a country).
    const double errorPixels = 0.02 * 25 * view.zoom();
    return std::clamp((10 - errorPixels) / 8, 0.0, 1.0);
}

void drawLandLayer(QPainter &painter, const MapViewport &view, const QRect &area)
{
    const double opacity = landOpacity(view);
    if (opacity <= 0)
        return;
    if (opacity < 1) {
        // Drawn whole aside, then laid down faded: the land over the sea, not through it.
        const qreal ratio = painter.device()->devicePixelRatioF();
        QImage whole(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        whole.setDevicePixelRatio(ratio);
        whole.fill(Qt::transparent);
        QPainter aside(&whole);
        aside.translate(-area.topLeft());
        drawLand(aside, view, area);
        aside.end();
        painter.save();
        painter.setOpacity(opacity);
        painter.drawImage(area.topLeft(), whole);
        painter.restore();
        return;
    }
    drawLand(painter, view, area);
}

namespace {

// Points of a shape (map units) appended as pixels, one a pixel at most.
template <typename Iterator>
void appendPixels(const MapViewport &view, Iterator from, Iterator to, std::vector<QPoint> *line)
{
    for (; from != to; ++from) {
        const QPoint at = view.project(from->x(), from->y());
        if (line->empty() || line->back() != at)
            line->push_back(at);
    }
}

} // namespace

Crowd drawNetworkLayer(QPainter &painter, const MapViewport &view, const QRect &area,
                       const std::vector<City> &cities,
                       const std::vector<std::pair<int, int>> &roadPairs, const RoadShapes *shapes,
                       const std::vector<std::int32_t> &shapeOf)
{
    std::vector<QPoint> at(cities.size());
    int inView = 0;
    for (std::size_t i = 0; i < cities.size(); ++i) {
        at[i] = view.project(cities[i]);
        inView += area.contains(at[i]);
    }
    // Squares and 2-pixel roads show a few hundred cities apart; thousands would merge into a
    // black block. Then roads are hairlines whose shade builds up where they crowd: the map
    // shows where the network is dense and where it thins out. Names of a few hundred cities
    // still help; among tens of thousands they would be noise.
    const int room = area.width() * area.height();
    const Crowd crowd{inView > room / 400, inView > room / 100};
    const QRect margin = area.adjusted(-2, -2, 2, 2);
    QList<QLine> lines;
    lines.reserve(qsizetype(roadPairs.size()));
    const QTransform toView = view.transform();
    // Seen from afar, a shape's lesser bends are under half a pixel: its coarse points serve.
    const bool coarseEnough = RoadShapes::kCoarse * toView.m11() <= 0.5;
    std::vector<QPoint> bends;
    for (std::size_t k = 0; k < roadPairs.size(); ++k) {
        const auto [i, j] = roadPairs[k];
        const QPoint a = at[std::size_t(i)], b = at[std::size_t(j)];
        const int shape = shapes && k < shapeOf.size() ? shapeOf[k] : -1;
        QRect box = QRect(a, b).normalized();
        if (shape >= 0)
            box |= toView.mapRect(shapes->bounds(shape)).toAlignedRect();
        // Roads wholly to one side of the view, and those shorter than a pixel in a dense view,
        // show nothing.
        if (!box.intersects(margin) || (crowd.dense && box.width() <= 1 && box.height() <= 1))
            continue;
        // A shape within a pixel or two of its straight line (any road, seen from afar) is
        // drawn as that line: the level of detail follows the zoom.
        if (shape < 0 || (box.width() <= 2 && box.height() <= 2)) {
            lines.append(QLine(a, b));
            continue;
        }
        bends.clear();
        bends.push_back(a);
        const std::span<const QPointF> points =
            coarseEnough ? shapes->coarsePoints(shape) : shapes->points(shape);
        appendPixels(view, points.begin(), points.end(), &bends);
        if (bends.back() != b)
            bends.push_back(b);
        for (std::size_t p = 1; p < bends.size(); ++p)
            lines.append(QLine(bends[p - 1], bends[p]));
    }
    if (!crowd.dense) {
        // What printCity and printRoad draw, from the roads found once.
        QList<QPoint> points;
        points.reserve(inView);
        for (const QPoint &p : at)
            if (margin.contains(p))
                points.append(p);
        painter.setPen(mapPen(Qt::black, 2));
        painter.drawPoints(points);
        painter.drawLines(lines);
        return crowd;
    }
    // The more crowded, the fainter each line, so that the crowd shades rather than blots.
    const double share = double(room) / 400 / inView;
    const int alpha = std::clamp(int(250 * share), 14, 90);
    double pixels = 0;
    for (const QLine &l : std::as_const(lines))
        pixels += std::max(std::abs(l.dx()), std::abs(l.dy())) + 1;
    if (pixels <= mapPacing().linePixels) {
        painter.setPen(QPen(QColor(0, 0, 0, alpha), 1));
        painter.drawLines(lines);
        return crowd;
    }
    const double budget = mapPacing().linePixels;
    drawDensity(painter, area, lines, alpha,
                budget > 0 ? std::max(1.0, std::floor(pixels / budget)) : 1.0);
    return crowd;
}

void drawRouteLayer(QPainter &painter, const MapViewport &view, const Network &network,
                    const std::vector<City> &cities, const std::vector<int> &path,
                    const std::vector<double> &legTimes, const QStringList &typed,
                    const RouteShape *driven)
{
    double coordLongLast = 0.0;
    double coordLatLast = 0.0;
    bool hasLast = false; // no stop before: any coordinate, -1 included, is a real place
    int counter = 0;
    QPoint start, end;
    // A stop is visited once for every city that bears its name.
    QHash<QString, int> runs;
    for (const int at : path)
        if (at >= 0 && std::size_t(at) < cities.size())
            runs.insert(cities[at].getName(), 0);
    if (&cities == &network.cities()) { // counted once at load
        for (auto it = runs.begin(); it != runs.end(); ++it)
            *it = int(network.positionsOf(it.key()).size());
    } else {
        for (const City &city : cities) {
            const auto found = runs.find(city.getName());
            if (found != runs.end())
                ++*found;
        }
    }
    // Legs along their roads where the network has their shapes.
    const bool shaped = &cities == &network.cities() && (driven || !network.shapes().isEmpty());
    // (Past a town, not to its point and back, as exports have it; a drive's shape, uncopied.)
    const RouteShape made =
        shaped && !driven ? routeShape(network, path, {typed.begin(), typed.end()}) : RouteShape();
    const RouteShape &along = shaped && driven ? *driven : made;
    int lastAt = -1;
    std::vector<QPoint> bends;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const int at = path[k];
        if (at < 0 || std::size_t(at) >= cities.size())
            continue;
        const City &stop = cities[at];
        const QPoint here = view.project(stop);
        // No line is drawn where no road leads: the leg that reaches this stop has no time.
        bool joined = k == 0 || k > legTimes.size() || std::isfinite(legTimes[k - 1]);
        for (int run = runs.value(stop.getName()); run > 0; --run) {
            if (counter == 0) {
                counter = 1;
                start = here;
            } else {
                painter.setPen(mapPen(Qt::red, 8));
                painter.drawPoint(here);
            }
            painter.setPen(mapPen(Qt::red, 4));
            const bool alongRoad = shaped && hasLast && joined && lastAt >= 0 && k > 0 &&
                                   path[k - 1] == lastAt && k - 1 < along.legLines.size() &&
                                   !along.legLines[k - 1].empty();
            if (alongRoad) {
                const std::vector<QPointF> &leg = along.legLines[k - 1];
                bends.clear();
                appendPixels(view, leg.begin(), leg.end(), &bends);
                painter.drawPolyline(bends.data(), int(bends.size()));
            } else if (hasLast && joined) {
                painter.drawLine(view.project(coordLongLast, coordLatLast), here);
            }
            joined = true; // the next runs of a repeated name start here
            hasLast = true;
            lastAt = run == runs.value(stop.getName()) ? at : -1;
            coordLongLast = stop.getCoordLong();
            coordLatLast = stop.getCoordLat();
            end = here;
        }
    }
    // The stops typed, between the ends, ringed: where the user asked to go.
    painter.setPen(QPen(QColor(0x80, 0, 0), 2));
    painter.setBrush(Qt::NoBrush);
    for (std::size_t k = 1; k + 1 < path.size(); ++k)
        if (path[k] >= 0 && std::size_t(path[k]) < cities.size() &&
            typed.contains(cities[std::size_t(path[k])].getName()))
            painter.drawRect(
                QRect(view.project(cities[std::size_t(path[k])]) - QPoint(7, 7), QSize(14, 14)));
    if (!path.empty()) {
        painter.setPen(mapPen(Qt::blue, 9));
        painter.drawPoint(start);
        painter.setPen(mapPen(Qt::green, 9));
        painter.drawPoint(end);
    }
}

void drawScaleBar(QPainter &painter, const MapViewport &view, const QRectF &area)
{
    // Kilometres a pixel across, where the middle of the map is: a degree of longitude is
    // 111.32 km times the cosine of the latitude, and 25 map units.
    const QPointF middle = view.toMap(area.center());
    const double latitude = std::clamp(latitudeOfMapY(middle.y()), -85.0, 85.0);
    const double kmPerPixel = 111.32 * std::cos(latitude * M_PI / 180) / 25 / view.zoom();
    if (!(kmPerPixel > 0) || !std::isfinite(kmPerPixel))
        return;
    // The longest of 1, 2 or 5 times a power of ten that fits in 120 pixels.
    double km = std::pow(10.0, std::floor(std::log10(120 * kmPerPixel)));
    for (const double step : {5.0, 2.0})
        if (km * step / kmPerPixel <= 120) {
            km *= step;
            break;
        }
    const int length = int(km / kmPerPixel);
    const QPoint left(int(area.left()) + 10, int(area.bottom()) - 12);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(left, left + QPoint(length, 0));
    painter.drawLine(left, left - QPoint(0, 5));
    painter.drawLine(left + QPoint(length, 0), left + QPoint(length, -5));
    painter.drawText(QRect(left + QPoint(0, -22), QSize(length + 60, 16)), Qt::AlignLeft,
                     km >= 1 ? QStringLiteral("%1 km").arg(km)
                             : QStringLiteral("%1 m").arg(km * 1000));
}

MapLayers::MapLayers(QObject *parent) : QObject(parent)
{
    rest.setSingleShot(true);
    connect(&rest, &QTimer::timeout, this, [this] {
        if (std::exchange(stale, false))
            baseValid = false;
        moving = false;
        emit repaintNeeded();
    });
}

MapLayers::Drawing MapLayers::prepare(const Network &network)
{
    Drawing drawing{network.roadPairs(), {}, {}};
    if (!network.shapes().isEmpty()) {
        drawing.shapes.reserve(drawing.roads.size());
        for (const auto &[i, j] : drawing.roads)
            drawing.shapes.push_back(network.shapes().find(i, j));
    }
    std::vector<int> degree(std::size_t(network.size()), 0);
    for (const auto &[i, j] : drawing.roads) {
        ++degree[std::size_t(i)];
        ++degree[std::size_t(j)];
    }
    drawing.nameOrder.resize(degree.size());
    std::iota(drawing.nameOrder.begin(), drawing.nameOrder.end(), 0);
    // Of two cities with as many roads, the one whose neighbours have more: a junction among
    // junctions is the likelier town.
    std::vector<std::int64_t> around(degree.size(), 0);
    for (const auto &[i, j] : drawing.roads) {
        around[std::size_t(i)] += degree[std::size_t(j)];
        around[std::size_t(j)] += degree[std::size_t(i)];
    }
    std::stable_sort(drawing.nameOrder.begin(), drawing.nameOrder.end(), [&](int a, int b) {
        const std::size_t x = std::size_t(a), y = std::size_t(b);
        return degree[x] != degree[y] ? degree[x] > degree[y] : around[x] > around[y];
    });
    return drawing;
}

void MapLayers::setNetwork(std::shared_ptr<const Network> network, Drawing drawing)
{
    net = std::move(network);
    roadPairs = std::move(drawing.roads);
    roadShapes = std::move(drawing.shapes);
    labelOrder = std::move(drawing.nameOrder);
    viewChanged();
}

QRect MapLayers::scaleBarBox(QSize size)
{
    const QRectF area = MapViewport::mapArea(size);
    return QRect(int(area.left()), int(area.bottom()) - MapViewport::kScaleBarHeight, 200,
                 MapViewport::kScaleBarHeight);
}

void MapLayers::paint(QPainter &painter, const MapViewport &view, QSize size, qreal ratio,
                      bool land, bool scale, const NameRequest *request)
{
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    const QRect area(QPoint(), size);
    if (!baseValid || base.size() != pixels || baseLand != land || baseScale != scale) {
        // Drawn where the map stands without the drag going on, which moves the whole picture.
        QElapsedTimer clock;
        clock.start();
        base = QPixmap(pixels);
        base.setDevicePixelRatio(ratio);
        base.fill(Qt::transparent);
        QPainter layer(&base);
        const MapViewport still = view.still();
        if (land)
            drawLandLayer(layer, still, area);
        // Under the network: no city hides under it.
        if (scale)
            drawScaleBar(layer, still, MapViewport::mapArea(size));
        if (net)
            seen = drawNetworkLayer(layer, still, area, net->cities(), roadPairs, &net->shapes(),
                                    roadShapes);
        baseTransform = still.transform();
        baseLand = land;
        baseScale = scale;
        stale = false;
        baseValid = true;
        namesValid = false;
        baseMs = double(clock.nsecsElapsed()) / 1e6;
    }
    // While a drag goes on, the picture drawn before it moves with the pointer; while a slow
    // network's zoom goes on, it is scaled until it is drawn anew.
    const QTransform now = view.transform();
    const double factor = now.m11() / baseTransform.m11();
    const QPointF shift = QPointF(now.dx(), now.dy()) + view.dragged() -
                          factor * QPointF(baseTransform.dx(), baseTransform.dy());
    if (factor == 1.0) {
        painter.drawPixmap(shift.toPoint(), base);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(shift);
        painter.scale(factor, factor);
        painter.drawPixmap(0, 0, base);
        painter.restore();
    }

    if (!request || stale || moving)
        return;
    if (!namesValid || names.size() != pixels) {
        names = QPixmap(pixels);
        names.setDevicePixelRatio(ratio);
        names.fill(Qt::transparent);
        QPainter layer(&names);
        drawNamesLayer(layer, view.still(), area, *request);
        namesValid = true;
    }
    painter.drawPixmap(view.dragged(), names);
}

void MapLayers::viewChanged()
{
    baseValid = false;
    namesValid = false;
    stale = false;
    moving = false;
    rest.stop();
}

void MapLayers::viewMoving()
{
    // A layer drawn faster than a frame is drawn again at once; a slower one (tens of
    // thousands of cities) is moved and scaled as it is until the view rests.
    if (baseMs <= mapPacing().frameMs || !baseValid)
        baseValid = false;
    else
        stale = true;
    namesValid = false;
    // Names wait too: placing them costs more than a frame of a small network.
    moving = true;
    rest.start(mapPacing().restMs);
}

void MapLayers::namesChanged()
{
    namesValid = false;
}
