#include "mapcontroller.h"

#include "fileactions.h"
#include "routeplan.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

MapController::MapController(QWidget *window, QWidget *controls, RoutePlan *plan,
                             FileActions *files)
    : QObject(window), window(window), controls(controls), plan(plan), files(files),
      drawn(new MapLayers(this))
{
    connect(drawn, &MapLayers::repaintNeeded, window, qOverload<>(&QWidget::update));
    // The route's names go with it.
    connect(plan, &RoutePlan::routeChanged, drawn, &MapLayers::namesChanged);
}

void MapController::setNetwork(std::shared_ptr<const Network> network, MapLayers::Drawing drawing)
{
    viewport.setExtent(MapViewport::bulkExtent(network->cities()));
    drawn->setNetwork(std::move(network), std::move(drawing));
    changed(false);
}

void MapController::paint(QPainter &painter)
{
    // The map the window always drew, without text, at the first view and the buttons' levels.
    const bool named = namesShown();
    const NameRequest request = named ? nameRequest() : NameRequest();
    drawn->paint(painter, viewport, window->size(), window->devicePixelRatioF(), landShown(),
                 named ? &request : nullptr);
}

NameRequest MapController::nameRequest() const
{
    NameRequest request;
    const std::vector<City> &cities = plan->network().cities();
    request.cities = &cities;
    request.order = &drawn->nameOrder();
    request.others = !drawn->crowd().crowded;
    request.font = window->font();
    const MapViewport still = viewport.still();
    const std::vector<int> &path = plan->path();
    const std::vector<double> &legs = plan->legTimes();
    for (std::size_t k = 0; k < path.size(); ++k) {
        if (std::find(request.stops.begin(), request.stops.end(), path[k]) == request.stops.end())
            request.stops.push_back(path[k]);
        if (k > 0 && k - 1 < legs.size() && std::isfinite(legs[k - 1]))
            request.legs.emplace_back(still.project(cities[std::size_t(path[k - 1])]),
                                      still.project(cities[std::size_t(path[k])]));
    }
    // Not under the controls, where a name could not be read.
    for (const QWidget *control : controls->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control->isVisibleTo(window))
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
    changed(false);
}

bool MapController::isMapAt(QPoint at) const
{
    // The map shows through the frame of the controls and the widget that holds it.
    const QWidget *under = window->childAt(at);
    return !under || under == controls || under == controls->parentWidget();
}

bool MapController::wheel(QWheelEvent *event)
{
    if (!isMapAt(event->position().toPoint()))
        return false;
    // A quarter more per notch (120 eighths of a degree), touchpads in smaller steps, about the
    // point under the pointer, which stays where it is.
    if (viewport.zoomAbout(event->position(), std::pow(1.25, event->angleDelta().y() / 120.0)))
        changed(true);
    return true;
}

bool MapController::key(QKeyEvent *event)
{
    constexpr double step = 50; // pixels an arrow key moves the map
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        return true;
    case Qt::Key_Minus:
        zoomOut();
        return true;
    case Qt::Key_Home:
        reset();
        return true;
    case Qt::Key_N:
        setNamesShown(!namesShown());
        return true;
    case Qt::Key_Left:
        viewport.moveBy({step, 0}); // the view goes left: the map right
        break;
    case Qt::Key_Right:
        viewport.moveBy({-step, 0});
        break;
    case Qt::Key_Up:
        viewport.moveBy({0, step});
        break;
    case Qt::Key_Down:
        viewport.moveBy({0, -step});
        break;
    default:
        return false;
    }
    changed(true);
    return true;
}

bool MapController::mousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    window->setFocus(Qt::MouseFocusReason); // the keys move the map from now on
    dragFrom = event->position().toPoint();
    viewport.setDrag(QPoint());
    return true;
}

bool MapController::mouseMove(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || dragFrom.isNull())
        return false;
    // The picture already drawn moves with the pointer; it is drawn anew when the drag ends.
    viewport.setDrag(event->position().toPoint() - dragFrom);
    window->update();
    return true;
}

bool MapController::mouseRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || dragFrom.isNull())
        return false;
    const bool moved = !viewport.dragged().isNull();
    viewport.endDrag();
    dragFrom = QPoint();
    if (moved)
        changed(false);
    window->update();
    return true;
}

bool MapController::toolTip(QHelpEvent *event)
{
    // The names of the cities whose square is under the pointer.
    const QPoint at = event->pos();
    QStringList found;
    for (const City &city : plan->network().cities()) {
        const QPoint p = viewport.project(city);
        if (std::abs(p.x() - at.x()) <= 3 && std::abs(p.y() - at.y()) <= 3 &&
            !found.contains(city.getName()))
            found << city.getName();
    }
    if (found.isEmpty()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(event->globalPos(), found.join(u'\n'), window);
    return true;
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

bool MapController::contextMenu(QContextMenuEvent *event)
{
    // On the map only: the panels around it are not part of it.
    if (!isMapAt(event->pos()))
        return false;
    auto *menu = new QMenu(window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (const int city = cityAt(event->pos()); city >= 0) {
        const QString name = plan->network().cities()[std::size_t(city)].getName();
        menu->addSection(name);
        menu->addAction(tr("Route from here"), plan, [this, name] { plan->setStart(name); });
        menu->addAction(tr("Route to here"), plan, [this, name] { plan->setEnd(name); });
        menu->addAction(tr("Weather here"), this, [this, name] { emit weatherAsked(name); });
        menu->addSeparator();
    }
    // (Keys named after a tab are shown, not bound: the map handles them.)
    menu->addAction(tr("Reset view") + QStringLiteral("\tHome"), this, &MapController::reset);
    QAction *namesAction = menu->addAction(tr("City names") + QStringLiteral("\tN"), this,
                                           &MapController::setNamesShown);
    namesAction->setCheckable(true);
    namesAction->setChecked(namesShown());
    QAction *landAction =
        menu->addAction(tr("Land and borders"), this, &MapController::setLandShown);
    landAction->setCheckable(true);
    landAction->setChecked(landShown());
    menu->addSeparator();
    menu->addAction(files->copyAction());
    // The window's own actions, which its keys trigger too; Ctrl+S with no route says so
    // rather than doing nothing, so it is only off in the menu.
    files->saveAction()->setEnabled(plan->routed());
    connect(menu, &QObject::destroyed, files->saveAction(),
            [action = files->saveAction()] { action->setEnabled(true); });
    menu->addAction(files->saveAction());
    menu->addAction(files->saveMapAction());
    menu->addSeparator();
    menu->addAction(files->openAction());
    menu->popup(event->globalPos());
    return true;
}
