#include "Window.h"

#include "citynames.h"
#include "datadir.h"
#include "info.h"
#include "routetable.h"
#include "tablematrix.h"
#include "ui_Window.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QHash>
#include <QHelpEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QStandardItemModel>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QPen pen(Qt::GlobalColor colour, int width)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// Truncation toward zero, kept inside int for coordinates far off the map.
int toPixel(double value)
{
    if (std::isnan(value))
        return 0;
    return int(std::clamp(value, -1e9, 1e9));
}

constexpr double inf = std::numeric_limits<double>::infinity();

} // namespace

Fenetre::Fenetre(QWidget *parent) : Fenetre(defaultDataDir(), parent) {}

Fenetre::Fenetre(const QString &dataDir, QWidget *parent) : QWidget(parent), ui(new Ui::Fenetre)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("GPS"));

    const QDir dir(dataDir);
    m.loadCity(QDir::toNativeSeparators(dir.filePath(QStringLiteral("villes.csv"))), &messages);
    m.loadRoad(QDir::toNativeSeparators(dir.filePath(QStringLiteral("temps.csv"))), &messages);
    m.setMatrix(Matrix::createMatrix(m.cityList(), m.roadList()));

    // One all-pairs computation serves every route and the travel-time tables.
    paths = ShortestPaths(m.timeMatrix());
    mRoad.setMatrix(paths.times());
    typeTime = QStringLiteral("mn");

    // printRoad draws every finite entry, so each road twice and a dot on every city. A line
    // drawn back over itself and a dot over a city square change no pixel: once is enough.
    const TimeMatrix &direct = m.timeMatrix();
    for (std::size_t i = 0; i < direct.size(); ++i)
        for (std::size_t j = i + 1; j < direct[i].size(); ++j)
            if (direct[i][j] != inf || direct[j][i] != inf)
                roadPairs.emplace_back(int(i), int(j));

    QStringList listeItems;
    for (const City &city : m.cityList())
        listeItems << city.getName();
    std::sort(listeItems.begin(), listeItems.end());
    ui->comboBoxDepart->addItems(listeItems);
    ui->comboBoxArrive->addItems(listeItems);
    ui->comboBoxInfo->addItems(listeItems);

    routeModel = new QStandardItemModel(0, 0, this);
    ui->tableViewRoad->setModel(routeModel);
    updateRouteTable();
}

Fenetre::~Fenetre()
{
    delete ui;
}

QPoint Fenetre::project(double coordLong, double coordLat) const
{
    return QPoint(toPixel(double(gapLong) + coefLong * coordLong),
                  toPixel(double(gapLat) + coefLat * coordLat));
}

void Fenetre::paintEvent(QPaintEvent *)
{
    QPainter painter(this);

    // Cities and roads change only with the zoom: they are drawn once into a transparent layer
    // that each paint lays down. Every pixel of it is opaque black or untouched, so the window
    // shows exactly what drawing them directly would show.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!mapLayerValid || mapLayer.size() != pixels) {
        mapLayer = QPixmap(pixels);
        mapLayer.setDevicePixelRatio(ratio);
        mapLayer.fill(Qt::transparent);
        QPainter layer(&mapLayer);
        printCity(layer, m.cityList());
        // The lines printRoad draws for the network, from the roads found at start-up.
        const std::vector<City> &cities = m.cityList();
        QList<QLine> lines;
        lines.reserve(qsizetype(roadPairs.size()));
        for (const auto &[i, j] : roadPairs)
            lines.append(QLine(project(cities[i]), project(cities[j])));
        layer.setPen(pen(Qt::black, 2));
        layer.drawLines(lines);
        mapLayerValid = true;
    }
    painter.drawPixmap(0, 0, mapLayer);

    if (road.cityStart != kUnusedCity && road.cityEnd != kUnusedCity)
        drawRoad(painter, m.cityList());
}

void Fenetre::printCity(QPainter &painter, const std::vector<City> &cities)
{
    QList<QPoint> points;
    points.reserve(qsizetype(cities.size()));
    for (const City &city : cities)
        points.append(project(city));
    painter.setPen(pen(Qt::black, 2));
    painter.drawPoints(points);
}

