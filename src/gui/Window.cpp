#include "Window.h"

#include "citycompleter.h"
#include "citynames.h"
#include "info.h"
#include "landmap.h"
#include "logging.h"
#include "maplabels.h"
#include "mappacing.h"
#include "routetable.h"
#include "routetablemodel.h"
#include "tablematrix.h"
#include "ui_Window.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QHelpEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numeric>
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
    setAcceptDrops(true);
    typeTime = QStringLiteral("mn");

    routeModel = new RouteTableModel(this);
    ui->tableViewRoad->setModel(routeModel);

    // A slow layer is drawn again, and names placed, once the wheel or keys have rested.
    redrawTimer.setSingleShot(true);
    connect(&redrawTimer, &QTimer::timeout, this, [this] {
        if (std::exchange(layerStale, false))
            mapLayerValid = false;
        viewMoving = false;
        update();
    });

    // Keys that work anywhere in the window; the map menu shows the same actions.
    openAction = new QAction(QStringLiteral("Open a network folder..."), this);
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &Fenetre::chooseNetworkFolder);
    saveAction = new QAction(QStringLiteral("Save the route..."), this);
    saveAction->setShortcut(QKeySequence::Save);
    connect(saveAction, &QAction::triggered, this, &Fenetre::saveRoute);
    addActions({openAction, saveAction});

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

    useNetwork(std::move(network), dataDir);
}

