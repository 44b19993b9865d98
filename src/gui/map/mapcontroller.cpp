#include "mapcontroller.h"

#include "routeplan.h"
#include "routetable.h"

#include <QContextMenuEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Stands for the map in the Tab order, under the controls and transparent to the mouse: what
// it is typed goes to the map.
class MapKeys : public QWidget
{
public:
    MapKeys(QWidget *parent, MapController *map) : QWidget(parent), map(map)
    {
        setObjectName(QStringLiteral("mapKeys"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(MapController::tr("Map"));
        lower();
    }

    // Framed while it has the focus from the keyboard (Tab, a shortcut), not from a click.
    bool framed() const { return hasFocus() && byKeyboard; }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!map->key(event))
            QWidget::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent *event) override
    {
        // Back from another window or a menu: as it was.
        if (event->reason() != Qt::ActiveWindowFocusReason &&
            event->reason() != Qt::PopupFocusReason)
            byKeyboard = event->reason() != Qt::MouseFocusReason;
        parentWidget()->window()->update();
    }
    void focusOutEvent(QFocusEvent *) override { parentWidget()->window()->update(); }
    void contextMenuEvent(QContextMenuEvent *) override
    {
        const QRectF area = MapViewport::mapArea(window()->size());
        map->openMenu(area.center().toPoint(), map->selectedCity());
    }

private:
    MapController *map;
    bool byKeyboard = false;
};

} // namespace

MapController::MapController(QWidget *window, QWidget *controls, RoutePlan *plan,
                             MenuActions menuActions)
    : QObject(window), window(window), controls(controls), plan(plan),
      menuActions(std::move(menuActions)), drawn(new MapLayers(this)),
      keys(new MapKeys(controls, this))
{
    window->installEventFilter(this);
    connect(drawn, &MapLayers::repaintNeeded, window, qOverload<>(&QWidget::update));
    // The route's names go with it.
    connect(plan, &RoutePlan::routeChanged, drawn, &MapLayers::namesChanged);
}

void MapController::setNetwork(std::shared_ptr<const Network> network, MapLayers::Drawing drawing)
{
    selected = -1;
    reachable = ReachShown(); // of the network that goes
    viewport.setExtent(MapViewport::bulkExtent(network->cities()));
    drawn->setNetwork(std::move(network), std::move(drawing));
    changed(false);
}

void MapController::paint(QPainter &painter)
{
    // The map the window always drew, without text, at the first view and the buttons' levels.
    const bool named = namesShown();
    const NameRequest request = named ? nameRequest() : NameRequest();
    // The scale comes with the names: neither at the map of France the window always drew.
    drawn->paint(painter, viewport, window->size(), window->devicePixelRatioF(), landShown(), named,
                 named ? &request : nullptr);
    drawReachLayer(painter, viewport, MapViewport::mapArea(window->size()).toAlignedRect(),
                   plan->network().cities(), drawn->roads(), reachable);
}