void Fenetre::printRoad(QPainter &painter, const std::vector<City> &cities,
                        const TimeMatrix &matrix)
{
    QList<QLine> lines;
    for (std::size_t i = 0; i < cities.size() && i < matrix.size(); ++i)
        for (std::size_t j = 0; j < cities.size() && j < matrix[i].size(); ++j)
            if (matrix[i][j] != inf)
                lines.append(QLine(project(cities[i]), project(cities[j])));
    painter.setPen(pen(Qt::black, 2));
    painter.drawLines(lines);
}

void Fenetre::drawRoad(QPainter &painter, const std::vector<City> &cities)
{
    double coordLongLast = -1.0;
    double coordLatLast = -1.0;
    int counter = 0;
    QPoint start, end;
    // A stop is visited once for every city that bears its name.
    QHash<QString, int> runs;
    for (const int at : path)
        if (at >= 0 && std::size_t(at) < cities.size())
            runs.insert(cities[at].getName(), 0);
    for (const City &city : cities) {
        const auto found = runs.find(city.getName());
        if (found != runs.end())
            ++*found;
    }
    for (const int at : path) {
        if (at < 0 || std::size_t(at) >= cities.size())
            continue;
        const City &stop = cities[at];
        const QPoint here = project(stop);
        for (int run = runs.value(stop.getName()); run > 0; --run) {
            if (counter == 0) {
                counter = 1;
                start = here;
            } else {
                painter.setPen(pen(Qt::red, 8));
                painter.drawPoint(here);
            }
            painter.setPen(pen(Qt::red, 4));
            if (coordLongLast != -1 && coordLatLast != -1)
                painter.drawLine(project(coordLongLast, coordLatLast), here);
            coordLongLast = stop.getCoordLong();
            coordLatLast = stop.getCoordLat();
            end = here;
        }
    }
    if (!path.empty()) {
        painter.setPen(pen(Qt::blue, 9));
        painter.drawPoint(start);
        painter.setPen(pen(Qt::green, 9));
        painter.drawPoint(end);
    }
}

void Fenetre::updateRoute()
{
    if (typeCity != QLatin1String("double") || road.cityStart == kUnusedCity ||
        road.cityEnd == kUnusedCity)
        return;
    path = paths.route(m.cityList(), road.cityStart, road.cityEnd);
    pathTime = m.setPathTime(path);
    updateRouteTable();
    update();
}

void Fenetre::updateRouteTable()
{
    const RouteTableTexts texts = routeTableTexts(m.cityList(), path, pathTime, typeTime);
    routeModel->clear();
    for (qsizetype i = 0; i < texts.headers.size(); ++i) {
        routeModel->setHorizontalHeaderItem(int(i), new QStandardItem(texts.headers[i]));
        routeModel->setItem(0, int(i), new QStandardItem(texts.cells[i]));
    }
    routeModel->setVerticalHeaderItem(0, new QStandardItem(texts.rowHeader));
    ui->tableViewRoad->resizeColumnsToContents();
    ui->tableViewRoad->resizeRowsToContents();
}

void Fenetre::on_comboBoxDepart_currentTextChanged(const QString &arg1)
{
    road.cityStart = arg1;
    typeCity = QStringLiteral("double");
    updateRoute();
}

void Fenetre::on_comboBoxArrive_currentTextChanged(const QString &arg1)
{
    road.cityEnd = arg1;
    typeCity = QStringLiteral("double");
    updateRoute();
}

void Fenetre::on_pushButtonTable_clicked()
{
    auto *panel = new TableMatrix(this, m);
    panel->show();
}

void Fenetre::on_pushButtonTableRoad_clicked()
{
    if (path.empty()) {
        QMessageBox::information(nullptr, QStringLiteral("ALLERTE"),
                                 QStringLiteral("Nombre de villes choisis < 2."));
        return;
    }
    // The typed route's cities with the shortest times between them, in route order, repeats
    // included: row i, column j is the time from the route's i-th city to its j-th.
    const TimeMatrix &all = mRoad.timeMatrix();
    TimeMatrix between(mRoadPositions.size(), std::vector<double>(mRoadPositions.size()));
    for (std::size_t i = 0; i < mRoadPositions.size(); ++i)
        for (std::size_t j = 0; j < mRoadPositions.size(); ++j)
            between[i][j] = all[mRoadPositions[i]][mRoadPositions[j]];
    Matrix route;
    route.setCities(mRoad.getCities());
    route.setMatrix(std::move(between));
    auto *panel = new TableMatrix(this, std::move(route));
    panel->show();
}

