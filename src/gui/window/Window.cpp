#include "Window.h"

#include "appsettings.h"
#include "boxsearch.h"
#include "citylistmodel.h"
#include "cityprompt.h"
#include "citysearch.h"
#include "controlanchors.h"
#include "fileactions.h"
#include "hierarchybehind.h"
#include "infinity.h"
#include "info.h"
#include "mapcontroller.h"
#include "pickonly.h"
#include "plaintext.h"
#include "routeplan.h"
#include "routetable.h"
#include "routetablemodel.h"
#include "tablematrix.h"
#include "totalcolumn.h"
#include "tripnote.h"
#include "ui_Window.h"
#include "windowactions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <new>

namespace {

// The strip of the bottom panel above the route table: room for the row of km.
constexpr int kKmRowRoom = 20;

} // namespace

Fenetre::Fenetre(QWidget *parent)
    : Fenetre(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("data")), parent)
{
}

Fenetre::Fenetre(const QString &dataDir, QWidget *parent) : QWidget(parent), ui(new Ui::Fenetre)
{
    ui->setupUi(this);
    setWindowTitle(tr("GPS"));
    // Every control stays in view; a larger window gives the map the extra room.
    setMinimumSize(size());
    // What was just done, said for a moment at the foot of the map.
    status = new QLabel(ui->frame);
    status->setObjectName(QStringLiteral("labelStatus"));
    status->setGeometry(180, 452, 300, 22);
    status->setAutoFillBackground(true);
    status->setMargin(2);
    status->setTextFormat(Qt::PlainText);
    status->hide();
    tripNote = new TripNote(ui->frame);
    anchors = std::make_unique<ControlAnchors>(ui->horizontalLayoutWidget);
    setAcceptDrops(true);
    typeTime = QStringLiteral("mn");
    plan = new RoutePlan(this);
    files = new FileActions(this, plan, [this] { return mapImage(); });
    map = new MapController(this, ui->frame, plan,
                            {{{files->copyAction(), files->saveAction(), files->saveMapAction()},
                              {files->openAction(), files->importAction()}},
                             files->saveAction()});
    actions = new WindowActions(
        this, {ui->label, ui->frame_4}, plan, files, map, [this] { return sortedNames; },
        [this] { editPreferences(); });
    routeModel = new RouteTableModel(this);
    ui->tableViewRoad->setModel(routeModel);
    totalColumn = new TotalColumn(ui->tableViewRoad);
    // Tab leaves the route table for the next control; the arrows move inside it.
    ui->tableViewRoad->setTabKeyNavigation(false);
    setUpControls();

    behind = new HierarchyBehind(this);
    try {
        // Read here, before the window shows; its hierarchy comes behind it.
        OpenedNetwork network = NetworkReading::read(dataDir, &messages);
        if (!network.notKept.isEmpty()) // in the status line once the window is up
            QTimer::singleShot(
                0, this, [this, why = network.notKept] { say(FileActions::notKeptText(why)); });
        if (network.result == Network::Load::NoFolder)
            missingFolder = QDir::toNativeSeparators(QFileInfo(dataDir).absoluteFilePath());
        opened = network.result == Network::Load::Ok;
        useNetwork(std::move(network), dataDir);
    } catch (const std::bad_alloc &) {
        // Said in the box shown with the window; the window opens empty rather than not at all.
        messages << tr("%1: not enough memory to open this network")
                        .arg(QDir::toNativeSeparators(QFileInfo(dataDir).absoluteFilePath()));
        OpenedNetwork none;
        none.network = std::make_shared<Network>();
        useNetwork(std::move(none), dataDir);
    }
}

Fenetre::~Fenetre()
{
    delete ui;
}

