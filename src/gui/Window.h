#pragma once

#include "matrix.h"
#include "network.h"
#include "road.h"
#include "routefinder.h"

#include <QLine>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QPainter;
class RouteTableModel;

namespace Ui {
class Fenetre;
}

// The main window: the network drawn as a map, the current route in colour with its leg times
// below, and the commands around them.
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

    // The route on show, as positions in the network's city list, and its leg times.
    const std::vector<int> &currentPath() const { return path; }
    const std::vector<double> &currentPathTime() const { return pathTime; }
    // What loading the data files reported (unreadable files, skipped lines).
    QStringList loadMessages() const { return messages; }

    // Opens the network in `dir` in place of the one on show, saying what could not be read as
    // at start; the route stays when its cities are in the new network. A folder without a
    // readable city gives a message and keeps the network on show. Returns whether it opened.
    bool openNetwork(const QString &dir);
    // The folder of the network on show.
    QString networkFolder() const { return folder; }

    // What the map shows besides the network: names (of the route's cities, and of others
    // where there is room once zoomed beyond the buttons or on a fitted view), and land with
    // country borders (off by default on the first view of a network in France, which stays
    // as it always was; on for a network the window had to fit).
    void setNamesShown(bool shown);
    bool namesShown() const { return showNames; }
    void setLandShown(bool shown);
    bool landShown() const { return showLand; }

    // The map alone, without the controls, as it is on screen.
    QImage mapImage();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
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
    QPoint project(double coordLong, double coordLat) const;
    QPoint project(const City &city) const
    {
        return project(city.getCoordLong(), city.getCoordLat());
    }
    void updateRoute();
    void updateRouteTable();
    void setTypedRoute(const QStringList &names);
    std::vector<int> routePositions() const;
    void outOfMemory(); // says so; the caller has left everything as it was
    // Puts `network` (read from `dir`) on show: lists, first view, the route where it can stay.
    void useNetwork(std::shared_ptr<const Network> network, const QString &dir);
    void showLoadMessages();
    void drawLand(QPainter &painter);
    void drawNetwork(QPainter &painter);
    void drawLabels(QPainter &painter);
    int cityAt(QPoint at) const; // a city whose square is under `at`, or -1
    void chooseNetworkFolder();
    void saveRoute();
    void copyRoute();
    void saveMapImage();
    QString saveFileName(const QString &title, const QString &name, const QStringList &filters);
    bool writeFile(const QString &fileName, const QByteArray &bytes);
    void computeHome();
    void viewChanged(); // the layer is redrawn now, or moved and scaled until it can be

    // The network as loaded; shared with the table panels' worker threads.
    std::shared_ptr<const Network> net;
    std::unique_ptr<RouteFinder> finder; // routes on `net`, searches kept per source
    Road road;                           // departure and arrival names
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

    std::vector<std::pair<int, int>> roadPairs; // i < j joined by a road
    QStringList messages;

    RouteTableModel *routeModel = nullptr;
    QPixmap mapLayer; // cities and roads at the current zoom, on a transparent ground
    bool mapLayerValid = false;
    bool problemsShown = false;
    QString missingFolder;    // the data folder, when it does not exist
    bool startChosen = false; // a departure is chosen (not the box's placeholder)
    bool endChosen = false;   // an arrival is chosen
    QStringList cityNames;    // each name once, for completion
    // Moved by dragging, arrow keys and zooming about the pointer, in pixels; Home resets it.
    QPointF pan;
    QPoint dragFrom;   // where the drag started (a null point: no drag)
    QPoint dragOffset; // how far the map has moved in the drag, not yet in `pan`
    void zoomAbout(QPointF at, double factor);
    void resetView();
    // The first view, which Home brings back: the map as drawn for France, or, when some city
    // lies outside the map area there, the whole network fitted into it.
    double homeCoef = 1.0;
    QPointF homePan;
    bool fitted = false; // the first view is fitted, not the one drawn for France
    bool atHome = true;  // not moved since the first view: a new window size refits it
    QString folder;

    bool showNames = true;
    bool showLand = false;
    bool landChosen = false;     // the user said; else it follows `fitted`
    bool dense = false;          // more cities in view than squares can show apart
    bool crowded = false;        // too many for names to help
    std::vector<int> labelOrder; // cities by number of roads, for names where room is short
    QPixmap labelLayer;          // names, over the route
    bool labelsValid = false;
    // Where the map layer was drawn: a slow network's layer is moved and scaled at once while
    // the wheel or keys go on, and drawn anew when they rest.
    QPointF layerOrigin;
    double layerCoef = 1.0;
    bool layerStale = false;
    bool viewMoving = false; // the wheel or keys moved the view less than a moment ago
    double layerMs = 0;      // how long the last layer took
    QTimer redrawTimer;
    QString lastFolder; // where file dialogs open
    QAction *openAction = nullptr;
    QAction *saveAction = nullptr;
};