void Fenetre::useNetwork(std::shared_ptr<const Network> network, const QString &dir)
{
    // Routes come from searches on demand: nothing is worked out for all pairs at start-up.
    auto routes = std::make_unique<RouteFinder>(*network);
    auto pairs = network->roadPairs();
    // Panels still open keep the network they were opened on.
    finder = std::move(routes);
    net = std::move(network);
    roadPairs = std::move(pairs);
    folder = dir;
    lastFolder = QFileInfo(dir).absoluteFilePath();

    std::vector<int> degree(std::size_t(net->size()), 0);
    for (const auto &[i, j] : roadPairs) {
        ++degree[std::size_t(i)];
        ++degree[std::size_t(j)];
    }
    labelOrder.resize(degree.size());
    std::iota(labelOrder.begin(), labelOrder.end(), 0);
    std::stable_sort(labelOrder.begin(), labelOrder.end(),
                     [&](int a, int b) { return degree[std::size_t(a)] > degree[std::size_t(b)]; });

    QStringList listeItems;
    for (const City &city : net->cities())
        listeItems << city.getName();
    std::sort(listeItems.begin(), listeItems.end());
    cityNames = listeItems;
    cityNames.removeDuplicates();
    std::sort(cityNames.begin(), cityNames.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    {
        const QSignalBlocker quietStart(ui->comboBoxDepart);
        const QSignalBlocker quietEnd(ui->comboBoxArrive);
        const QSignalBlocker quietInfo(ui->comboBoxInfo);
        for (QComboBox *box : {ui->comboBoxDepart, ui->comboBoxArrive, ui->comboBoxInfo}) {
            while (box->count() > 1) // the placeholder stays
                box->removeItem(box->count() - 1);
            box->addItems(listeItems);
        }
        ui->comboBoxInfo->setCurrentIndex(0);
        // The chosen cities stay chosen where the new network has them.
        const int start = startChosen ? ui->comboBoxDepart->findText(road.cityStart) : -1;
        const int end = endChosen ? ui->comboBoxArrive->findText(road.cityEnd) : -1;
        ui->comboBoxDepart->setCurrentIndex(std::max(start, 0));
        ui->comboBoxArrive->setCurrentIndex(std::max(end, 0));
        startChosen = start > 0;
        endChosen = end > 0;
    }

    computeHome();
    if (!landChosen)
        showLand = fitted;
    resetView();

    const bool typed = typeCity == QLatin1String("multiple");
    const bool typedStays = typed && !pathName.empty() &&
                            std::all_of(pathName.begin(), pathName.end(),
                                        [&](auto &n) { return !net->positionsOf(n).empty(); });
    if (typedStays) {
        setTypedRoute(QStringList(pathName.begin(), pathName.end()));
        return;
    }
    path.clear();
    pathTime.clear();
    if (typed)
        typeCity = QStringLiteral("double");
    updateRoute();
    updateRouteTable();
}

void Fenetre::computeHome()
{
    // The part of the window where the map shows between the controls: at the first size the
    // area the map was drawn for, growing with the window.
    const QRectF area(180, 20, std::max(width(), 800) - 200, std::max(height(), 600) - 160);
    double left = inf, right = -inf, top = inf, bottom = -inf;
    for (const City &c : net->cities()) {
        left = std::min(left, c.getCoordLong());
        right = std::max(right, c.getCoordLong());
        top = std::min(top, c.getCoordLat());
        bottom = std::max(bottom, c.getCoordLat());
    }
    const QRectF bounds(QPointF(left, top), QPointF(right, bottom));
    fitted = !(net->size() == 0 || (left >= 160 && right < 800 && top >= 0 && bottom < 480)) &&
             std::isfinite(bounds.width()) && std::isfinite(bounds.height());
    if (fitted) {
        homeCoef = std::min(bounds.width() > 0 ? area.width() / bounds.width() : 1.0,
                            bounds.height() > 0 ? area.height() / bounds.height() : 1.0);
        homeCoef = std::clamp(homeCoef, 1e-6, 2000.0);
        homePan = area.center() - homeCoef * bounds.center();
    } else {
        // France as first drawn, scaled up with the window about the area's corner and
        // centred in the room it gained; pixel for pixel the first drawing at the first size.
        homeCoef = std::min(area.width() / 600, area.height() / 440);
        homePan = area.topLeft() * (1 - homeCoef) +
                  QPointF(area.width() - 600 * homeCoef, area.height() - 440 * homeCoef) / 2;
    }
}

void Fenetre::showLoadMessages()
{
    if (messages.isEmpty())
        return;
    // Said beside the window rather than in its way: the network opens with what could be read.
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

bool Fenetre::openNetwork(const QString &dir)
{
    QStringList found;
    auto network = std::make_shared<Network>();
    Network::Load result = Network::Load::Ok;
    try {
        // Tens of thousands of cities take a moment to read.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        result = network->load(dir, &found);
    } catch (const std::bad_alloc &) {
        outOfMemory();
        return false;
    }
    const QString where = QDir::toNativeSeparators(QFileInfo(dir).absoluteFilePath());
    if (result == Network::Load::NoFolder || network->size() == 0) {
        // Nothing to show instead: the network on show stays, with its route.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("GPS"),
                        result == Network::Load::NoFolder
                            ? QStringLiteral("The network folder %1 does not exist; the network "
                                             "on show is kept.")
                                  .arg(where)
                            : QStringLiteral("No city could be read in %1; the network on show "
                                             "is kept.")
                                  .arg(where),
                        QMessageBox::Ok, this);
        box.setDetailedText(found.join(u'\n'));
        box.exec();
        return false;
    }
    try {
        useNetwork(std::move(network), dir);
    } catch (const std::bad_alloc &) {
        outOfMemory();
        return false;
    }
    messages = found;
    missingFolder.clear();
    problemsShown = true;
    showLoadMessages();
    return true;
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

    // Cities and roads change only with the view: they are drawn once into a transparent layer
    // that each paint lays down. Without land and crowds every pixel of it is opaque black or
    // untouched, so the window shows exactly what drawing them directly would show.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!mapLayerValid || mapLayer.size() != pixels) {
        QElapsedTimer clock;
        clock.start();
        mapLayer = QPixmap(pixels);
        mapLayer.setDevicePixelRatio(ratio);
        mapLayer.fill(Qt::transparent);
        QPainter layer(&mapLayer);
        // Drawn where the map stands without the drag going on, which moves the whole layer.
        const QPoint dragging = std::exchange(dragOffset, QPoint());
        if (showLand)
            drawLand(layer);
        drawNetwork(layer);
        dragOffset = dragging;
        layerOrigin = QPointF(gapLong, gapLat) + pan;
        layerCoef = coefLong;
        layerStale = false;
        mapLayerValid = true;
        labelsValid = false;
        layerMs = double(clock.nsecsElapsed()) / 1e6;
    }
    // While a drag goes on, the layer drawn before it moves with the pointer; while a slow
    // network's zoom goes on, it is scaled until the layer is drawn anew.
    const double scale = coefLong / layerCoef;
    const QPointF shift = QPointF(gapLong, gapLat) + pan + dragOffset - scale * layerOrigin;
    if (scale == 1.0) {
        painter.drawPixmap(shift.toPoint(), mapLayer);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(shift);
        painter.scale(scale, scale);
        painter.drawPixmap(0, 0, mapLayer);
        painter.restore();
    }

    if (startChosen && endChosen)
        drawRoad(painter, net->cities());

    if (showNames && !layerStale && !viewMoving) {
        if (!labelsValid || labelLayer.size() != pixels) {
            labelLayer = QPixmap(pixels);
            labelLayer.setDevicePixelRatio(ratio);
            labelLayer.fill(Qt::transparent);
            QPainter names(&labelLayer);
            const QPoint dragging = std::exchange(dragOffset, QPoint());
            drawLabels(names);
            dragOffset = dragging;
            labelsValid = true;
        }
        painter.drawPixmap(dragOffset, labelLayer);
    }
}