void Fenetre::setUpControls()
{
    for (QComboBox *box : {ui->comboBoxDepart, ui->comboBoxArrive, ui->comboBoxInfo})
        CityListModel::install(box);
    connect(plan, &RoutePlan::routeChanged, this, &Fenetre::showRoute);
    connect(plan, &RoutePlan::unitChanged, this, &Fenetre::showRoute);
    connect(plan, &RoutePlan::outOfMemory, this, &Fenetre::outOfMemory);
    connect(files, &FileActions::openRequested, this, &Fenetre::openNetwork);
    connect(files, &FileActions::done, this, &Fenetre::say);
    connect(map, &MapController::viewChanged, this, &Fenetre::showView);
    connect(map, &MapController::weatherAsked, this, &Fenetre::on_comboBoxInfo_currentTextChanged);
    connect(map, &MapController::namesChosen, this,
            [this](bool shown) { remember([shown] { appsettings::setNamesShown(shown); }); });
    connect(map, &MapController::landChosen, this,
            [this](bool shown) { remember([shown] { appsettings::setLandShown(shown); }); });
    // A weather panel opens when a city is picked from the list, not when arrow keys, letters
    // or the wheel run through the closed box. (The slot is connected by name, so
    // disconnected by name.)
    disconnect(ui->comboBoxInfo, SIGNAL(currentTextChanged(QString)), this,
               SLOT(on_comboBoxInfo_currentTextChanged(QString)));
    // The panel is made once the pick's own key press is over: made during it, a pick by
    // Return handed that Return on to the new panel, which Return closes.
    connect(new PickOnly(ui->comboBoxInfo), &PickOnly::picked, this,
            &Fenetre::on_comboBoxInfo_currentTextChanged, Qt::QueuedConnection);
    // Typing into a box searches its names, where that help is chosen (else a letter picks the
    // next name that starts with it, as in any list).
    const auto names = [this] { return sortedNames; };
    for (QComboBox *box : {ui->comboBoxDepart, ui->comboBoxArrive})
        boxSearches << new BoxSearch(
            box, names, [box](const QString &name) { box->setCurrentIndex(box->findText(name)); });
    boxSearches << new BoxSearch(ui->comboBoxInfo, names, [this](const QString &name) {
        QTimer::singleShot(0, this, [this, name] { on_comboBoxInfo_currentTextChanged(name); });
    });
    for (BoxSearch *search : std::as_const(boxSearches))
        search->setEnabled(prefs.typingHelp);
    // Tab in reading order: the GPS box (the program's menu), the left panel down, the map, its
    // buttons, the table and its unit, the weather chooser.
    const QList<QWidget *> order{actions->menuKeys(), ui->comboBoxDepart,  ui->comboBoxArrive,
                                 ui->pushButton,      ui->pushButtonTable, ui->pushButtonTableRoad,
                                 map->focusTarget(),  ui->pushButtonMore,  ui->pushButtonLess,
                                 ui->tableViewRoad,   ui->comboBoxTime,    ui->comboBoxInfo};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    ui->comboBoxDepart->setFocus(); // the keys go there first, as they always did
}

void Fenetre::say(const QString &text)
{
    // On a ground of its own, left of the zoom buttons: a long path is cut in its middle (whole
    // in the tooltip).
    const int room = std::max(60, ui->pushButtonMore->x() - status->x() - 8);
    status->setToolTip(plainToolTip(text));
    status->setText(
        status->fontMetrics().elidedText(text, Qt::ElideMiddle, room - 2 * status->margin() - 4));
    status->adjustSize();
    status->resize(std::min(status->width(), room), status->height());
    status->show();
    status->raise();
    QTimer::singleShot(4000, status, [label = status, text] {
        if (label->toolTip() == plainToolTip(text)) // not said over since
            label->hide();
    });
}

void Fenetre::useNetwork(OpenedNetwork network, const QString &dir)
{
    behind->stop(); // the network it builds for goes
    // What may fail for memory is made before anything changes.
    MapLayers::Drawing drawing = MapLayers::prepare(*network.network);
    plan->setNetwork(network.network);
    map->setNetwork(network.network, std::move(drawing));
    folder = dir;
    files->setFolder(dir);
    actions->showCredit(ui->label_2);

    cityNames.clear(); // made when the typed list is first asked for
    listCities();
    behind->start(network.network, std::move(network.later), network.buildBehind);
}

void Fenetre::showLoadMessages()
{
    files->sayLoadProblems(messages, missingFolder);
}

bool Fenetre::openNetwork(const QString &dir)
{
    QStringList found;
    try {
        OpenedNetwork network = files->readNetwork(dir, &found);
        if (!network.network)
            return false; // refused and said, or cancelled: the network on show stays
        useNetwork(std::move(network), dir);
    } catch (const std::bad_alloc &) {
        outOfMemory();
        return false;
    }
    folderChosen = true;
    remember([&] { appsettings::setNetworkFolder(QFileInfo(dir).absoluteFilePath()); });
    messages = found;
    missingFolder.clear();
    problemsShown = true;
    showLoadMessages();
    return true;
}

void Fenetre::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Land, the network and names, each a picture drawn anew only when what it shows changes;
    // without land, names or crowds every pixel of it is opaque black or untouched, so the
    // window shows exactly what drawing the cities and roads directly would show.
    map->paint(painter);
    // The route above all, and what marks the map.
    drawRoad(painter, plan->network().cities());
    map->paintOverlay(painter);
}

