#include "Window.h"

#include "citycompleter.h"
#include "citynames.h"
#include "info.h"
#include "logging.h"
#include "routetable.h"
#include "routetablemodel.h"
#include "tablematrix.h"
#include "ui_Window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QHelpEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

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

Fenetre::Fenetre(QWidget *parent)
    : Fenetre(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("data")), parent)
{
}

Fenetre::Fenetre(const QString &dataDir, QWidget *parent) : QWidget(parent), ui(new Ui::Fenetre)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("GPS"));
    // Every control stays in view; a larger window gives the map the extra room.
    setMinimumSize(size());

    auto network = std::make_shared<Network>();
    try {
        if (network->load(dataDir, &messages) == Network::Load::NoFolder)
            missingFolder = QDir::toNativeSeparators(QFileInfo(dataDir).absoluteFilePath());
    } catch (const std::bad_alloc &) {
        // Said in the box shown with the window; the window opens empty rather than not at all.
        network = std::make_shared<Network>();
        messages << QStringLiteral("%1: not enough memory to open this network")
                        .arg(QDir::toNativeSeparators(QFileInfo(dataDir).absoluteFilePath()));
    }
    net = std::move(network);
    // Routes come from searches on demand: nothing is worked out for all pairs at start-up.
    finder = std::make_unique<RouteFinder>(*net);
    typeTime = QStringLiteral("mn");
    roadPairs = net->roadPairs();

    // The part of the window where the map shows between the controls, at the first view.
    const QRectF area(180, 20, 600, 440);
    double left = inf, right = -inf, top = inf, bottom = -inf;
    for (const City &c : net->cities()) {
        left = std::min(left, c.getCoordLong());
        right = std::max(right, c.getCoordLong());
        top = std::min(top, c.getCoordLat());
        bottom = std::max(bottom, c.getCoordLat());
    }
    const QRectF bounds(QPointF(left, top), QPointF(right, bottom));
    const bool fits = net->size() == 0 || (left >= 160 && right < 800 && top >= 0 && bottom < 480);
    if (!fits && std::isfinite(bounds.width()) && std::isfinite(bounds.height())) {
        homeCoef = std::min(bounds.width() > 0 ? area.width() / bounds.width() : 1.0,
                            bounds.height() > 0 ? area.height() / bounds.height() : 1.0);
        homeCoef = std::clamp(homeCoef, 1e-6, 2000.0);
        homePan = area.center() - homeCoef * bounds.center();
        resetView();
    }

    QStringList listeItems;
    for (const City &city : net->cities())
        listeItems << city.getName();
    std::sort(listeItems.begin(), listeItems.end());
    cityNames = listeItems;
    cityNames.removeDuplicates();
    std::sort(cityNames.begin(), cityNames.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    ui->comboBoxDepart->addItems(listeItems);
    ui->comboBoxArrive->addItems(listeItems);
    ui->comboBoxInfo->addItems(listeItems);

    // A weather panel opens when a city is picked from the list, not when arrow keys, letters
    // or the wheel run through the closed box (eventFilter); the box then shows "Info city"
    // again so that the same city can be picked once more.
    ui->comboBoxInfo->installEventFilter(this);
    // (connected by name, so disconnected by name)
    disconnect(ui->comboBoxInfo, SIGNAL(currentTextChanged(QString)), this,
               SLOT(on_comboBoxInfo_currentTextChanged(QString)));
    connect(ui->comboBoxInfo, &QComboBox::activated, this, [this](int index) {
        const QString city = ui->comboBoxInfo->itemText(index);
        const QSignalBlocker quiet(ui->comboBoxInfo);
        ui->comboBoxInfo->setCurrentIndex(0);
        if (index > 0)
            on_comboBoxInfo_currentTextChanged(city);
    });

    routeModel = new RouteTableModel(this);
    ui->tableViewRoad->setModel(routeModel);
    updateRouteTable();
}

Fenetre::~Fenetre()
{
    delete ui;
}