void Fenetre::drawNetwork(QPainter &painter)
{
    const std::vector<City> &cities = net->cities();
    const QRect view = rect();
    std::vector<QPoint> at(cities.size());
    int inView = 0;
    for (std::size_t i = 0; i < cities.size(); ++i) {
        at[i] = project(cities[i]);
        inView += view.contains(at[i]);
    }
    // Squares and 2-pixel roads show a few hundred cities apart; thousands would merge into a
    // black block. Then roads are hairlines whose shade builds up where they crowd: the map
    // shows where the network is dense and where it thins out.
    const int area = view.width() * view.height();
    dense = inView > area / 400;
    // Names of a few hundred of them still help; among tens of thousands they would be noise.
    crowded = inView > area / 100;
    const QRect margin = view.adjusted(-2, -2, 2, 2);
    QList<QLine> lines;
    lines.reserve(qsizetype(roadPairs.size()));
    for (const auto &[i, j] : roadPairs) {
        const QPoint a = at[std::size_t(i)], b = at[std::size_t(j)];
        // Roads wholly to one side of the view, and those shorter than a pixel in a dense view,
        // show nothing.
        if ((a.x() < margin.left() && b.x() < margin.left()) ||
            (a.x() > margin.right() && b.x() > margin.right()) ||
            (a.y() < margin.top() && b.y() < margin.top()) ||
            (a.y() > margin.bottom() && b.y() > margin.bottom()) || (dense && a == b))
            continue;
        lines.append(QLine(a, b));
    }
    if (!dense) {
        // What printCity and printRoad draw, from the roads found once.
        QList<QPoint> points;
        points.reserve(inView);
        for (const QPoint &p : at)
            if (margin.contains(p))
                points.append(p);
        painter.setPen(pen(Qt::black, 2));
        painter.drawPoints(points);
        painter.drawLines(lines);
        return;
    }
    // The more crowded, the fainter each line, so that the crowd shades rather than blots.
    const double room = double(view.width()) * view.height() / 400 / inView;
    painter.setPen(QPen(QColor(0, 0, 0, std::clamp(int(250 * room), 14, 90)), 1));
    painter.drawLines(lines);
}