void Fenetre::printCity(QPainter &painter, const std::vector<City> &cities)
{
    QList<QPoint> points;
    points.reserve(qsizetype(cities.size()));
    for (const City &city : cities)
        points.append(map->view().project(city));
    painter.setPen(mapPen(Qt::black, 2));
    painter.drawPoints(points);
}

void Fenetre::printRoad(QPainter &painter, const std::vector<City> &cities,
                        const TimeMatrix &matrix)
{
    QList<QLine> lines;
    for (std::size_t i = 0; i < cities.size() && i < matrix.size(); ++i)
        for (std::size_t j = 0; j < cities.size() && j < matrix[i].size(); ++j)
            if (matrix[i][j] != kInf)
                lines.append(QLine(map->view().project(cities[i]), map->view().project(cities[j])));
    painter.setPen(mapPen(Qt::black, 2));
    painter.drawLines(lines);
}

void Fenetre::drawRoad(QPainter &painter, const std::vector<City> &cities)
{
    drawRouteLayer(painter, map->view(), plan->network(), cities, path, pathTime,
                   prefs.ringStops && plan->mode() == RoutePlan::Mode::Typed ? plan->stops()
                                                                             : QStringList(),
                   plan->drivenShape());
}

void Fenetre::showRoute()
{
    path = plan->path();
    pathTime = plan->legTimes();
    const QStringList stops = plan->stops();
    pathName.assign(stops.begin(), stops.end());
    road.cityStart = plan->start().isEmpty() ? kUnusedCity : plan->start();
    road.cityEnd = plan->end().isEmpty() ? kUnusedCity : plan->end();
    typeCity = plan->mode() == RoutePlan::Mode::Typed       ? QStringLiteral("multiple")
               : plan->mode() == RoutePlan::Mode::TwoCities ? QStringLiteral("double")
                                                            : QString();
    typeTime = plan->unitText();
    // The boxes show where a route chosen elsewhere (the map, the menu) starts and ends; one
    // chosen in a box leaves the other as it was, and a typed route leaves both. Setting them
    // routes nothing by itself.
    const bool boxesShowIt = !fromBox && plan->mode() != RoutePlan::Mode::Typed;
    for (const auto &[box, name] : {std::pair{ui->comboBoxDepart, plan->start()},
                                    std::pair{ui->comboBoxArrive, plan->end()}}) {
        if (!boxesShowIt)
            break;
        // Mostly the box the route was just picked in: not looked through again (a million
        // names take tens of milliseconds).
        if (!name.isEmpty() && box->currentIndex() > 0 && box->currentText() == name)
            continue;
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(name.isEmpty() ? 0 : std::max(0, box->findText(name)));
    }
    showTitle();
    const RouteShape shape = plan->shape();
    const RouteTableTexts texts =
        routeTableTexts(plan->network().cities(), path, pathTime, typeTime, &shape);
    // With its row of km, the table takes the strip of the bottom panel above it: both rows in
    // sight over the scroll bar of a long route.
    anchors->raiseTop(ui->tableViewRoad, texts.kmRowHeader.isEmpty() ? 0 : kKmRowRoom);
    anchors->apply(size());
    routeModel->setTexts(texts);
    ui->tableViewRoad->resizeColumnsToContents();
    ui->tableViewRoad->resizeRowsToContents();
    totalColumn->refresh();
    tripNote->showTrip(plan->trip(), typeTime);
    update();
}

void Fenetre::showTitle()
{
    // The route in the title, for the task bar and the window switcher, where that is chosen.
    setWindowTitle(prefs.routeInTitle && plan->routed()
                       ? tr("%1 → %2 — GPS")
                             .arg(plan->network().cities()[std::size_t(path.front())].getName(),
                                  plan->network().cities()[std::size_t(path.back())].getName())
                       : tr("GPS"));
}

void Fenetre::on_comboBoxDepart_currentTextChanged(const QString &arg1)
{
    const QScopedValueRollback<bool> inBox(fromBox, true);
    plan->setStart(ui->comboBoxDepart->currentIndex() > 0 ? arg1 : QString());
}

void Fenetre::on_comboBoxArrive_currentTextChanged(const QString &arg1)
{
    const QScopedValueRollback<bool> inBox(fromBox, true);
    plan->setEnd(ui->comboBoxArrive->currentIndex() > 0 ? arg1 : QString());
}

void Fenetre::on_pushButtonTable_clicked()
{
    openTable({});
}

void Fenetre::openTable(const std::vector<int> &positions)
{
    try {
        auto *panel = new TableMatrix(this, plan->sharedNetwork(), positions);
        panel->show();
        panel->setFocus();
    } catch (const std::bad_alloc &) {
        outOfMemory();
    }
}

