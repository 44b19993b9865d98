// What the wheel, the keys, the mouse and the right-click do to the map, and its tips: the
// window's events that are the map's.

#include "mapcontroller.h"
#include "plaintext.h"
#include "routeplan.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>

bool MapController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window)
        return false;
    bool taken = false;
    switch (event->type()) {
    case QEvent::Wheel:
        taken = wheel(static_cast<QWheelEvent *>(event));
        break;
    case QEvent::KeyPress:
        taken = key(static_cast<QKeyEvent *>(event));
        break;
    case QEvent::MouseButtonPress:
        return mousePress(static_cast<QMouseEvent *>(event));
    case QEvent::MouseMove:
        return mouseMove(static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        return mouseRelease(static_cast<QMouseEvent *>(event));
    case QEvent::ContextMenu:
        taken = contextMenu(static_cast<QContextMenuEvent *>(event));
        break;
    case QEvent::ToolTip:
        // The map's own tips, or none: the window has no tip of its own to show.
        if (!toolTip(static_cast<QHelpEvent *>(event)))
            event->ignore();
        return true;
    default:
        return false;
    }
    if (taken)
        event->accept();
    return taken;
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
    case Qt::Key_L:
        setLandShown(!landShown());
        return true;
    case Qt::Key_B:
    case Qt::Key_E:
    case Qt::Key_W:
    case Qt::Key_R:
        return onSelected(event->key());
    case Qt::Key_Menu:
    case Qt::Key_F10: {
        if (event->key() == Qt::Key_F10 && !(event->modifiers() & Qt::ShiftModifier))
            return false;
        const QPoint at = selected >= 0
                              ? viewport.project(plan->network().cities()[std::size_t(selected)])
                              : MapViewport::mapArea(window->size()).center().toPoint();
        openMenu(at, selected);
        return true;
    }
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

bool MapController::onSelected(int key)
{
    // The route from the selected city, to it, its weather.
    if (selected < 0)
        return false;
    const QString name = plan->network().cities()[std::size_t(selected)].getName();
    if (key == Qt::Key_B)
        plan->setStart(name);
    else if (key == Qt::Key_E)
        plan->setEnd(name);
    else if (key == Qt::Key_R)
        askReach(selected);
    else
        emit weatherAsked(name);
    return true;
}

bool MapController::mousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    keys->setFocus(Qt::MouseFocusReason); // the keys move the map from now on
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
    else // a click: the city under it selected, or none
        selectCity(cityAt(event->position().toPoint()), false);
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
    QToolTip::showText(event->globalPos(), plainToolTip(found.join(u'\n')), window);
    return true;
}

bool MapController::contextMenu(QContextMenuEvent *event)
{
    // On the map only: the panels around it are not part of it.
    if (!isMapAt(event->pos()))
        return false;
    openMenu(event->pos(), cityAt(event->pos()));
    return true;
}