void Fenetre::on_pushButton_clicked()
{
    bool ok = false;
    const QString cities = QInputDialog::getText(
        this, QStringLiteral("Cities"),
        QStringLiteral("Enter cities name split by ' ' like : Paris Marseille"), QLineEdit::Normal,
        QString(), &ok);
    if (!ok)
        return; // Cancel leaves the route as it was
    const QStringList names = splitCityNames(cities);
    const QStringList unknown = unknownCityNames(m.cityList(), names);
    if (!unknown.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("ALLERTE"),
                                 QStringLiteral("Unknown cities: \"%1\". The route is unchanged.")
                                     .arg(unknown.join(QStringLiteral("\", \""))));
        return;
    }
    setTypedRoute(names);
}

void Fenetre::setTypedRoute(const QStringList &names)
{
    pathName.assign(names.begin(), names.end());
    if (names.size() >= 2) {
        road.cityStart = names[names.size() - 2];
        road.cityEnd = names.last();
    }
    const std::vector<int> globalPath = paths.routeThrough(m.cityList(), pathName);
    pathTime = m.setPathTime(globalPath);
    path = globalPath;
    for (const int at : path)
        qDebug() << "path : " << at;

    const std::vector<City> &cities = m.cityList();
    std::vector<City> newCities;
    mRoadPositions.clear();
    for (const int at : path) {
        const QString newPathName = cities[at].getName();
        qDebug() << "newPathName : " << newPathName;
        for (std::size_t i = 0; i < cities.size(); ++i) {
            if (cities[i].getName() == newPathName) {
                newCities.push_back(cities[i]);
                mRoadPositions.push_back(int(i));
            }
        }
    }
    mRoad.setCities(std::move(newCities));
    typeCity = QStringLiteral("multiple");
    updateRouteTable();
    update();
}

void Fenetre::on_comboBoxTime_currentTextChanged(const QString &arg1)
{
    if (arg1 == QLatin1String("minute"))
        typeTime = QStringLiteral("mn");
    else if (arg1 == QLatin1String("hour"))
        typeTime = QStringLiteral("h");
    else
        return;
    updateRouteTable();
}

void Fenetre::on_comboBoxInfo_currentTextChanged(const QString &arg1)
{
    if (ui->comboBoxInfo->currentIndex() <= 0)
        return; // "Info city" is no city
    auto *panel = new Info(this, arg1);
    panel->show();
}

void Fenetre::on_pushButtonMore_clicked()
{
    if (coefLong <= 1.8) {
        coefLong = 0.1 + coefLong;
        coefLat = 0.1 + coefLat;
        gapLong -= 20;
        gapLat -= 20;
        mapLayerValid = false;
        update();
    }
}

void Fenetre::on_pushButtonLess_clicked()
{
    if (coefLong >= 1.1) {
        coefLong -= 0.1;
        coefLat -= 0.1;
        gapLong += 20;
        gapLat += 20;
        mapLayerValid = false;
        update();
    }
}

void Fenetre::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (problemsShown || messages.isEmpty())
        return;
    problemsShown = true;
    // Said once, beside the window rather than in its way: the network opens with what
    // could be read.
    QStringList first = messages.mid(0, 5);
    if (messages.size() > first.size())
        first << QStringLiteral("(%1 more in the details)").arg(messages.size() - first.size());
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("GPS"),
                                QStringLiteral("Some of the network could not be read; the rest is "
                                               "shown.\n\n") +
                                    first.join(u'\n'),
                                QMessageBox::Ok, this);
    box->setDetailedText(messages.join(u'\n'));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void Fenetre::wheelEvent(QWheelEvent *event)
{
    // One zoom step per notch (120 eighths of a degree); touchpads send smaller deltas.
    wheelAngle += event->angleDelta().y();
    for (; wheelAngle >= 120; wheelAngle -= 120)
        on_pushButtonMore_clicked();
    for (; wheelAngle <= -120; wheelAngle += 120)
        on_pushButtonLess_clicked();
    event->accept();
}

bool Fenetre::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    // The names of the cities whose square is under the pointer.
    const QPoint at = static_cast<QHelpEvent *>(event)->pos();
    QStringList names;
    for (const City &city : m.cityList()) {
        const QPoint p = project(city);
        if (std::abs(p.x() - at.x()) <= 3 && std::abs(p.y() - at.y()) <= 3 &&
            !names.contains(city.getName()))
            names << city.getName();
    }
    if (names.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), names.join(u'\n'), this);
    }
    return true;
}