void Fenetre::outOfMemory()
{
    QMessageBox::warning(
        this, tr("GPS"),
        tr("Not enough memory for this on a network of %1 cities. Nothing was changed.")
            .arg(plan->network().size()));
}

void Fenetre::on_pushButtonTableRoad_clicked()
{
    if (path.empty()) {
        QMessageBox::information(nullptr, tr("ALLERTE"), tr("Nombre de villes choisis < 2."));
        return;
    }
    // The cities of the route on show, however it was made, with the shortest times between
    // them, in route order, repeats included: row i, column j is the time from the route's
    // i-th city to its j-th.
    openTable(plan->routePositions());
}

void Fenetre::on_pushButton_clicked()
{
    // Suggestions, earlier lists and a choice of order where typing help is chosen.
    const bool help = prefs.typingHelp;
    if (help && cityNames.isEmpty()) // sorting a million names without case takes a second
        cityNames = withoutCaseOrder(sortedNames);
    const QStringList names =
        CityPrompt::ask(this, plan->network(), help ? cityNames : QStringList(),
                        help ? &routeOrder : nullptr, help ? &typedLists : nullptr);
    // Fewer than two names (Cancel gives none) make no route: the one on show goes.
    const bool ordered = help && names.size() >= 2;
    if (ordered) {
        orderChosen = true;
        remember([this] { appsettings::setRouteOrder(int(routeOrder)); });
    }
    // A best order of many stops takes a moment (a second or more for hundreds of them).
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    plan->setStops(names, ordered ? routeOrder : RouteOrder::AsTyped);
}

void Fenetre::on_comboBoxTime_currentTextChanged(const QString &arg1)
{
    // The box's own texts, whatever the language.
    if (arg1 == ui->comboBoxTime->itemText(0))
        plan->setUnit(RoutePlan::Unit::Minutes);
    else if (arg1 == ui->comboBoxTime->itemText(1))
        plan->setUnit(RoutePlan::Unit::Hours);
    else if (arg1 == ui->comboBoxTime->itemText(2))
        plan->setUnit(RoutePlan::Unit::HoursMinutes);
    else
        return;
    remember([this] { appsettings::setUnit(plan->unitText()); });
}

void Fenetre::on_comboBoxInfo_currentTextChanged(const QString &arg1)
{
    auto *panel = new Info(this, arg1);
    panel->show();
    panel->setFocus();
}

void Fenetre::on_pushButtonMore_clicked()
{
    map->zoomIn();
}

void Fenetre::on_pushButtonLess_clicked()
{
    map->zoomOut();
}

void Fenetre::showView()
{
    coefLong = coefLat = map->view().zoom();
    gapLong = gapLat = map->view().gap();
}

void Fenetre::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (problemsShown)
        return;
    problemsShown = true;
    // Once the window is on screen, so that the box comes in front of it, not behind.
    QTimer::singleShot(0, this, &Fenetre::showLoadMessages);
}

void Fenetre::closeEvent(QCloseEvent *event)
{
    remember([this] { appsettings::setWindowGeometry(saveGeometry()); });
    QWidget::closeEvent(event);
}

void Fenetre::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Where the platform lets the window be made smaller than its minimum (an X server with
    // no window manager), it is asked back to it: every control stays in view.
    if (isVisible() && (width() < minimumWidth() || height() < minimumHeight()))
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
    anchors->apply(size());
    map->setWindowSize(size());
}

void Fenetre::setNamesShown(bool shown)
{
    map->setNamesShown(shown);
}

bool Fenetre::namesShown() const
{
    return map->namesShown();
}

void Fenetre::setLandShown(bool shown)
{
    map->setLandShown(shown);
}

bool Fenetre::landShown() const
{
    return map->landShown();
}

QImage Fenetre::mapImage()
{
    QImage image(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatioF());
    render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    // The data's credit too, as on screen: the picture carries it wherever it goes.
    if (ui->label_2->isVisibleTo(this)) {
        QPainter painter(&image);
        ui->label_2->render(&painter, ui->label_2->mapTo(this, QPoint()));
    }
    return image;
}

void Fenetre::dragEnterEvent(QDragEnterEvent *event)
{
    if (!FileActions::droppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Fenetre::dropEvent(QDropEvent *event)
{
    const QString dir = FileActions::droppedFolder(event->mimeData());
    if (dir.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that the source is not held by any box this shows.
    QTimer::singleShot(0, this, [this, dir] { openNetwork(dir); });
}