void Fenetre::drawLand(QPainter &painter)
{
    const LandMap &land = builtInLandMap();
    const QTransform toView(coefLong, 0, 0, coefLat, gapLong + pan.x(), gapLat + pan.y());
    const QRectF view = toView.inverted().mapRect(QRectF(rect()));
    painter.fillRect(rect(), QColor(0xdf, 0xea, 0xf2)); // sea
    QPainterPath shapes;
    shapes.setFillRule(Qt::OddEvenFill); // a lake is a ring inside its land
    for (std::size_t i = 0; i < land.land.size(); ++i)
        if (land.landBounds[i].intersects(view))
            shapes.addPolygon(toView.map(land.land[i]));
    painter.save();
    painter.fillPath(shapes, QColor(0xf6, 0xf3, 0xea));
    painter.setPen(QPen(QColor(0xa8, 0xa8, 0xa8), 1, Qt::DashLine));
    for (const QPolygonF &border : land.borders)
        if (border.boundingRect().intersects(view))
            painter.drawPolyline(toView.map(border));
    painter.restore();
}

void Fenetre::drawLabels(QPainter &painter)
{
    const std::vector<City> &cities = net->cities();
    const QRect view = rect();
    LabelPlacer placer(view);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    QFont bold = small;
    bold.setBold(true);
    const auto label = [&](const QRect &box, const QString &name, const QFont &font) {
        painter.fillRect(box, QColor(255, 255, 255, 200));
        painter.setFont(font);
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.drawText(box, Qt::AlignCenter, name);
    };

    // Not under the controls, where a name could not be read.
    for (const QWidget *control : ui->frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control->isVisibleTo(this))
            placer.reserve(QRect(control->mapTo(this, QPoint()), control->size()));

    // The route's cities first, their squares kept clear.
    std::vector<int> stops;
    if (startChosen && endChosen)
        for (const int at : path)
            if (std::find(stops.begin(), stops.end(), at) == stops.end())
                stops.push_back(at);
    for (const int at : stops)
        placer.reserve(QRect(project(cities[std::size_t(at)]) - QPoint(5, 5), QSize(11, 11)));
    const QFontMetrics boldMetrics(bold);
    for (const int at : stops) {
        const QString &name = cities[std::size_t(at)].getName();
        const QRect box =
            placer.place(project(cities[std::size_t(at)]), boldMetrics.size(0, name) + QSize(4, 0));
        if (!box.isNull())
            label(box, name, bold);
    }

    // Then others that have room, once zoomed beyond the nine steps of the buttons (whose
    // pictures stay as they were) or on a fitted view, unless cities crowd the whole view.
    if (crowded || (!fitted && coefLong <= 1.8 + 1e-9))
        return;
    for (const City &city : cities) {
        const QPoint p = project(city);
        if (view.contains(p))
            placer.reserve(QRect(p - QPoint(1, 1), QSize(3, 3)));
    }
    const QFontMetrics metrics(small);
    constexpr int most = 400; // names a view can hold and still be read
    for (const int at : labelOrder) {
        if (placer.placed() >= most + int(stops.size()))
            break;
        const QPoint p = project(cities[std::size_t(at)]);
        if (!view.contains(p) || !placer.mayFit(p, metrics.height()) ||
            std::find(stops.begin(), stops.end(), at) != stops.end())
            continue;
        const QString &name = cities[std::size_t(at)].getName();
        const QRect box = placer.place(p, metrics.size(0, name) + QSize(4, 0));
        if (!box.isNull())
            label(box, name, small);
    }
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
    labelsValid = false; // the route's names go with it
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
    if (fitted || homeCoef != 1.0) {
        // The same nine steps, counted from the first view, about the middle of the map area.
        const double level = coefLong / homeCoef;
        if (level <= 1.8 + 1e-9)
            zoomAbout(QRectF(180, 20, width() - 200, height() - 160).center(),
                      (level + 0.1) / level);
        return;
    }
    if (coefLong <= 1.8) {
        coefLong = 0.1 + coefLong;
        coefLat = 0.1 + coefLat;
        gapLong -= 20;
        gapLat -= 20;
        atHome = false;
        mapLayerValid = false;
        update();
    }
}