void MapController::paintOverlay(QPainter &painter)
{
    if (!reachable.empty()) {
        const QString unit = plan->unitText();
        QStringList bands;
        for (int band = 0; band < ReachShown::kBands; ++band)
            bands << tr("up to %1").arg(formatDuration(reachable.bandEnd(band), unit));
        drawReachLegend(painter, MapViewport::mapArea(window->size()).toAlignedRect(),
                        tr("Reachable from %1 within %2")
                            .arg(plan->network().cities()[std::size_t(reachable.from())].getName(),
                                 formatDuration(reachable.limit(), unit)),
                        bands);
    }

    if (selected >= 0 && selected < plan->network().size()) {
        const QPoint at = viewport.project(plan->network().cities()[std::size_t(selected)]);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(at), 9, 9);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    if (static_cast<const MapKeys *>(keys)->framed()) {
        painter.setPen(QPen(window->palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(MapViewport::mapArea(window->size()).adjusted(-4, -4, 3, 3));
    }
}

void MapController::selectCity(int at, bool centre)
{
    selected = at >= 0 && at < plan->network().size() ? at : -1;
    if (selected >= 0 && centre) {
        const City &city = plan->network().cities()[std::size_t(selected)];
        // Close enough to tell the towns around apart.
        viewport.centreOn(QPointF(city.getCoordLong(), city.getCoordLat()), 3.0);
        changed(false);
    }
    window->update();
}

NameRequest MapController::nameRequest() const
{
    NameRequest request;
    const std::vector<City> &cities = plan->network().cities();
    request.cities = &cities;
    request.order = &drawn->nameOrder();
    // Among tens of thousands of cities, names would be noise; among a few hundred they help,
    // the leading ones wherever they can go.
    request.most = drawn->crowd().crowded ? 0 : 400;
    request.leading = 12;
    request.squares = !drawn->crowd().dense;
    request.font = window->font();
    const MapViewport still = viewport.still();
    const std::vector<int> &path = plan->path();
    const std::vector<double> &legs = plan->legTimes();
    QSet<int> onRoute;
    const RouteShape along = plan->network().shapes().isEmpty() && !plan->network().roadNodes()
                                 ? RouteShape()
                                 : plan->shape();
    for (std::size_t k = 0; k < path.size(); ++k) {
        if (!onRoute.contains(path[k])) {
            onRoute.insert(path[k]);
            request.stops.push_back(path[k]);
        }
        if (k > 0 && k - 1 < legs.size() && std::isfinite(legs[k - 1])) {
            // Along the road where the network has its shape: names keep clear of it.
            if (k - 1 >= along.legLines.size() || along.legLines[k - 1].empty()) {
                request.legs.emplace_back(still.project(cities[std::size_t(path[k - 1])]),
                                          still.project(cities[std::size_t(path[k])]));
                continue;
            }
            QPoint last;
            bool first = true;
            for (const QPointF &p : along.legLines[k - 1]) {
                const QPoint at = still.project(p.x(), p.y());
                if (!first && at != last)
                    request.legs.emplace_back(last, at);
                last = at;
                first = false;
            }
        }
    }
    if (!path.empty()) {
        request.always = {path.front(), path.back()};
        if (plan->mode() == RoutePlan::Mode::Typed) {
            QSet<QStringView> typed;
            for (const QString &stop : plan->stops())
                typed.insert(stop);
            for (const int at : request.stops)
                if (typed.contains(cities[std::size_t(at)].getName()))
                    request.always.push_back(at);
        }
    }
    // Not under the controls, where a name could not be read, nor over the scale.
    request.controls.push_back(MapLayers::scaleBarBox(window->size()));
    for (const QWidget *control : controls->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control != keys && control->isVisibleTo(window))
            request.controls.emplace_back(control->mapTo(window, QPoint()), control->size());
    return request;
}

void MapController::setNamesShown(bool shown)
{
    names = shown;
    emit namesChosen(shown);
    drawn->namesChanged();
    window->update();
}

bool MapController::namesShown() const
{
    return names.value_or(viewport.fitted() || viewport.beyondButtons());
}

void MapController::setLandShown(bool shown)
{
    land = shown;
    emit landChosen(shown);
    drawn->viewChanged();
    window->update();
}

bool MapController::landShown() const
{
    // So that a network elsewhere sits on its region of the world.
    return land.value_or(viewport.fitted());
}

void MapController::restore(std::optional<bool> namesChoice, std::optional<bool> landChoice)
{
    names = namesChoice;
    land = landChoice;
    changed(false);
}

void MapController::changed(bool moving)
{
    moving ? drawn->viewMoving() : drawn->viewChanged();
    emit viewChanged();
    window->update();
}

void MapController::zoomIn()
{
    if (viewport.zoomIn())
        changed(false);
}

void MapController::zoomOut()
{
    if (viewport.zoomOut())
        changed(false);
}

void MapController::reset()
{
    viewport.reset();
    changed(false);
}

void MapController::setWindowSize(QSize size)
{
    // While the user has not moved it, the first view grows with the window.
    viewport.setWindowSize(size);
    keys->setGeometry(QRect(keys->parentWidget()->mapFrom(window, QPoint(0, 0)), size));
    changed(false);
}

bool MapController::isMapAt(QPoint at) const
{
    // The map shows through the frame of the controls and the widget that holds it.
    const QWidget *under = window->childAt(at);
    return !under || under == controls || under == controls->parentWidget();
}

void MapController::askReach(int city)
{
    if (city < 0 || city >= plan->network().size())
        return;
    bool ok = false;
    const int minutes =
        QInputDialog::getInt(window, tr("Reachable from here"),
                             tr("Cities reachable from %1 within how many minutes?")
                                 .arg(plan->network().cities()[std::size_t(city)].getName()),
                             reachMinutes, 1, 10'000'000, 15, &ok);
    if (ok)
        showReach(city, minutes);
}

void MapController::showReach(int city, double minutes)
{
    try {
        reachable = ReachShown(plan->network(), city, minutes);
    } catch (const std::bad_alloc &) {
        reachable = ReachShown(); // nothing shown rather than a part
    }
    if (!reachable.empty())
        reachMinutes = int(std::lround(std::clamp(minutes, 1.0, 1e7)));
    window->update();
}

void MapController::clearReach()
{
    reachable = ReachShown();
    window->update();
}

int MapController::cityAt(QPoint at) const
{
    // The nearest whose square (and a pixel around it) is under the pointer.
    const std::vector<City> &cities = plan->network().cities();
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < cities.size(); ++i) {
        const QPoint d = viewport.project(cities[i]) - at;
        if (std::abs(d.x()) <= 3 && std::abs(d.y()) <= 3 && d.manhattanLength() < bestDistance) {
            best = int(i);
            bestDistance = d.manhattanLength();
        }
    }
    return best;
}
