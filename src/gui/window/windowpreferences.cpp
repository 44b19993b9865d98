// The window's part in the Preferences (the cities' order among them): what they change on show,
// and what is kept for the next runs while the user asks for it (appsettings.h).

#include "Window.h"

#include "boxsearch.h"
#include "citylistmodel.h"
#include "citysearch.h"
#include "mapcontroller.h"
#include "preferencesdialog.h"
#include "routeplan.h"
#include "totalcolumn.h"
#include "ui_Window.h"
#include "weather.h"

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>

void Fenetre::remember(const std::function<void()> &save) const
{
    if (prefs.remember)
        save();
}

void Fenetre::usePreferences(const appsettings::Preferences &preferences, bool atStart)
{
    const bool wasRemembering = prefs.remember;
    const bool reorder = preferences.readersOrder != prefs.readersOrder;
    prefs = preferences;
    showClockUnit(prefs.clockUnit);
    showTitle();
    for (BoxSearch *search : std::as_const(boxSearches))
        search->setEnabled(prefs.typingHelp);
    totalColumn->setEnabled(prefs.totalInSight);
    update(); // the stops ringed, or not
    weatherService().windInKmh = prefs.windInKmh;
    weatherService().rememberKey = prefs.remember;
    if (reorder)
        listCities();
    if (prefs.remember && atStart)
        restoreKept();
    else if (prefs.remember && !wasRemembering)
        keepAll();
}

void Fenetre::showClockUnit(bool shown)
{
    QComboBox *box = ui->comboBoxTime;
    if (shown && box->count() == 2) {
        box->addItem(tr("h:mm"));
    } else if (!shown && box->count() == 3) {
        if (box->currentIndex() == 2)
            box->setCurrentIndex(0);
        box->removeItem(2);
    }
}

void Fenetre::restoreKept()
{
    if (const QByteArray geometry = appsettings::windowGeometry(); !geometry.isEmpty())
        restoreGeometry(geometry);
    const QStringList units{QStringLiteral("mn"), QStringLiteral("h"), QStringLiteral("h:mm")};
    if (const qsizetype unit = units.indexOf(appsettings::unit());
        unit >= 0 && unit < ui->comboBoxTime->count())
        ui->comboBoxTime->setCurrentIndex(int(unit));
    map->restore(appsettings::namesShown(), appsettings::landShown());
    if (const std::optional<int> order = appsettings::routeOrder();
        order && *order >= int(RouteOrder::AsTyped) && *order <= int(RouteOrder::BestRound)) {
        routeOrder = RouteOrder(*order);
        orderChosen = true;
    }
}

void Fenetre::keepAll()
{
    appsettings::forgetKept(); // what an earlier run may have left, before
    appsettings::setWindowGeometry(saveGeometry());
    appsettings::setUnit(plan->unitText());
    if (const std::optional<bool> names = map->namesChoice())
        appsettings::setNamesShown(*names);
    if (const std::optional<bool> land = map->landChoice())
        appsettings::setLandShown(*land);
    if (folderChosen)
        appsettings::setNetworkFolder(QFileInfo(folder).absoluteFilePath());
    if (orderChosen)
        appsettings::setRouteOrder(int(routeOrder));
    appsettings::setWeatherKey(weatherService().key); // one typed in this session
}

void Fenetre::markFolderChosen()
{
    folderChosen = true;
    remember([this] { appsettings::setNetworkFolder(QFileInfo(folder).absoluteFilePath()); });
}

void Fenetre::editPreferences()
{
    PreferencesDialog dialog(this, prefs, weatherKey(weatherService()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const appsettings::Preferences chosen = dialog.preferences();
    appsettings::setPreferences(chosen);
    usePreferences(chosen);
    if (dialog.keyChanged())
        useWeatherKey(weatherService(), dialog.key());
}

void Fenetre::listCities()
{
    // The network's own order (by name, code unit by code unit, a name twice listed twice),
    // or the reader's where that is preferred.
    const std::vector<City> &cities = plan->network().cities();
    QStringList items;
    if (prefs.readersOrder) {
        items = inReadersOrder(cities);
    } else {
        items.reserve(qsizetype(cities.size()));
        for (const City &city : cities)
            items << city.getName();
    }
    sortedNames = items;
    sortedNames.removeDuplicates();
    for (QComboBox *box : {ui->comboBoxDepart, ui->comboBoxArrive, ui->comboBoxInfo})
        CityListModel::show(box, items);
    showRoute(); // in the boxes filled anew
}