void Fenetre::on_pushButtonLess_clicked()
{
    if (fitted || homeCoef != 1.0) {
        const double level = coefLong / homeCoef;
        if (level >= 1.1 - 1e-9)
            zoomAbout(QRectF(180, 20, width() - 200, height() - 160).center(),
                      (level - 0.1) / level);
        return;
    }
    if (coefLong >= 1.1) {
        coefLong -= 0.1;
        coefLat -= 0.1;
        gapLong += 20;
        gapLat += 20;
        atHome = false;
        mapLayerValid = false;
        update();
    }
}

void Fenetre::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (problemsShown)
        return;
    problemsShown = true;
    showLoadMessages();
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
    const double coef = std::clamp(coefLong * factor, std::min(0.05, homeCoef), 2000.0);
    if (coef == coefLong)
        return;
    // The map point under `at` before, where it must stay after.
    const double x = (at.x() - gapLong - pan.x()) / coefLong;
    const double y = (at.y() - gapLat - pan.y()) / coefLat;
    coefLong = coefLat = coef;
    pan = QPointF(at.x() - gapLong - coef * x, at.y() - gapLat - coef * y);
    viewChanged();
}

void Fenetre::viewChanged()
{
    atHome = false;
    // A layer drawn faster than a frame is drawn again at once; a slower one (tens of thousands
    // of cities) is moved and scaled as it is until the view rests.
    if (layerMs <= mapPacing().frameMs || !mapLayerValid)
        mapLayerValid = false;
    else
        layerStale = true;
    // Names wait too: placing them costs more than a frame of a small network.
    viewMoving = true;
    redrawTimer.start(mapPacing().restMs);
    update();
}

void Fenetre::resetView()
{
    coefLong = coefLat = homeCoef;
    gapLong = gapLat = 0;
    pan = homePan;
    atHome = true;
    layerStale = false;
    viewMoving = false;
    mapLayerValid = false;
    update();
}

void Fenetre::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!net)
        return;
    computeHome();
    if (atHome)
        resetView();
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
        viewChanged();
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
        atHome = false;
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

int Fenetre::cityAt(QPoint at) const
{
    // The nearest whose square (and a pixel around it) is under the pointer.
    const std::vector<City> &cities = net->cities();
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < cities.size(); ++i) {
        const QPoint d = project(cities[i]) - at;
        if (std::abs(d.x()) <= 3 && std::abs(d.y()) <= 3 && d.manhattanLength() < bestDistance) {
            best = int(i);
            bestDistance = d.manhattanLength();
        }
    }
    return best;
}

void Fenetre::contextMenuEvent(QContextMenuEvent *event)
{
    // On the map only: the panels around it are not part of it.
    const QWidget *under = childAt(event->pos());
    if (under && under != ui->frame && under != ui->horizontalLayoutWidget)
        return QWidget::contextMenuEvent(event);
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const int city = cityAt(event->pos());
    if (city >= 0) {
        const QString name = net->cities()[std::size_t(city)].getName();
        menu->addSection(name);
        // Through the boxes, as if chosen there: the route follows as it always does.
        menu->addAction(QStringLiteral("Route from here"), this, [this, name] {
            ui->comboBoxDepart->setCurrentIndex(ui->comboBoxDepart->findText(name));
        });
        menu->addAction(QStringLiteral("Route to here"), this, [this, name] {
            ui->comboBoxArrive->setCurrentIndex(ui->comboBoxArrive->findText(name));
        });
        menu->addAction(QStringLiteral("Weather here"), this,
                        [this, name] { on_comboBoxInfo_currentTextChanged(name); });
        menu->addSeparator();
    }
    // (Keys named after a tab are shown, not bound: the window handles them.)
    menu->addAction(QStringLiteral("Reset view\tHome"), this, &Fenetre::resetView);
    QAction *names = menu->addAction(QStringLiteral("City names"), this, &Fenetre::setNamesShown);
    names->setCheckable(true);
    names->setChecked(showNames);
    QAction *land = menu->addAction(QStringLiteral("Land and borders"), this, [this](bool shown) {
        landChosen = true;
        setLandShown(shown);
    });
    land->setCheckable(true);
    land->setChecked(showLand);
    menu->addSeparator();
    const bool routed = startChosen && endChosen && !path.empty();
    menu->addAction(QStringLiteral("Copy the route"), this, &Fenetre::copyRoute)
        ->setEnabled(routed);
    // The window's own actions, which its keys trigger too.
    saveAction->setEnabled(routed);
    menu->addAction(saveAction);
    menu->addAction(QStringLiteral("Save the map as PNG..."), this, &Fenetre::saveMapImage);
    menu->addSeparator();
    menu->addAction(openAction);
    // Ctrl+S says there is no route rather than doing nothing.
    connect(menu, &QObject::destroyed, saveAction,
            [action = saveAction] { action->setEnabled(true); });
    menu->popup(event->globalPos());
    event->accept();
}

