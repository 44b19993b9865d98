#pragma once

#include "appsettings.h"
#include "city.h"
#include "matrix.h"
#include "networkreading.h"
#include "road.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class BoxSearch;
class ControlAnchors;
class FileActions;
class HierarchyBehind;
class QLabel;
class WindowActions;
class MapController;
class Network;
class QPainter;
class RoutePlan;
class TotalColumn;
class TripNote;
enum class RouteOrder;
class RouteTableModel;

namespace Ui {
class Fenetre;
}

// The main window: the network drawn as a map, the route on show in colour with its leg times
// below, and the commands around them. It assembles the parts that do the work: the route
// (RoutePlan), the map and what the mouse and keys do to it (MapController, with MapViewport
// and MapLayers), and what is done with files (FileActions).
class Fenetre : public QWidget
{
    Q_OBJECT

public:
    // Reads villes.csv and temps.csv from the "data" folder beside the program (the programs
    // name their folder, found as datadir.h says).
    explicit Fenetre(QWidget *parent = nullptr);
    explicit Fenetre(const QString &dataDir, QWidget *parent = nullptr);
    ~Fenetre() override;

    void paintEvent(QPaintEvent *event) override;
    void printCity(QPainter &painter, const std::vector<City> &cities);
    void printRoad(QPainter &painter, const std::vector<City> &cities, const TimeMatrix &matrix);
    void drawRoad(QPainter &painter, const std::vector<City> &cities);

    // The route on show: set it here (the boxes, the typed list, the map's menu and the command
    // line all do), and read it.
    RoutePlan &routePlan() { return *plan; }
    const std::vector<int> &currentPath() const { return path; }
    const std::vector<double> &currentPathTime() const { return pathTime; }
    // What loading the data files reported (unreadable files, skipped lines).
    QStringList loadMessages() const { return messages; }
    // Whether the network the window started with could be read (its folder and both files).
    bool networkOpened() const { return opened; }

    // Opens the network in `dir` in place of the one on show, saying what could not be read as
    // at start; the route stays when its cities are in the new network. A folder without a
    // readable city gives a message and keeps the network on show. Returns whether it opened.
    bool openNetwork(const QString &dir);
    // The folder of the network on show.
    QString networkFolder() const { return folder; }

    // City names on the map. By default (until set) the map of France at its first view and
    // the buttons' nine levels is drawn without text, as it always was, and names come once
    // zoomed beyond them or on a fitted network; set, names are shown (the route's cities,
    // and others where there is room) or not, at every zoom.
    void setNamesShown(bool shown);
    bool namesShown() const;
    // Land and country borders under the network: by default on for a fitted network only.
    void setLandShown(bool shown);
    bool landShown() const;

    // The Preferences put to work: the lists' order, the wind's unit, and whether the user's
    // choices are kept for the next runs. At start (`atStart`), what an earlier run kept comes
    // back first; turned on later, what is on show is kept from then on.
    void usePreferences(const appsettings::Preferences &preferences, bool atStart = false);
    const appsettings::Preferences &preferences() const { return prefs; }
    // Asks for the Preferences (the program's menu, Ctrl+,), then uses and keeps them.
    void editPreferences();
    // The folder on show was the user's choice (--data): kept where choices are. (The folder
    // GPS opens by default never is.)
    void markFolderChosen();

    // The map alone, without the controls, as it is on screen.
    QImage mapImage();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_comboBoxDepart_currentTextChanged(const QString &arg1);
    void on_comboBoxArrive_currentTextChanged(const QString &arg1);
    void on_pushButtonTable_clicked();
    void on_pushButtonTableRoad_clicked();
    void on_pushButton_clicked();
    void on_comboBoxTime_currentTextChanged(const QString &arg1);
    void on_comboBoxInfo_currentTextChanged(const QString &arg1);
    void on_pushButtonMore_clicked();
    void on_pushButtonLess_clicked();

private:
    void setUpControls();
    void showRoute(); // the plan's route in the boxes and the table; the map repaints
    void showView();  // the view's zoom and offset in the window's copies
    // Puts `network` (read from `dir`) on show: lists, first view, the route where it can stay;
    // its hierarchy is built behind it where it needs one.
    void useNetwork(OpenedNetwork network, const QString &dir);
    void showLoadMessages();
    void outOfMemory(); // says so; the caller has left everything as it was
    // A table of the shortest times between the cities at `positions` (all when empty).
    void openTable(const std::vector<int> &positions);
    void listCities(); // in the boxes, in the order the preferences ask for
    void remember(const std::function<void()> &save) const;
    void restoreKept();
    // The unit box with or without its hours-and-minutes item; the title with or without the
    // route, as the preferences say.
    void showClockUnit(bool shown);
    void showTitle();
    void keepAll();                // what is on show, for the next runs
    void say(const QString &text); // for a moment, at the foot of the map

    // The state the window's parts share, as the window has always named it: the route (from
    // the plan), the unit, and the view (from the viewport); copies, refreshed as they change.
    Road road;
    std::vector<int> path;
    std::vector<double> pathTime;
    std::vector<QString> pathName;
    QString typeCity; // "double": departure/arrival boxes; "multiple": typed list
    QString typeTime; // "mn" or "h"
    Ui::Fenetre *ui;
    double coefLong = 1.0;
    double coefLat = 1.0;
    int gapLong = 0;
    int gapLat = 0;

    RoutePlan *plan = nullptr;
    std::unique_ptr<ControlAnchors> anchors;
    FileActions *files = nullptr;
    HierarchyBehind *behind = nullptr;
    MapController *map = nullptr;
    WindowActions *actions = nullptr;
    QLabel *status = nullptr;
    TripNote *tripNote = nullptr; // what the best order of a typed route found
    RouteOrder routeOrder{};      // the order typed routes were last asked for
    RouteTableModel *routeModel = nullptr;
    QStringList messages;  // what loading reported
    QString missingFolder; // the data folder, when it does not exist
    bool problemsShown = false;
    bool opened = false;
    QStringList cityNames;   // each name once, in case-insensitive order: typed completion
    QStringList typedLists;  // the lists typed in "cities" this run, for Up
    QStringList sortedNames; // each name once, in the reader's order: the boxes, searching
    QString folder;
    bool folderChosen = false; // by the user: it may be kept
    bool orderChosen = false;  // routeOrder, by the user
    bool fromBox = false;      // the route changes as a box was just chosen in
    QList<BoxSearch *> boxSearches;
    TotalColumn *totalColumn = nullptr;
    appsettings::Preferences prefs;
};
