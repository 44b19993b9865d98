#pragma once

#include "maplayers.h"
#include "mapviewport.h"
#include "reachlayer.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QContextMenuEvent;
class QHelpEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWheelEvent;
class QWidget;
class RoutePlan;

// The map in the window: where it is (MapViewport), what it shows below the route (MapLayers:
// land, the network, names) and what the wheel, the mouse, the keys and the right-click menu
// do to it. The window paints it under its controls and hands it their events; each handler
// says whether the event was the map's.
class MapController : public QObject
{
    Q_OBJECT

public:
    // The window's own actions that the map's right-click menu lists after the map's, group by
    // group; `needsRoute`, one of them, is off in the menu while no route is on show (its key
    // still works, and says why it does nothing).
    struct MenuActions
    {
        QList<QList<QAction *>> groups;
        QAction *needsRoute = nullptr;
    };
    // `window`: the widget the map is painted on; `controls`: the frame holding the controls,
    // through which the map shows (its children are not the map).
    MapController(QWidget *window, QWidget *controls, RoutePlan *plan, MenuActions menuActions);

    // What the map does with the keys and the mouse, in the words of its menu: the help lists
    // them and the menu names its keys from here. `key` is 0 for the mouse.
    struct KeyHelp
    {
        int key;
        QString keys;
        QString what;
    };
    static QList<KeyHelp> keyHelp();

    const MapViewport &view() const { return viewport; }
    const MapLayers &layers() const { return *drawn; }

    // The network drawn (prepared by MapLayers::prepare), in its first view.
    void setNetwork(std::shared_ptr<const Network> network, MapLayers::Drawing drawing);
    // Land, the network and names, as the view shows them.
    void paint(QPainter &painter);
    // What goes over the route: the mark of the city selected, the frame of the map while it
    // has the keyboard.
    void paintOverlay(QPainter &painter);

    // The widget that stands for the map in the Tab order: keys typed while it has the focus
    // move the map, and its menu opens at the selected city or the middle of the map.
    QWidget *focusTarget() const { return keys; }

    // A city selected (found, or clicked): marked on the map, and what the keys B, E and W and
    // the keyboard's menu act on. -1: none.
    void selectCity(int at, bool centre);
    int selectedCity() const { return selected; }

    // Names: unless chosen, none at the first view of France and the buttons' levels (the map
    // as it always was), and shown beyond them or on a fitted network. Land: unless chosen,
    // under a fitted network only.
    void setNamesShown(bool shown);
    bool namesShown() const;
    void setLandShown(bool shown);
    bool landShown() const;
    // The choices of an earlier run, where there were.
    void restore(std::optional<bool> names, std::optional<bool> land);
    // What the user chose, where they did.
    std::optional<bool> namesChoice() const { return names; }
    std::optional<bool> landChoice() const { return land; }

    void zoomIn();
    void zoomOut();
    void reset();
    void setWindowSize(QSize size);

    // Each of the window's events that may be the map's, handed to the handler below (the
    // controller watches the window from its start): the wheel, keys, mouse, right-click menu
    // and tooltips. The others, and those the map leaves, go on to the window.
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool wheel(QWheelEvent *event);
    bool key(QKeyEvent *event);
    bool mousePress(QMouseEvent *event);
    bool mouseMove(QMouseEvent *event);
    bool mouseRelease(QMouseEvent *event);
    bool toolTip(QHelpEvent *event);
    bool contextMenu(QContextMenuEvent *event);
    // The map's menu at `at` (in the window), on the city there if any.
    void openMenu(QPoint at, int city);

    // The cities reachable from `city` within a time, asked for (in minutes), shown in colour
    // over the network with a legend until cleared or another network is opened.
    void askReach(int city);
    void showReach(int city, double minutes);
    void clearReach();
    const ReachShown &reach() const { return reachable; }

    // Whether the map is what shows at `at`, not a control.
    bool isMapAt(QPoint at) const;
    // A city whose square is under `at`, or -1.
    int cityAt(QPoint at) const;

signals:
    // The view moved or zoomed.
    void viewChanged();
    // The user asked for the names or the land to be shown, or not.
    void namesChosen(bool shown);
    void landChosen(bool shown);
    // The menu's "Weather here".
    void weatherAsked(const QString &city);

private:
    void changed(bool moving); // the view changed: by the wheel or keys when `moving`
    bool onSelected(int key);  // B, E, W or R on the selected city
    NameRequest nameRequest() const;

    QWidget *window;
    QWidget *controls;
    RoutePlan *plan;
    MenuActions menuActions;
    MapViewport viewport;
    MapLayers *drawn;
    std::optional<bool> names;
    std::optional<bool> land;
    QPoint dragFrom; // where a drag started (a null point: no drag)
    int selected = -1;
    QWidget *keys;
    ReachShown reachable;
    int reachMinutes = 60; // the time last asked for
};
