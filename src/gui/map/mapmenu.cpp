// The map's keys as its menu and the help page name them, and its right-click menu.

#include "mapcontroller.h"
#include "routeplan.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

QList<MapController::KeyHelp> MapController::keyHelp()
{
    return {
        {Qt::Key_Left, tr("Arrows"), tr("Move the map")},
        {Qt::Key_Plus, tr("+ and -"), tr("Zoom in and out")},
        {Qt::Key_Home, QStringLiteral("Home"), tr("Reset view")},
        {Qt::Key_N, QStringLiteral("N"), tr("City names")},
        {Qt::Key_L, QStringLiteral("L"), tr("Land and borders")},
        {Qt::Key_B, QStringLiteral("B"), tr("Route from here")},
        {Qt::Key_E, QStringLiteral("E"), tr("Route to here")},
        {Qt::Key_W, QStringLiteral("W"), tr("Weather here")},
        {Qt::Key_R, QStringLiteral("R"), tr("Reachable from here...")},
        {Qt::Key_Menu, tr("Menu key, Shift+F10"), tr("The map's menu")},
        {0, tr("Wheel"), tr("Zoom about the pointer")},
        {0, tr("Drag"), tr("Move the map")},
        {0, tr("Right click"), tr("The map's menu (a city's, on a city)")},
    };
}

void MapController::openMenu(QPoint at, int city)
{
    auto *menu = new QMenu(window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // (Keys named after a tab are shown, not bound: the map handles them.)
    const QList<KeyHelp> keys = keyHelp();
    const auto key = [&](const QString &text) {
        for (const KeyHelp &k : keys)
            if (k.what == text)
                return text + QLatin1Char('\t') + k.keys;
        return text;
    };
    if (city >= 0 && city < plan->network().size()) {
        const QString name = plan->network().cities()[std::size_t(city)].getName();
        menu->addSection(name);
        menu->addAction(key(tr("Route from here")), plan, [this, name] { plan->setStart(name); });
        menu->addAction(key(tr("Route to here")), plan, [this, name] { plan->setEnd(name); });
        menu->addAction(key(tr("Weather here")), this, [this, name] { emit weatherAsked(name); });
        menu->addAction(key(tr("Reachable from here...")), this, [this, city] { askReach(city); });
        menu->addSeparator();
    }
    if (!reachable.empty()) {
        menu->addAction(tr("Clear reachable cities"), this, &MapController::clearReach);
        menu->addSeparator();
    }
    menu->addAction(key(tr("Reset view")), this, &MapController::reset);
    QAction *namesAction =
        menu->addAction(key(tr("City names")), this, &MapController::setNamesShown);
    namesAction->setCheckable(true);
    namesAction->setChecked(namesShown());
    QAction *landAction =
        menu->addAction(key(tr("Land and borders")), this, &MapController::setLandShown);
    landAction->setCheckable(true);
    landAction->setChecked(landShown());
    // The window's own actions, which its keys trigger too; Ctrl+S with no route says so
    // rather than doing nothing, so it is only off in the menu.
    if (QAction *save = menuActions.needsRoute) {
        save->setEnabled(plan->routed());
        connect(menu, &QObject::destroyed, save, [save] { save->setEnabled(true); });
    }
    for (const QList<QAction *> &group : menuActions.groups) {
        menu->addSeparator();
        for (QAction *action : group)
            if (action)
                menu->addAction(action);
    }
    menu->popup(window->mapToGlobal(at));
}