QPoint Fenetre::project(double coordLong, double coordLat) const
{
    return QPoint(toPixel(double(gapLong) + pan.x() + dragOffset.x() + coefLong * coordLong),
                  toPixel(double(gapLat) + pan.y() + dragOffset.y() + coefLat * coordLat));
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
        // Drawn where the map stands without the drag going on, which moves the whole layer.
        const QPoint dragging = std::exchange(dragOffset, QPoint());
        printCity(layer, net->cities());
        // The lines printRoad draws for the network, from the roads found at start-up.
        const std::vector<City> &cities = net->cities();
        QList<QLine> lines;
        lines.reserve(qsizetype(roadPairs.size()));
        for (const auto &[i, j] : roadPairs)
            lines.append(QLine(project(cities[i]), project(cities[j])));
        layer.setPen(pen(Qt::black, 2));
        layer.drawLines(lines);
        dragOffset = dragging;
        mapLayerValid = true;
    }
    // While a drag goes on, the layer drawn before it moves with the pointer.
    painter.drawPixmap(dragOffset, mapLayer);

    if (startChosen && endChosen)
        drawRoad(painter, net->cities());
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
    if (&cities == &net->cities()) { // counted once at load
        for (auto it = runs.begin(); it != runs.end(); ++it)
            *it = int(net->positionsOf(it.key()).size());
    } else {
        for (const City &city : cities) {
            const auto found = runs.find(city.getName());
            if (found != runs.end())
                ++*found;
        }
    }
    for (std::size_t k = 0; k < path.size(); ++k) {
        const int at = path[k];
        if (at < 0 || std::size_t(at) >= cities.size())
            continue;
        const City &stop = cities[at];
        const QPoint here = project(stop);
        // No line is drawn where no road leads: the leg that reaches this stop has no time.
        bool joined = k == 0 || k > pathTime.size() || std::isfinite(pathTime[k - 1]);
        for (int run = runs.value(stop.getName()); run > 0; --run) {
            if (counter == 0) {
                counter = 1;
                start = here;
            } else {
                painter.setPen(pen(Qt::red, 8));
                painter.drawPoint(here);
            }
            painter.setPen(pen(Qt::red, 4));
            if (hasLast && joined)
                painter.drawLine(project(coordLongLast, coordLatLast), here);
            joined = true; // the next runs of a repeated name start here
            hasLast = true;
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
    if (typeCity != QLatin1String("double"))
        return;
    // With a box back on its placeholder there is no route, in the table as on the map.
    try {
        path = startChosen && endChosen ? finder->route(road.cityStart, road.cityEnd)
                                        : std::vector<int>();
        pathTime = net->legTimes(path);
    } catch (const std::bad_alloc &) {
        path.clear();
        pathTime.clear();
        outOfMemory();
    }
    updateRouteTable();
    update();
}

void Fenetre::updateRouteTable()
{
    routeModel->setTexts(routeTableTexts(net->cities(), path, pathTime, typeTime));
    ui->tableViewRoad->resizeColumnsToContents();
    ui->tableViewRoad->resizeRowsToContents();
}

void Fenetre::on_comboBoxDepart_currentTextChanged(const QString &arg1)
{
    road.cityStart = arg1;
    startChosen = ui->comboBoxDepart->currentIndex() > 0;
    typeCity = QStringLiteral("double");
    updateRoute();
}

void Fenetre::on_comboBoxArrive_currentTextChanged(const QString &arg1)
{
    road.cityEnd = arg1;
    endChosen = ui->comboBoxArrive->currentIndex() > 0;
    typeCity = QStringLiteral("double");
    updateRoute();
}

void Fenetre::on_pushButtonTable_clicked()
{
    try {
        auto *panel = new TableMatrix(this, net);
        panel->show();
        panel->setFocus();
    } catch (const std::bad_alloc &) {
        outOfMemory();
    }
}

void Fenetre::outOfMemory()
{
    QMessageBox::warning(this, QStringLiteral("GPS"),
                         QStringLiteral("Not enough memory for this on a network of %1 cities. "
                                        "Nothing was changed.")
                             .arg(net->size()));
}

void Fenetre::on_pushButtonTableRoad_clicked()
{
    if (path.empty()) {
        QMessageBox::information(nullptr, QStringLiteral("ALLERTE"),
                                 QStringLiteral("Nombre de villes choisis < 2."));
        return;
    }
    // The cities of the route on show, however it was made, with the shortest times between
    // them, in route order, repeats included: row i, column j is the time from the route's
    // i-th city to its j-th.
    try {
        auto *panel = new TableMatrix(this, net, routePositions());
        panel->show();
        panel->setFocus();
    } catch (const std::bad_alloc &) {
        outOfMemory();
    }
}

std::vector<int> Fenetre::routePositions() const
{
    // Every city that bears a stop's name, as the typed route's city list holds them.
    const std::vector<City> &cities = net->cities();
    std::vector<int> positions;
    for (const int at : path) {
        const std::vector<int> &same = net->positionsOf(cities[at].getName());
        positions.insert(positions.end(), same.begin(), same.end());
    }
    return positions;
}

void Fenetre::on_pushButton_clicked()
{
    QString text;
    for (;;) {
        QInputDialog dialog(this);
        dialog.setWindowTitle(QStringLiteral("Cities"));
        dialog.setLabelText(
            QStringLiteral("Enter cities name split by ' ' like : Paris Marseille"));
        dialog.setTextValue(text);
        if (auto *edit = dialog.findChild<QLineEdit *>())
            new CityCompleter(cityNames, edit);
        if (dialog.exec() != QDialog::Accepted)
            return; // Cancel leaves the route as it was
        text = dialog.textValue();
        const TypedCities typed = parseCityList(net->cities(), text);
        if (typed.unknown.isEmpty()) {
            setTypedRoute(typed.names);
            return;
        }
        // The text comes back for correction, with the names that come close.
        QStringList lines;
        for (const QString &name : typed.unknown) {
            const QStringList close = closestCityNames(net->cities(), name);
            lines << (close.isEmpty() ? QStringLiteral("\"%1\"").arg(name)
                                      : QStringLiteral("\"%1\" (did you mean %2?)")
                                            .arg(name, close.join(QStringLiteral(", "))));
        }
        QMessageBox::information(
            this, QStringLiteral("ALLERTE"),
            QStringLiteral("Unknown cities: %1. The route is unchanged.\n\nNames with spaces can "
                           "be typed as they are, or in double quotes; commas also separate.")
                .arg(lines.join(QStringLiteral(", "))));
    }
}

void Fenetre::setTypedRoute(const QStringList &names)
{
    std::vector<int> found;
    try {
        found = finder->routeThrough(std::vector<QString>(names.begin(), names.end()));
    } catch (const std::bad_alloc &) {
        outOfMemory();
        return; // the route on show stays
    }
    pathName.assign(names.begin(), names.end());
    path = std::move(found);
    pathTime = net->legTimes(path);
    for (const int at : path)
        qCDebug(lcWindow) << "path : " << at;

    const std::vector<City> &cities = net->cities();
    for (const int at : path)
        qCDebug(lcWindow) << "newPathName : " << cities[at].getName();
    typeCity = QStringLiteral("multiple");

    // The boxes show where the route starts and ends, and a later choice in one of them routes
    // between what they then show. Setting them routes nothing by itself.
    {
        const QSignalBlocker quietStart(ui->comboBoxDepart);
        const QSignalBlocker quietEnd(ui->comboBoxArrive);
        const bool routed = !path.empty();
        const QString first = routed ? cities[path.front()].getName() : QString();
        const QString last = routed ? cities[path.back()].getName() : QString();
        ui->comboBoxDepart->setCurrentIndex(routed ? ui->comboBoxDepart->findText(first) : 0);
        ui->comboBoxArrive->setCurrentIndex(routed ? ui->comboBoxArrive->findText(last) : 0);
        startChosen = endChosen = routed;
        if (routed) {
            road.cityStart = first;
            road.cityEnd = last;
        }
    }
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
    auto *panel = new Info(this, arg1);
    panel->show();
    panel->setFocus();
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
    const QString summary =
        missingFolder.isEmpty()
            ? QStringLiteral("Some of the network could not be read; the rest is shown.\n\n") +
                  first.join(u'\n')
            : QStringLiteral("The network folder %1 does not exist; no network is shown.")
                  .arg(missingFolder);
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("GPS"), summary,
                                QMessageBox::Ok, this);
    box->setDetailedText(messages.join(u'\n'));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void Fenetre::wheelEvent(QWheelEvent *event)
{
    // A quarter more per notch (120 eighths of a degree), touchpads in smaller steps, about the
    // point under the pointer, which stays where it is.
    zoomAbout(event->position(), std::pow(1.25, event->angleDelta().y() / 120.0));
    event->accept();
}

void Fenetre::zoomAbout(QPointF at, double factor)
{
    // Deep enough to tell apart the towns of a country-wide network; out to a continent.
    const double coef = std::clamp(coefLong * factor, 0.05, 2000.0);
    if (coef == coefLong)
        return;
    // The map point under `at` before, where it must stay after.
    const double x = (at.x() - gapLong - pan.x()) / coefLong;
    const double y = (at.y() - gapLat - pan.y()) / coefLat;
    coefLong = coefLat = coef;
    pan = QPointF(at.x() - gapLong - coef * x, at.y() - gapLat - coef * y);
    mapLayerValid = false;
    update();
}

void Fenetre::resetView()
{
    coefLong = coefLat = homeCoef;
    gapLong = gapLat = 0;
    pan = homePan;
    mapLayerValid = false;
    update();
}

void Fenetre::keyPressEvent(QKeyEvent *event)
{
    constexpr double step = 50; // pixels an arrow key moves the map
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        on_pushButtonMore_clicked();
        break;
    case Qt::Key_Minus:
        on_pushButtonLess_clicked();
        break;
    case Qt::Key_Home:
        resetView();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        // The view moves that way: the map the other way.
        const int key = event->key();
        pan += QPointF(key == Qt::Key_Left    ? step
                       : key == Qt::Key_Right ? -step
                                              : 0,
                       key == Qt::Key_Up     ? step
                       : key == Qt::Key_Down ? -step
                                             : 0);
        mapLayerValid = false;
        update();
        break;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void Fenetre::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason); // the keys move the map from now on
    dragFrom = event->position().toPoint();
    dragOffset = QPoint();
}

void Fenetre::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || dragFrom.isNull())
        return QWidget::mouseMoveEvent(event);
    // The picture already drawn moves with the pointer; it is drawn anew when the drag ends.
    dragOffset = event->position().toPoint() - dragFrom;
    update();
}

void Fenetre::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || dragFrom.isNull())
        return QWidget::mouseReleaseEvent(event);
    if (!dragOffset.isNull()) {
        pan += dragOffset;
        mapLayerValid = false;
    }
    dragOffset = QPoint();
    dragFrom = QPoint();
    update();
}

bool Fenetre::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->comboBoxInfo)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() == QEvent::KeyPress) {
        // What opens the list (Space, F4, Alt+Down, Return) still works.
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool opens = key->key() == Qt::Key_Space || key->key() == Qt::Key_F4 ||
                           key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                           key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                           key->key() == Qt::Key_Escape || (key->modifiers() & Qt::AltModifier);
        return !opens;
    }
    return false;
}

bool Fenetre::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    // The names of the cities whose square is under the pointer.
    const QPoint at = static_cast<QHelpEvent *>(event)->pos();
    QStringList names;
    for (const City &city : net->cities()) {
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
