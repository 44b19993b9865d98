#include "Window.h"
#include "info.h"
#include "modal.h"
#include "netgen.h"
#include "routetable.h"

#include "landmap.h"
#include "maplabels.h"
#include "mappacing.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHelpEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QXmlStreamReader>

#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

// Map positions: X (425.5, 250.9), Y (475, 275), Z (450, 300), V (400, 225), W (550, 250).
const QByteArray kCities = "id,name,dept,lat,lon\n"
                           "1,Y,0,45,7\n2,X,0,45.964,5.02\n3,Z,0,44,6\n4,V,0,47,4\n5,W,0,46,10\n";
const QByteArray kRoads = "X,Y,30\nY,Z,45\nX,Z,90\nV,X,125\n";

struct Table
{
    QStringList headers;
    QString rowHeader;
    QStringList cells;
};

Table tableOf(const Fenetre &w)
{
    const QAbstractItemModel *model = w.findChild<QTableView *>("tableViewRoad")->model();
    Table t;
    for (int c = 0; c < model->columnCount(); ++c) {
        t.headers << model->headerData(c, Qt::Horizontal).toString();
        t.cells << model->index(0, c).data().toString();
    }
    t.rowHeader = model->headerData(0, Qt::Vertical).toString();
    return t;
}

// Counts the paints a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString network(const QString &name, const QByteArray &cities, const QByteArray &roads)
    {
        QDir(dir.path()).mkpath(name);
        for (const auto &[file, bytes] :
             {std::pair{"villes.csv", cities}, std::pair{"temps.csv", roads}}) {
            QFile f(dir.filePath(name + "/" + file));
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                qFatal("cannot write test data");
        }
        return dir.filePath(name);
    }

    static void choose(Fenetre &w, const char *box, const QString &text)
    {
        auto *combo = w.findChild<QComboBox *>(box);
        const int index = combo->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setCurrentIndex(index);
    }

    static QImage picture(Fenetre &w) { return w.grab().toImage(); }

    // The right-click menu at `at` in the window, or null where none opens.
    static QMenu *contextMenu(Fenetre &w, QPoint at)
    {
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, w.mapToGlobal(at));
        QApplication::sendEvent(&w, &e);
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }

    static QAction *actionOf(QMenu *menu, const QString &text)
    {
        const auto actions = menu->actions();
        for (QAction *action : actions)
            if (action->text() == text)
                return action;
        return nullptr;
    }

    // Chooses `text` in the menu at `at`, as a click on it would.
    static void fromMenu(Fenetre &w, QPoint at, const QString &text)
    {
        QMenu *menu = contextMenu(w, at);
        QVERIFY(menu);
        QAction *action = actionOf(menu, text);
        QVERIFY2(action && action->isEnabled(), qPrintable(text));
        menu->close();
        action->trigger();
    }

    // Answers the next file dialog with `file`.
    static void answerFileDialog(const QString &file)
    {
        onNextModal<QFileDialog>([file](QFileDialog *dialog) {
            dialog->setDirectory(QFileInfo(file).absolutePath());
            dialog->selectFile(QFileInfo(file).fileName());
            static_cast<QDialog *>(dialog)->accept();
        });
    }

    static QString read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qunsetenv("OPENWEATHER_API_KEY"); // a weather panel asks nothing of the internet
        // Every layer is drawn anew at every step, however long it took, and the view rests
        // at the next turn of the event loop: the pixels read do not depend on the machine's
        // speed. (slowLayerIsExactOnceTheViewRests takes the other way.)
        mapPacing().frameMs = inf;
        mapPacing().restMs = 0;
    }

    void formMatchesItsLayout()
    {
        Fenetre w(network("net", kCities, kRoads));
        QCOMPARE(w.windowTitle(), QStringLiteral("GPS"));
        QCOMPARE(w.minimumSize(), QSize(800, 600)); // no control cut off; larger is fine
        QCOMPARE(w.size(), QSize(800, 600));
        struct Expect
        {
            const char *name;
            QRect geometry;
        };
        for (const Expect &e :
             {Expect{"comboBoxDepart", {10, 200, 131, 26}}, Expect{"label", {50, 30, 61, 51}},
              Expect{"comboBoxArrive", {10, 230, 131, 26}},
              Expect{"pushButtonTable", {20, 400, 111, 29}},
              Expect{"tableViewRoad", {20, 501, 521, 61}},
              Expect{"pushButtonTableRoad", {20, 440, 111, 29}},
              Expect{"pushButton", {10, 270, 131, 29}}, Expect{"comboBoxTime", {570, 500, 80, 26}},
              Expect{"comboBoxInfo", {669, 30, 91, 26}},
              Expect{"pushButtonMore", {490, 450, 31, 29}},
              Expect{"pushButtonLess", {530, 450, 31, 29}}, Expect{"label_2", {630, 550, 161, 41}},
              Expect{"frame_2", {-1, 180, 161, 401}}, Expect{"frame_3", {0, 480, 561, 101}},
              Expect{"frame_4", {20, 30, 111, 61}}}) {
            auto *widget = w.findChild<QWidget *>(e.name);
            QVERIFY2(widget, e.name);
            QCOMPARE(widget->parentWidget()->objectName(), QStringLiteral("frame"));
            QCOMPARE(widget->geometry(), e.geometry);
        }
        auto text = [&](const char *name) {
            if (auto *b = w.findChild<QPushButton *>(name))
                return b->text();
            return w.findChild<QLabel *>(name)->text();
        };
        QCOMPARE(text("pushButtonTable"), QStringLiteral("Global Matrix"));
        QCOMPARE(text("pushButtonTableRoad"), QStringLiteral("Travel Matrix"));
        QCOMPARE(text("pushButton"), QStringLiteral("cities"));
        QCOMPARE(text("pushButtonMore"), QStringLiteral("+"));
        QCOMPARE(text("pushButtonLess"), QStringLiteral("-"));
        QCOMPARE(text("label"), QStringLiteral("GPS"));
        const QFont title = w.findChild<QLabel *>("label")->font();
        QCOMPARE(title.pointSize(), 18);
        QVERIFY(title.bold());

        // The owner's notice: two lines that fit their label.
        auto *notice = w.findChild<QLabel *>("label_2");
        const QStringList lines = notice->text().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(notice->text().contains("GeoNames") && notice->text().contains("CC BY 4.0"));
        for (const QString &line : lines)
            QVERIFY2(notice->fontMetrics().horizontalAdvance(line) <= notice->width(),
                     qPrintable(line));

        auto *depart = w.findChild<QComboBox *>("comboBoxDepart");
        auto *arrive = w.findChild<QComboBox *>("comboBoxArrive");
        auto *time = w.findChild<QComboBox *>("comboBoxTime");
        auto *info = w.findChild<QComboBox *>("comboBoxInfo");
        QCOMPARE(depart->currentText(), QString::fromUtf8("City - start    \U0001F7E6"));
        QCOMPARE(arrive->currentText(), QString::fromUtf8("City - end     \U0001F7E9"));
        QCOMPARE(info->currentText(), QStringLiteral("Info city"));
        QVERIFY(!depart->isEditable() && !arrive->isEditable());
        QCOMPARE(time->count(), 2);
        QCOMPARE(time->itemText(0), QStringLiteral("minute"));
        QCOMPARE(time->itemText(1), QStringLiteral("hour"));
        for (QComboBox *box : {depart, arrive, info}) {
            QCOMPARE(box->count(), 6);
            QCOMPARE(box->currentIndex(), 0);
        }

        // Controls lie above the grey panels that were created after them.
        const QObjectList stack = w.findChild<QFrame *>("frame")->children();
        auto level = [&](const char *name) { return stack.indexOf(w.findChild<QWidget *>(name)); };
        QVERIFY(level("label") > level("frame_4"));
        QVERIFY(level("tableViewRoad") > level("frame_3"));
        QVERIFY(level("comboBoxDepart") > level("frame_2"));
        QVERIFY(level("frame_4") < level("frame_3") && level("frame_3") < level("frame_2"));

        // The controls do not follow the window's size.
        w.resize(1200, 900);
        QCOMPARE(w.findChild<QWidget *>("horizontalLayoutWidget")->geometry(),
                 QRect(-1, -1, 801, 601));
        QCOMPARE(w.findChild<QWidget *>("comboBoxTime")->geometry(), QRect(570, 500, 80, 26));
    }

    // The icon the programs show is built in, and drawable (the SVG plugin is there).
    void iconIsBuiltIn()
    {
        const QIcon icon(QStringLiteral(":/icons/gps.svg"));
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(64, 64).toImage();
        QCOMPARE(image.size(), QSize(64, 64));
        int opaque = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(opaque > 64 * 64 / 4); // drawn, not a blank square
    }

    // A network the first view of France does not show is fitted into the map area instead,
    // and Home comes back to that.
    void firstViewFitsANetworkOutsideFrance()
    {
        Fenetre w(network("us",
                          "id,name,dept,lat,lon\n1,Denver,CO,40,-100\n2,Atlanta,GA,30,-80\n"
                          "3,Chicago,IL,35,-90\n",
                          "Denver,Chicago,600\nChicago,Atlanta,500\n"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Map units: Denver (-2200, 400), Atlanta (-1700, 650); 600 x 440 pixels from (180, 20)
        // take 1.2 pixels a unit, centred.
        const QImage fitted = picture(w);
        QCOMPARE(fitted.pixelColor(180, 90), QColor(Qt::black));  // Denver
        QCOMPARE(fitted.pixelColor(480, 240), QColor(Qt::black)); // Chicago
        QCOMPARE(fitted.pixelColor(780, 390), QColor(Qt::black)); // Atlanta
        QWheelEvent in(QPointF(300, 300), w.mapToGlobal(QPointF(300, 300)), QPoint(),
                       QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&w, &in);
        QVERIFY(picture(w).pixelColor(480, 240) != QColor(Qt::black));
        w.setFocus();
        QTest::keyClick(&w, Qt::Key_Home);
        QCOMPARE(picture(w), fitted);
    }

    void slotsInOrder()
    {
        // The form connects them by name; their order is the class's published interface.
        const QMetaObject *meta = &Fenetre::staticMetaObject;
        QStringList names;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            if (meta->method(i).methodType() == QMetaMethod::Slot)
                names << meta->method(i).name();
        QCOMPARE(names, QStringList({"on_comboBoxDepart_currentTextChanged",
                                     "on_comboBoxArrive_currentTextChanged",
                                     "on_pushButtonTable_clicked", "on_pushButtonTableRoad_clicked",
                                     "on_pushButton_clicked", "on_comboBoxTime_currentTextChanged",
                                     "on_comboBoxInfo_currentTextChanged",
                                     "on_pushButtonMore_clicked", "on_pushButtonLess_clicked"}));
    }

    void citiesAreListedByCodeUnits()
    {
        Fenetre w(
            network("order", "h\n1,paris,,1,1\n2,Lyon,,1,1\n3,Zurich,,1,1\n4,Lyon,,2,2\n", ""));
        for (const char *name : {"comboBoxDepart", "comboBoxArrive", "comboBoxInfo"}) {
            auto *box = w.findChild<QComboBox *>(name);
            QStringList items;
            for (int i = 1; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, QStringList({"Lyon", "Lyon", "Zurich", "paris"}));
        }
    }

    void missingDataStillOpens()
    {
        // A folder that does not exist is said to be so, not as two unreadable files.
        Fenetre w(dir.filePath("nowhere"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxDepart")->count(), 1);
        QCOMPARE(w.loadMessages(), QStringList({QDir::toNativeSeparators(dir.filePath("nowhere")) +
                                                ": no such folder"}));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(tableOf(w).headers, QStringList({"Total"}));
        const auto boxes = w.findChildren<QMessageBox *>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0]->text().contains("nowhere does not exist"), qPrintable(boxes[0]->text()));
    }

    void routeTableTexts()
    {
        Fenetre w(network("net", kCities, kRoads));
        Table t = tableOf(w); // nothing chosen yet
        QCOMPARE(t.headers, QStringList({"Total"}));
        QCOMPARE(t.cells, QStringList({"0mn"}));
        QCOMPARE(t.rowHeader, QStringLiteral("Time(mn)"));

        choose(w, "comboBoxDepart", "X");
        QVERIFY(w.currentPath().empty()); // no arrival yet
        choose(w, "comboBoxArrive", "Z");
        QCOMPARE(w.currentPath(), std::vector<int>({2, 3, 4})); // V W X Y Z
        t = tableOf(w);
        QCOMPARE(t.headers, QStringList({"X", "Y", "Z", "Total"}));
        QCOMPARE(t.cells, QStringList({"0", "30mn", "45mn", "75mn"}));
        choose(w, "comboBoxTime", "hour");
        t = tableOf(w);
        QCOMPARE(t.cells, QStringList({"0", "0.5h", "0.75h", "1.25h"}));
        QCOMPARE(t.rowHeader, QStringLiteral("Time(h)"));

        choose(w, "comboBoxDepart", "V");
        choose(w, "comboBoxArrive", "X");
        QCOMPARE(tableOf(w).cells, QStringList({"0", "2.08333h", "2.08333h"}));
        choose(w, "comboBoxTime", "minute");
        QCOMPARE(tableOf(w).cells, QStringList({"0", "125mn", "125mn"}));

        choose(w, "comboBoxArrive", "W"); // no road leads there
        QCOMPARE(tableOf(w).cells, QStringList({"0", "no road", "no road"}));

        // The table shows the route; it cannot be typed into.
        auto *view = w.findChild<QTableView *>("tableViewRoad");
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Space);
        QTest::keyClicks(view, "oops");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(tableOf(w).cells, QStringList({"0", "no road", "no road"}));
        choose(w, "comboBoxArrive", "V"); // one city
        QCOMPARE(tableOf(w).headers, QStringList({"V", "Total"}));
        QCOMPARE(tableOf(w).cells, QStringList({"0", "0mn"}));

        // The placeholder chosen again names no city: no route.
        w.findChild<QComboBox *>("comboBoxArrive")->setCurrentIndex(0);
        QVERIFY(w.currentPath().empty());
        QCOMPARE(tableOf(w).headers, QStringList({"Total"}));
        QCOMPARE(tableOf(w).cells, QStringList({"0mn"}));
    }

    void tableTextsWithoutWidgets()
    {
        std::vector<City> cities(2);
        cities[0].setName("A");
        cities[1].setName("B");
        const RouteTableTexts t = ::routeTableTexts(cities, {0, 1}, {inf}, "h");
        QCOMPARE(t.cells, QStringList({"0", "no road", "no road"}));
        const RouteTableTexts three = ::routeTableTexts(cities, {0, 1, 0}, {30, inf}, "mn");
        QCOMPARE(three.cells, QStringList({"0", "30mn", "no road", "no road"}));
        QCOMPARE(formatTime(90, "mn"), QStringLiteral("90mn"));
        QCOMPARE(formatTime(1e7, "mn"), QStringLiteral("1e+07mn"));
        QCOMPARE(formatNumber(0.00001), QStringLiteral("1e-05"));
    }

    void mapPixels()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QImage img = picture(w);
        QCOMPARE(img.pixelColor(425, 250), QColor(Qt::black));  // X, truncated toward zero
        QCOMPARE(img.pixelColor(426, 251), QColor(Qt::black));  // a 2-pixel square
        QVERIFY(img.pixelColor(700, 400) != QColor(Qt::black)); // nothing there

        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");
        img = picture(w);
        QCOMPARE(img.pixelColor(425, 250), QColor(Qt::blue));
        QCOMPARE(img.pixelColor(450, 300), QColor(Qt::green));
        QCOMPARE(img.pixelColor(450, 262), QColor(Qt::red));  // the X-Y segment
        QCOMPARE(img.pixelColor(475, 275), QColor(Qt::red));  // the stop at Y
        QVERIFY(img.pixelColor(437, 275) != QColor(Qt::red)); // the direct X-Z road is not taken

        choose(w, "comboBoxArrive", "X"); // one city: only the end marker
        img = picture(w);
        QCOMPARE(img.pixelColor(425, 250), QColor(Qt::green));
        for (int y = 240; y < 262; ++y)
            for (int x = 415; x < 437; ++x)
                QVERIFY(img.pixelColor(x, y) != QColor(Qt::blue) &&
                        img.pixelColor(x, y) != QColor(Qt::red));

        // No road to W: both ends are marked, no line is drawn between them.
        choose(w, "comboBoxDepart", "V");
        choose(w, "comboBoxArrive", "W");
        img = picture(w);
        QCOMPARE(img.pixelColor(400, 225), QColor(Qt::blue));
        QCOMPARE(img.pixelColor(550, 250), QColor(Qt::green));
        for (int x = 410; x < 540; ++x)
            QVERIFY(img.pixelColor(x, 225 + (x - 400) / 6) != QColor(Qt::red));

        // A stop at map position -1 (longitude -12.04) is a stop like any other. (It lies left
        // of the map area, so the network is fitted: A at (180, 240), B at (780, 240).)
        Fenetre west(network("west", "h\n1,A,0,46,-12.04\n2,B,0,46,10\n", "A,B,10\n"));
        west.show();
        QVERIFY(QTest::qWaitForWindowExposed(&west));
        choose(west, "comboBoxDepart", "A");
        choose(west, "comboBoxArrive", "B");
        QCOMPARE(picture(west).pixelColor(450, 240), QColor(Qt::red));
    }

    void mapDrawsWhatThePlainLoopsDraw()
    {
        // The window draws from road lines worked out once; printCity and printRoad scan the
        // whole matrix. Same pixels, at every zoom level.
        const auto places = netgen::randomPlaces(300, 5);
        const QString where = network("random", netgen::citiesCsv(places),
                                      netgen::roadsCsv(places, netgen::nearestRoads(places, 4)));
        Matrix net;
        QVERIFY(net.loadCity(where + "/villes.csv"));
        QVERIFY(net.loadRoad(where + "/temps.csv"));
        net.setMatrix(Matrix::createMatrix(net.getCities(), net.getRoads()));
        Fenetre w(where);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int level = 0; level < 3; ++level) {
            QImage own(w.size(), QImage::Format_ARGB32_Premultiplied);
            w.render(&own, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            QImage plain(w.size(), QImage::Format_ARGB32_Premultiplied);
            plain.fill(w.palette().color(QPalette::Window));
            {
                QPainter p(&plain);
                w.printCity(p, net.getCities());
                w.printRoad(p, net.getCities(), net.getMatrix());
            }
            QVERIFY(own == plain);
            QVERIFY(own != QImage(own.size(), own.format())); // something was drawn
            w.findChild<QPushButton *>("pushButtonMore")->click();
        }
    }

    void zoomLimitsAndWheel()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *more = w.findChild<QPushButton *>("pushButtonMore");
        auto *less = w.findChild<QPushButton *>("pushButtonLess");
        QTest::mouseClick(less, Qt::LeftButton); // already at 1.0
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));
        QTest::mouseClick(more, Qt::LeftButton);
        QImage img = picture(w);
        QCOMPARE(img.pixelColor(448, 255), QColor(Qt::black)); // 1.1 x and -20
        QVERIFY(img.pixelColor(425, 250) != QColor(Qt::black));
        for (int i = 0; i < 7; ++i)
            QTest::mouseClick(more, Qt::LeftButton);
        // Level 1.8: trunc(-160 + 1.8000000000000007 x 425.5) = 605; the ninth press is ignored.
        QCOMPARE(picture(w).pixelColor(605, 291), QColor(Qt::black));
        QTest::mouseClick(more, Qt::LeftButton);
        QCOMPARE(picture(w).pixelColor(605, 291), QColor(Qt::black));
        for (int i = 0; i < 8; ++i)
            QTest::mouseClick(less, Qt::LeftButton);
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));

        // The wheel zooms about the pointer: over W, W stays and X (425.5, 250.9 on the map)
        // moves away from it, a quarter further per notch. (A real wheel event over the map
        // reaches the window through the frames above it, which ignore it; a sent one is not
        // passed on.)
        auto wheel = [&](QPointF at, int angle) {
            QWheelEvent e(at, w.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&w, &e);
        };
        wheel({550, 250}, 120);
        QImage zoomed = picture(w);
        QCOMPARE(zoomed.pixelColor(550, 250), QColor(Qt::black));
        QCOMPARE(zoomed.pixelColor(394, 251), QColor(Qt::black)); // 550 + 1.25 (425.5 - 550)
        QVERIFY(zoomed.pixelColor(425, 250) != QColor(Qt::black));
        wheel({550, 250}, -120); // and back
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));
        for (int i = 0; i < 30; ++i) // far deeper than the buttons go, X under the pointer
            wheel({425.5, 250.9}, 120);
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));
        QVERIFY(picture(w).pixelColor(550, 250) != QColor(Qt::black)); // W far away

        // Home is the first view again; + and - are the buttons.
        w.setFocus();
        QTest::keyClick(&w, Qt::Key_Home);
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));
        QTest::keyClick(&w, Qt::Key_Plus);
        QCOMPARE(picture(w).pixelColor(448, 255), QColor(Qt::black));
        QTest::keyClick(&w, Qt::Key_Minus);
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));

        // Dragging moves the map with the pointer, the route on it too; arrows move it by 50.
        auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent e(type, at, w.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(&w, &e);
        };
        mouse(QEvent::MouseButtonPress, {300, 150}, Qt::LeftButton);
        mouse(QEvent::MouseMove, {330, 160}, Qt::LeftButton);
        QCOMPARE(picture(w).pixelColor(455, 260), QColor(Qt::black)); // moving with the pointer
        mouse(QEvent::MouseMove, {350, 180}, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, {350, 180}, Qt::NoButton);
        QImage moved = picture(w);
        QCOMPARE(moved.pixelColor(475, 280), QColor(Qt::black));
        QCOMPARE(moved.pixelColor(600, 280), QColor(Qt::black)); // W
        QVERIFY(moved.pixelColor(425, 250) != QColor(Qt::black));
        QTest::keyClick(&w, Qt::Key_Right); // the view goes right: the map left
        QCOMPARE(picture(w).pixelColor(425, 280), QColor(Qt::black));
        QTest::keyClick(&w, Qt::Key_Home);
        QCOMPARE(picture(w).pixelColor(425, 250), QColor(Qt::black));
    }

    // A layer too slow to draw at every step (a large network, a slow machine) is moved and
    // scaled as a picture while the wheel and keys go on, then drawn anew once the view rests:
    // the same picture a fast machine shows at once.
    void slowLayerIsExactOnceTheViewRests()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto wheel = [&](QPointF at, int angle) {
            QWheelEvent e(at, w.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&w, &e);
        };
        const QImage first = picture(w);
        wheel({550, 250}, 240);
        const QImage zoomed = picture(w);
        w.setFocus();
        QTest::keyClick(&w, Qt::Key_Left);
        const QImage exact = picture(w);
        QTest::keyClick(&w, Qt::Key_Home);
        QCOMPARE(picture(w), first);

        const MapPacing fast = mapPacing();
        const auto restore = qScopeGuard([fast] { mapPacing() = fast; });
        mapPacing().frameMs = 0; // no layer is quick enough
        wheel({550, 250}, 240);
        QVERIFY(picture(w) != zoomed); // the first view's layer, scaled: squares blurred
        QTest::keyClick(&w, Qt::Key_Left);
        QTRY_COMPARE(picture(w), exact);
    }

    // The right-click menu: on a city, routes from and to it and its weather; anywhere on the
    // map, the view, names, land and the route taken away.
    void mapMenu()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!contextMenu(w, {60, 300})); // the panel beside the map has none

        QMenu *menu = contextMenu(w, {426, 251});
        QVERIFY(menu);
        QCOMPARE(menu->actions().constFirst()->text(), QStringLiteral("X")); // the city it is on
        QVERIFY(!actionOf(menu, "Copy the route")->isEnabled());             // no route yet
        QVERIFY(!actionOf(menu, "Save the route...")->isEnabled());
        menu->close();
        QVERIFY(!actionOf(contextMenu(w, {300, 120}), "Route from here")); // on no city
        QApplication::activePopupWidget()->close();

        fromMenu(w, {426, 251}, "Route from here");
        fromMenu(w, {451, 301}, "Route to here");
        QCOMPARE(w.findChild<QComboBox *>("comboBoxDepart")->currentText(), QStringLiteral("X"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxArrive")->currentText(), QStringLiteral("Z"));
        QCOMPARE(w.currentPath(), std::vector<int>({2, 3, 4})); // X, Y, Z
        QCOMPARE(picture(w).pixelColor(450, 300), QColor(Qt::green));

        fromMenu(w, {300, 120}, "Copy the route");
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("X\t0\nY\t30\nZ\t45\nTotal\t75\n"));
        w.findChild<QComboBox *>("comboBoxTime")->setCurrentText("hour");
        fromMenu(w, {300, 120}, "Copy the route");
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("X\t0\nY\t0.5\nZ\t0.75\nTotal\t1.25\n"));

        fromMenu(w, {476, 276}, "Weather here");
        const auto panels = w.findChildren<Info *>();
        QCOMPARE(panels.size(), 1);
        bool named = false;
        for (const QLabel *label : panels[0]->findChildren<QLabel *>())
            named = named || label->text() == QStringLiteral("Y");
        QVERIFY(named);
        panels[0]->close();

        // Names: the route's beside their squares; turned off, the map is the bare drawing.
        const QImage named1 = picture(w);
        fromMenu(w, {300, 120}, "City names");
        QVERIFY(!w.namesShown());
        const QImage bare = picture(w);
        QVERIFY(bare != named1);
        int differ = 0;
        for (int y = 230; y < 320; ++y)
            for (int x = 400; x < 560; ++x)
                differ += bare.pixel(x, y) != named1.pixel(x, y);
        QVERIFY(differ > 30);                                  // the three names, next to the route
        QCOMPARE(bare.pixelColor(425, 250), QColor(Qt::blue)); // no name over a stop
        QCOMPARE(named1.pixelColor(425, 250), QColor(Qt::blue));
        QCOMPARE(named1.pixelColor(475, 275), QColor(Qt::red));
        QCOMPARE(named1.pixelColor(450, 262), QColor(Qt::red));

        // Land under a network in France is there when asked for; Reset view after a zoom.
        QVERIFY(!w.landShown());
        fromMenu(w, {300, 120}, "Land and borders");
        QVERIFY(w.landShown());
        QVERIFY(picture(w).pixelColor(300, 120) != bare.pixelColor(300, 120));
        fromMenu(w, {300, 120}, "Land and borders");
        fromMenu(w, {300, 120}, "City names");
        QCOMPARE(picture(w), named1);
        QWheelEvent in(QPointF(300, 300), w.mapToGlobal(QPointF(300, 300)), QPoint(),
                       QPoint(0, 360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&w, &in);
        QVERIFY(picture(w) != named1);
        fromMenu(w, {300, 120}, "Reset view\tHome");
        QCOMPARE(picture(w), named1);
    }

    // The route leaves the window as GPX (read back by another program) or as the table's CSV;
    // the map as a PNG of what is on screen without the controls.
    void routeAndMapSaved()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");

        const QString gpx = dir.filePath("route.gpx");
        answerFileDialog(gpx);
        QTest::keySequence(&w, QKeySequence::Save);
        const QString text = read(gpx);
        QVERIFY(text.startsWith("<?xml"));
        QXmlStreamReader xml(text);
        QStringList names;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                xml.name() == QLatin1String("name"))
                names << xml.readElementText();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(names, QStringList({"X - Z", "X", "Y", "Z"}));
        const QString gpsbabel = QStandardPaths::findExecutable("gpsbabel");
        if (!gpsbabel.isEmpty()) {
            QProcess reader;
            reader.start(gpsbabel, {"-r", "-i", "gpx", "-f", gpx, "-o", "unicsv", "-F", "-"});
            QVERIFY(reader.waitForFinished(30000));
            QCOMPARE(reader.exitCode(), 0);
            QCOMPARE(
                QString::fromUtf8(reader.readAllStandardOutput())
                    .remove(u'\r')
                    .split('\n', Qt::SkipEmptyParts),
                QStringList({"No,Latitude,Longitude,Name,Notes", "1,45.964000,5.020000,\"X\",",
                             "2,45.000000,7.000000,\"Y\",\"leg 30 min, since the start 30 min\"",
                             "3,44.000000,6.000000,\"Z\",\"leg 45 min, since the start 75 min\""}));
        }

        const QString csv = dir.filePath("route.csv");
        answerFileDialog(csv);
        fromMenu(w, {300, 120}, "Save the route...");
        QCOMPARE(read(csv), QStringLiteral(",X,Y,Z,Total\r\nTime(mn),0,30mn,45mn,75mn\r\n"));

        // A file that cannot be written is said so; nothing else changes. (A folder that is an
        // ordinary file: no one, root included, can write in it, on any system.)
        const QString notAFolder = dir.filePath("not-a-folder");
        {
            QFile file(notAFolder);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
        }
        const QString nowhere = notAFolder + "/route.gpx";
        answerFileDialog(nowhere);
        auto said = std::make_shared<QString>();
        onNextModal<QMessageBox>([said](QMessageBox *box) {
            *said = box->text();
            box->accept();
        });
        w.activateWindow(); // keys go to the window, active again after the dialogs
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keySequence(&w, QKeySequence::Save);
        QVERIFY2(said->startsWith("Could not save " + QDir::toNativeSeparators(nowhere)),
                 qPrintable(*said));
        QVERIFY(!QFile::exists(nowhere));
        QCOMPARE(read(notAFolder), QStringLiteral("kept"));
        QCOMPARE(w.currentPath(), std::vector<int>({2, 3, 4}));

        const QString png = dir.filePath("map.png");
        answerFileDialog(png);
        fromMenu(w, {300, 120}, "Save the map as PNG...");
        const QImage saved(png);
        QCOMPARE(saved.size(), w.size());
        QCOMPARE(saved.convertToFormat(QImage::Format_ARGB32_Premultiplied), w.mapImage());
        QCOMPARE(saved.pixelColor(450, 300), QColor(Qt::green));
        QCOMPARE(saved.pixelColor(60, 300), w.palette().color(QPalette::Window)); // no panel
    }

    // Another network opens from the window, by a folder chooser or a drop, with the messages
    // of a start; the route stays when its cities are there.
    void openAnotherNetwork_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("cities");
        QTest::addColumn<QByteArray>("roads");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QStringList>("path"); // names of the route after
        QTest::addColumn<QString>("message");  // what the box says, when one shows
        const QByteArray more = kCities + "6,U,0,43,3\n";
        QTest::newRow("chooser, route kept") << "chooser" << more << kRoads + "U,Z,5\n"
                                             << true << QStringList({"X", "Y", "Z"}) << QString();
        QTest::newRow("folder dropped, route through the new road")
            << "drop folder" << kCities << QByteArray("X,Z,20\nX,Y,30\n") << true
            << QStringList({"X", "Z"}) << QString();
        QTest::newRow("city file dropped, its folder opens")
            << "drop file" << kCities << kRoads << true << QStringList({"X", "Y", "Z"})
            << QString();
        QTest::newRow("the route's end is gone")
            << "chooser" << QByteArray("h\n1,X,0,45.964,5.02\n2,Y,0,45,7\n") << kRoads << true
            << QStringList() << "Some of the network could not be read";
        QTest::newRow("a bad line is said, the rest opens")
            << "drop folder" << kCities + "7,Bad,0,north,3\n"
            << kRoads << true << QStringList({"X", "Y", "Z"})
            << "Some of the network could not be read";
        QTest::newRow("no city read: the network on show stays")
            << "drop folder" << QByteArray("id,name,dept,lat,lon\n") << kRoads << false
            << QStringList({"X", "Y", "Z"}) << "No city could be read";
    }

    void openAnotherNetwork()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, cities);
        QFETCH(QByteArray, roads);
        QFETCH(bool, opens);
        QFETCH(QStringList, path);
        QFETCH(QString, message);
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");
        const QString other = network(QTest::currentDataTag(), cities, roads);

        auto refused = std::make_shared<bool>(false); // the refusal was said
        if (!message.isEmpty() && !opens)
            onNextModal<QMessageBox>([message, refused](QMessageBox *box) {
                QVERIFY2(box->text().startsWith(message), qPrintable(box->text()));
                *refused = true;
                box->accept();
            });
        if (how == "chooser") {
            answerFileDialog(other);
            QTest::keySequence(&w, QKeySequence::Open);
        } else {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(how == "drop file" ? other + "/villes.csv" : other)});
            QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(&w, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
            QApplication::sendEvent(&w, &drop);
            // The folder opens once the drop is over.
            QTRY_VERIFY(opens ? w.networkFolder() == other : *refused);
        }
        QCOMPARE(w.networkFolder(), opens ? other : dir.filePath("net"));
        QStringList names;
        for (const int at : w.currentPath())
            names << w.findChild<QComboBox *>("comboBoxDepart")->itemText(at + 1);
        QCOMPARE(names, path);
        const auto boxes = w.findChildren<QMessageBox *>();
        if (opens && !message.isEmpty()) {
            QCOMPARE(boxes.size(), 1);
            QVERIFY2(boxes[0]->text().startsWith(message), qPrintable(boxes[0]->text()));
            QVERIFY(boxes[0]->detailedText().contains(".csv:"));
        } else {
            QCOMPARE(boxes.size(), 0);
        }
        QCOMPARE(tableOf(w).headers,
                 path.isEmpty() ? QStringList({"Total"}) : path + QStringList("Total"));
    }

    // A window made larger gives the map the room: the first view grows with it, and comes
    // back pixel for pixel at the first size.
    void grownWindowFitsTheMap()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage first = picture(w);
        w.resize(1280, 1024);
        // 1080 x 864 of map area: 1.8 times the first, from (180, 20), centred down by 36.
        // X (425.5, 250.9) lands at (-144 + 1.8 x 425.5, 20 + 1.8 x 250.9).
        QTRY_COMPARE(picture(w).pixelColor(621, 471), QColor(Qt::black));
        w.resize(800, 600);
        QTRY_COMPARE(picture(w), first);
        // Moved by the user, the view stays where it was put.
        w.setFocus();
        QTest::keyClick(&w, Qt::Key_Left);
        const QImage moved = picture(w);
        w.resize(1000, 700);
        QTRY_COMPARE(w.size(), QSize(1000, 700));
        QCOMPARE(picture(w).copy(0, 0, 800, 600), moved);
    }

    // Thousands of cities are drawn as a shaded web, not a black block; zoomed in,
    // the cities with room get their names, none over another.
    void crowdedNetworkStaysLegible()
    {
        const auto places = netgen::randomPlaces(6000, 3);
        Fenetre w(network("crowd", netgen::citiesCsv(places),
                          netgen::roadsCsv(places, netgen::nearestRoads(places, 3))));
        w.setNamesShown(false);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage img = picture(w).copy(180, 20, 600, 440);
        int black = 0, drawn = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                black += c == QColor(Qt::black);
                drawn += c != w.palette().color(QPalette::Window);
            }
        QVERIFY2(drawn > img.width() * img.height() / 10, qPrintable(QString::number(drawn)));
        QVERIFY2(black < img.width() * img.height() / 100, qPrintable(QString::number(black)));

        // Zoomed in, cities are squares again, and those with room are named.
        for (int i = 0; i < 10; ++i) {
            QWheelEvent in(QPointF(480, 240), w.mapToGlobal(QPointF(480, 240)), QPoint(),
                           QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&w, &in);
        }
        const QImage bare = picture(w);
        w.setNamesShown(true);
        // Names come once the view rests.
        const auto named = [&] {
            const QImage now = picture(w);
            int differ = 0;
            for (int y = 20; y < 460; ++y)
                for (int x = 180; x < 780; ++x)
                    differ += bare.pixel(x, y) != now.pixel(x, y);
            return differ;
        };
        QTRY_VERIFY2(named() > 2000, qPrintable(QString::number(named())));
    }

    void labelsNeverOverlap()
    {
        const QRect bounds(0, 0, 400, 300);
        LabelPlacer placer(bounds);
        placer.reserve(QRect(95, 95, 11, 11)); // a route stop
        // The first name goes on the right of its city, clear of the stop's square.
        QCOMPARE(placer.place(QPoint(100, 100), QSize(40, 12)), QRect(106, 94, 40, 12));
        // Crowded next to it: left, then above, then below, then no room.
        QCOMPARE(placer.place(QPoint(100, 100), QSize(30, 12)), QRect(64, 94, 30, 12));
        QCOMPARE(placer.place(QPoint(100, 100), QSize(30, 12)), QRect(85, 82, 30, 12));
        QCOMPARE(placer.place(QPoint(100, 100), QSize(30, 12)), QRect(85, 106, 30, 12));
        QVERIFY(placer.place(QPoint(100, 100), QSize(30, 12)).isNull());
        QVERIFY(!placer.mayFit(QPoint(100, 100), 12));
        QVERIFY(placer.place(QPoint(398, 150), QSize(30, 12)).left() < 398); // not off the edge
        QVERIFY(placer.place(QPoint(-50, 150), QSize(30, 12)).isNull());

        QRandomGenerator random(7);
        std::vector<QRect> boxes;
        for (int i = 0; i < 3000; ++i) {
            const QRect box = placer.place(QPoint(random.bounded(400), random.bounded(300)),
                                           QSize(10 + random.bounded(60), 12));
            if (!box.isNull())
                boxes.push_back(box);
        }
        QCOMPARE(int(boxes.size()) + 5, placer.placed());
        QVERIFY(boxes.size() > 50);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            QVERIFY(bounds.contains(boxes[i]));
            QVERIFY(!boxes[i].intersects(QRect(95, 95, 11, 11)));
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY(!boxes[i].intersects(boxes[j]));
        }
    }

    void landMapFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("land");
        QTest::addColumn<int>("borders");
        QTest::addColumn<int>("skipped");
        QTest::newRow("ring and border") << QByteArray("# note\nL 0 0 100 0 0 100 -100 0\nB 500 "
                                                       "4000 10 10\n")
                                         << 1 << 1 << 0;
        QTest::newRow("CRLF and blank lines")
            << QByteArray("\r\nL 0 0 100 0 0 100 -100 0\r\n\r\n") << 1 << 0 << 0;
        QTest::newRow("unknown kind") << QByteArray("X 0 0 1 1\n") << 0 << 0 << 1;
        QTest::newRow("odd number") << QByteArray("B 0 0 1\n") << 0 << 0 << 1;
        QTest::newRow("one point") << QByteArray("B 0 0\n") << 0 << 0 << 1;
        QTest::newRow("not a number") << QByteArray("B 0 0 1 x\n") << 0 << 0 << 1;
        QTest::newRow("beyond the globe")
            << QByteArray("B 0 0 30000 0 30000 0\nB 0 17000 0 2000\n") << 0 << 0 << 2;
        QTest::newRow("huge number") << QByteArray("B 0 0 99999999999999999999 0\n") << 0 << 0 << 1;
        QTest::newRow("bad among good")
            << QByteArray("L 0 0 100 0 0 100 -100 0\nB 1\nB 0 0 5 5\n") << 1 << 1 << 1;
    }

    void landMapFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, land);
        QFETCH(int, borders);
        QFETCH(int, skipped);
        int bad = -1;
        const LandMap map = parseLandMap(text, &bad);
        QCOMPARE(int(map.land.size()), land);
        QCOMPARE(int(map.borders.size()), borders);
        QCOMPARE(bad, skipped);
        if (land > 0) // hundredths of a degree, projected as the city files are
            QCOMPARE(map.land[0][1], QPointF(300 + 25 * 1.0, 1400 - 25 * 0.0));
    }

    // The land drawn is the real one: cities on land, seas as seas, in the cities' units.
    void builtInLandIsTheWorld()
    {
        const LandMap &map = builtInLandMap();
        QVERIFY(map.land.size() > 500 && map.borders.size() > 100);
        auto onLand = [&](double lon, double lat) {
            const QPointF p(300 + 25 * lon, 1400 - 25 * lat);
            int inside = 0;
            for (const QPolygonF &ring : map.land)
                inside += ring.containsPoint(p, Qt::OddEvenFill);
            return inside % 2 == 1;
        };
        QVERIFY(onLand(2.35, 48.85));    // Paris
        QVERIFY(onLand(-4.49, 48.39));   // Brest
        QVERIFY(onLand(-104.99, 39.74)); // Denver
        QVERIFY(!onLand(-5, 46));        // Bay of Biscay
        QVERIFY(!onLand(5, 41));         // Gulf of Lion
        QVERIFY(!onLand(50.5, 41.8));    // the Caspian Sea, a lake in its land
    }

    void tooltipNamesTheCity()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *frame = w.findChild<QFrame *>("frame");
        const QPoint on = frame->mapFrom(&w, QPoint(426, 251));
        QHelpEvent help(QEvent::ToolTip, on, frame->mapToGlobal(on));
        QApplication::sendEvent(frame, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("X"));
        const QPoint off = frame->mapFrom(&w, QPoint(330, 120));
        QHelpEvent nothing(QEvent::ToolTip, off, frame->mapToGlobal(off));
        QApplication::sendEvent(frame, &nothing);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void paintDoesNotAskForAnotherPaint()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        w.activateWindow(); // no late repaint from the window becoming active
        QVERIFY(QTest::qWaitForWindowActive(&w));
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");
        for (int round = 0; round < 5; ++round) // what the choices asked for, done
            QCoreApplication::processEvents();
        // The events posted so far, delivered: an update that a paint asks for is among them.
        // (Nothing else runs: no timer, no event of the window system.)
        const auto deliver = [] {
            for (int round = 0; round < 3; ++round)
                QCoreApplication::sendPostedEvents();
        };
        deliver();
        PaintCounter counter;
        w.installEventFilter(&counter);
        w.repaint();
        deliver();
        QCOMPARE(counter.paints, 1);
        // A choice repaints the map (and what lies behind the controls it touched), then the
        // window rests.
        choose(w, "comboBoxArrive", "Y");
        deliver();
        const int settled = counter.paints;
        QVERIFY(settled > 1);
        deliver();
        QCOMPARE(counter.paints, settled);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