void Fenetre::setNamesShown(bool shown)
{
    showNames = shown;
    labelsValid = false;
    update();
}

void Fenetre::setLandShown(bool shown)
{
    showLand = shown;
    mapLayerValid = false;
    update();
}

QImage Fenetre::mapImage()
{
    QImage image(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatioF());
    render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

void Fenetre::copyRoute()
{
    if (path.empty())
        return;
    const double scale = typeTime == QLatin1String("h") ? 1.0 / 60.0 : 1.0;
    QGuiApplication::clipboard()->setText(routeTsv(net->cities(), path, pathTime, scale));
}

QString Fenetre::saveFileName(const QString &title, const QString &name, const QStringList &filters)
{
    QFileDialog dialog(this, title, QDir(lastFolder).filePath(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QFileInfo(name).suffix());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

bool Fenetre::writeFile(const QString &fileName, const QByteArray &bytes)
{
    // Written beside and renamed over: a failure leaves any file already there as it was.
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    QMessageBox::warning(this, QStringLiteral("GPS"),
                         QStringLiteral("Could not save %1: %2")
                             .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    return false;
}

void Fenetre::saveRoute()
{
    if (path.empty() || !(startChosen && endChosen)) {
        QMessageBox::information(this, QStringLiteral("GPS"),
                                 QStringLiteral("There is no route to save."));
        return;
    }
    const std::vector<City> &cities = net->cities();
    QString name = cities[std::size_t(path.front())].getName() + QStringLiteral(" - ") +
                   cities[std::size_t(path.back())].getName();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    const QString fileName =
        saveFileName(QStringLiteral("Save the route"), name + ".gpx",
                     {QStringLiteral("GPX route (*.gpx)"), QStringLiteral("CSV table (*.csv)")});
    if (fileName.isEmpty())
        return;
    const bool hours = typeTime == QLatin1String("h");
    const QByteArray bytes = fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                 ? routeCsv(routeTableTexts(cities, path, pathTime, typeTime))
                                 : routeGpx(cities, path, pathTime, hours ? 1.0 / 60.0 : 1.0,
                                            hours ? QStringLiteral("h") : QStringLiteral("min"));
    writeFile(fileName, bytes);
}

void Fenetre::saveMapImage()
{
    const QString fileName = saveFileName(QStringLiteral("Save the map"), QStringLiteral("map.png"),
                                          {QStringLiteral("PNG image (*.png)")});
    if (fileName.isEmpty())
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    mapImage().save(&buffer, "PNG");
    writeFile(fileName, bytes);
}

void Fenetre::chooseNetworkFolder()
{
    const QString dir = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Open a network folder (villes.csv and temps.csv)"), lastFolder);
    if (!dir.isEmpty())
        openNetwork(dir);
}

namespace {

// The folder a drop names: a folder, or the folder of a file dropped from it (villes.csv).
QString droppedFolder(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls()[0].isLocalFile())
        return QString();
    const QFileInfo info(data->urls()[0].toLocalFile());
    return info.isDir() ? info.absoluteFilePath() : info.isFile() ? info.absolutePath() : QString();
}

} // namespace

void Fenetre::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Fenetre::dropEvent(QDropEvent *event)
{
    const QString dir = droppedFolder(event->mimeData());
    if (dir.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that the source is not held by any box this shows.
    QTimer::singleShot(0, this, [this, dir] { openNetwork(dir); });
}
