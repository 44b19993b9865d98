// Where the map is on screen: the transform from the cities' positions to pixels, as the
// buttons, the wheel, a drag, the keys and the window's size change it, tested first without a
// window, then in one.

#include "infinity.h"
#include "maplayers.h"
#include "mappacing.h"
#include "mapviewport.h"
#include "windowtest.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <optional>

namespace {

using windowtest::kCities;
using windowtest::kRoads;
using windowtest::kUsCities;
using windowtest::kUsRoads;
using windowtest::picture;

City at(double latitude, double longitude)
{
    City c;
    c.setCoordLong(mapXOfLongitude(longitude));
    c.setCoordLat(mapYOfLatitude(latitude));
    return c;
}

const std::vector<City> kUs{at(40, -100), at(30, -80), at(35, -90)};
// Spread over France: the view the map of France was drawn for.
const std::vector<City> kFrance{at(46, 5), at(42.5, -4), at(51, 8)};
// A town's few kilometres, a speck at the scale of France: fitted.
const std::vector<City> kTown{at(43.73, 7.42), at(43.75, 7.44), at(43.74, 7.43)};

// A viewport on `cities` in a window of `size`, at its first view.
MapViewport viewOf(const std::vector<City> &cities, QSize size = MapViewport::firstSize)
{
    MapViewport view;
    view.setWindowSize(size);
    view.setExtent(MapViewport::bulkExtent(cities));
    return view;
}

} // namespace

class TestMapView : public windowtest::WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        steadyPace();
    }

    // Degrees to pixels at the first view, the buttons' levels, in a larger window and on a
    // fitted network.
    void projection_data()
    {
        QTest::addColumn<QString>("net"); // France, or fitted: the US, a town
        QTest::addColumn<QSize>("window");
        QTest::addColumn<int>("presses"); // of the + button
        QTest::addColumn<QPointF>("degrees");
        QTest::addColumn<QPoint>("pixel");
        const QSize first = MapViewport::firstSize;
        const QPointF x(45.964, 5.02); // map (425.5, 250.9)
        QTest::newRow("first view") << "France" << first << 0 << x << QPoint(425, 250);
        QTest::newRow("one level in: 1.1 and -20")
            << "France" << first << 1 << x << QPoint(448, 255);
        // trunc(-160 + 1.8000000000000007 x 425.5) = 605
        QTest::newRow("eight levels in") << "France" << first << 8 << x << QPoint(605, 291);
        QTest::newRow("a ninth press does nothing")
            << "France" << first << 9 << x << QPoint(605, 291);
        QTest::newRow("Paris") << "France" << first << 0 << QPointF(48.85341, 2.34880)
                               << QPoint(358, 178);
        // 1080 x 864 of map area: 1.8 times the first view, centred down by 36.
        QTest::newRow("grown window")
            << "France" << QSize(1280, 1024) << 0 << x << QPoint(621, 471);
        // 500 x 250 map units in the 600 x 400 pixels above the scale bar: 1.2 pixels a unit,
        // centred there (480, 220).
        QTest::newRow("fitted: Denver")
            << "US" << first << 0 << QPointF(40, -100) << QPoint(180, 70);
        QTest::newRow("fitted: Atlanta")
            << "US" << first << 0 << QPointF(30, -80) << QPoint(780, 370);
        QTest::newRow("fitted: Chicago")
            << "US" << first << 0 << QPointF(35, -90) << QPoint(480, 220);
        // One level in about the middle of the map area (480, 240).
        QTest::newRow("fitted, one level in: Chicago")
            << "US" << first << 1 << QPointF(35, -90) << QPoint(480, 217);
        QTest::newRow("fitted, one level in: Denver")
            << "US" << first << 1 << QPointF(40, -100) << QPoint(150, 52);
        // A town fills the view, however small (as deep as the view goes), its middle in the
        // middle of the room above the scale bar.
        QTest::newRow("fitted town: its middle")
            << "town" << first << 0 << QPointF(43.74, 7.43) << QPoint(480, 220);
    }

    void projection()
    {
        QFETCH(QString, net);
        QFETCH(QSize, window);
        QFETCH(int, presses);
        QFETCH(QPointF, degrees);
        QFETCH(QPoint, pixel);
        MapViewport view = viewOf(net == "US" ? kUs : net == "town" ? kTown : kFrance, window);
        QCOMPARE(view.fitted(), net != "France");
        for (int i = 0; i < presses; ++i)
            view.zoomIn();
        QCOMPARE(view.project(at(degrees.x(), degrees.y())), pixel);
        // And back: the point under a pixel.
        const QPointF back = view.toMap(pixel);
        QVERIFY(std::abs(back.x() - mapXOfLongitude(degrees.y())) * view.zoom() < 1.01);
        QVERIFY(std::abs(back.y() - mapYOfLatitude(degrees.x())) * view.zoom() < 1.01);
    }

    // The wheel zooms about the point under the pointer, a drag and the arrows move the map,
    // Home comes back.
    void movesOfTheView()
    {
        MapViewport view = viewOf(kFrance);
        const City x = at(45.964, 5.02), w = at(46, 10); // map (425.5, 250.9), (550, 250)
        QVERIFY(view.zoomAbout({550, 250}, 1.25));
        QCOMPARE(view.project(w), QPoint(550, 250));
        QCOMPARE(view.project(x), QPoint(394, 251)); // 550 + 1.25 (425.5 - 550)
        QVERIFY(!view.atHome());
        QVERIFY(!view.zoomAbout({550, 250}, 1e9 / view.zoom() * MapViewport::deepest) ||
                view.zoom() == MapViewport::deepest);
        view.reset();
        QVERIFY(view.atHome());
        QCOMPARE(view.project(x), QPoint(425, 250));
        // Out, the wheel stops at half the first view, about the pointer still.
        for (int notch = 0; notch < 40; ++notch)
            view.zoomAbout({550, 250}, 1 / 1.25);
        QCOMPARE(view.level(), MapViewport::lowestLevel);
        QCOMPARE(view.project(w), QPoint(550, 250));
        QVERIFY(!view.zoomAbout({550, 250}, 1 / 1.25));
        view.reset();

        view.setDrag({30, 10});
        QCOMPARE(view.project(x), QPoint(455, 260));
        QCOMPARE(view.still().project(x), QPoint(425, 250)); // the layer drawn before the drag
        view.endDrag();
        QCOMPARE(view.project(x), QPoint(455, 260));
        QCOMPARE(view.dragged(), QPoint());
        view.moveBy({-50, 0});
        QCOMPARE(view.project(x), QPoint(405, 260));

        // A new size refits a view not moved, not one the user moved.
        view.setWindowSize({1280, 1024});
        QCOMPARE(view.project(x), QPoint(405, 260));
        view.reset();
        QCOMPARE(view.project(x), QPoint(621, 471));
        view.setWindowSize(MapViewport::firstSize);
        QCOMPARE(view.project(x), QPoint(425, 250));
    }

    // Nine levels from the first view to 1.8 times it, whatever the window and the network.
    void nineLevels_data()
    {
        QTest::addColumn<bool>("us");
        QTest::addColumn<QSize>("window");
        QTest::newRow("first size") << false << MapViewport::firstSize;
        QTest::newRow("grown window") << false << QSize(1280, 1024);
        QTest::newRow("wider window") << false << QSize(1500, 600);
        QTest::newRow("fitted") << true << MapViewport::firstSize;
        QTest::newRow("fitted, grown") << true << QSize(1280, 1024);
    }

    void nineLevels()
    {
        QFETCH(bool, us);
        QFETCH(QSize, window);
        MapViewport view = viewOf(us ? kUs : kFrance, window);
        const double first = view.zoom();
        QVERIFY(!view.zoomOut());
        int levels = 1;
        while (view.zoomIn() && levels < 20)
            ++levels;
        QCOMPARE(levels, 9);
        QVERIFY(std::abs(view.zoom() / first - 1.8) < 1e-9);
        QVERIFY(!view.beyondButtons());
        int back = 0;
        while (view.zoomOut() && back < 20)
            ++back;
        QCOMPARE(back, 8);
        QVERIFY(std::abs(view.zoom() / first - 1) < 1e-9);

        // In the window: twelve presses of + show nine pictures.
        Fenetre w(
            network(QTest::currentDataTag(), us ? kUsCities : kCities, us ? kUsRoads : kRoads));
        w.resize(window);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.size(), window);
        QSet<QByteArray> seen;
        auto *more = w.findChild<QPushButton *>("pushButtonMore");
        for (int i = 0; i <= 12; ++i) {
            const QImage image = picture(w);
            seen.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
            more->click();
        }
        QCOMPARE(seen.size(), 9);
    }

    // The bulk of a network: its strays (a position mistyped or left empty) do not count.
    void bulkExtent_data()
    {
        QTest::addColumn<QList<QPointF>>("degrees"); // latitude, longitude
        QTest::addColumn<QRectF>("bulk");            // latitudes top to bottom, longitudes
        QTest::newRow("no city") << QList<QPointF>{} << QRectF();
        QTest::newRow("one city") << QList<QPointF>{{46, 5}} << QRectF(5, 46, 0, 0);
        QTest::newRow("three far apart: all")
            << QList<QPointF>{{40, -100}, {30, -80}, {35, -90}} << QRectF(-100, 40, 20, -10);
        QList<QPointF> line;
        for (int i = 0; i < 10; ++i)
            line << QPointF(45, i);
        QTest::newRow("evenly spread: all") << line << QRectF(0, 45, 9, 0);
        QTest::newRow("four and one far off")
            << QList<QPointF>{{45, 0}, {45, 1}, {45, 2}, {45, 3}, {45, 40}} << QRectF(0, 45, 3, 0);
        QList<QPointF> france;
        for (int lat = 43; lat <= 50; ++lat)
            for (int lon = -4; lon <= 7; ++lon)
                france << QPointF(lat, lon);
        QTest::newRow("France, all") << france << QRectF(-4, 50, 11, -7);
        QTest::newRow("France and a city left at 0, 0")
            << france + QList<QPointF>{{0, 0}} << QRectF(-4, 50, 11, -7);
        QTest::newRow("France and a city at 48, 85341 (decimal commas)")
            << france + QList<QPointF>{{48, 85341}} << QRectF(-4, 50, 11, -7);
        // A continent's places and, a few tenths of a percent of them, islands far off its
        // coast (the Canaries, the Azores): the view is the continent's.
        QList<QPointF> continent;
        QRandomGenerator random(5);
        for (int i = 0; i < 5000; ++i)
            continent << QPointF(36 + random.bounded(24.0), -9 + random.bounded(34.0));
        continent << QPointF(36, -9) << QPointF(60, 25); // its corners, for the expected bounds
        for (int i = 0; i < 12; ++i)
            continent << QPointF(28 + random.bounded(1.0), -18 + random.bounded(4.0))
                      << QPointF(38 + random.bounded(1.0), -31 + random.bounded(6.0));
        QTest::newRow("a continent and its far islands") << continent << QRectF(-9, 60, 34, -24);
        QTest::newRow("a position beyond any number")
            << QList<QPointF>{{45, 1}, {kInf, 2}, {46, 3}} << QRectF(1, 46, 2, -1);
    }

    void bulkExtent()
    {
        QFETCH(QList<QPointF>, degrees);
        QFETCH(QRectF, bulk);
        std::vector<City> cities;
        for (const QPointF &d : degrees)
            cities.push_back(at(d.x(), d.y()));
        const std::optional<QRectF> found = MapViewport::bulkExtent(cities);
        QCOMPARE(found.has_value(), !degrees.isEmpty());
        if (!found)
            return;
        const QRectF expected(
            QPointF(mapXOfLongitude(bulk.left()), mapYOfLatitude(bulk.top())),
            QPointF(mapXOfLongitude(bulk.right()), mapYOfLatitude(bulk.bottom())));
        QVERIFY2(std::abs(found->left() - expected.left()) < 1e-6 &&
                     std::abs(found->right() - expected.right()) < 1e-6 &&
                     std::abs(found->top() - expected.top()) < 1e-6 &&
                     std::abs(found->bottom() - expected.bottom()) < 1e-6,
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(found->left())
                                .arg(found->top())
                                .arg(found->right())
                                .arg(found->bottom())));
    }

    // The wheel belongs to what is under the pointer: over a table or a panel it leaves the
    // map alone, however far it turns.
    void wheelOnlyOverTheMap()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage first = picture(w);
        for (const QPointF at : {QPointF(100, 530), QPointF(60, 300), QPointF(700, 40)})
            windowtest::wheel(w, at, -1200); // the route table, the left panel, the weather box
        QCOMPARE(picture(w), first);
        w.findChild<QPushButton *>("pushButtonTable")->click();
        windowtest::wheel(w, {400, 300}, -1200); // over the open table
        for (QWidget *panel : w.findChildren<QWidget *>("TableMatrix"))
            panel->close();
        QTRY_VERIFY(w.findChildren<QWidget *>("TableMatrix").isEmpty());
        QCOMPARE(picture(w), first);
        windowtest::wheel(w, {400, 300}, -120); // over the map
        QVERIFY(picture(w) != first);
    }

    // A city of the shipped network whose position was left empty (kept at 0, 0, and said) is
    // no reason to fit the view: the window draws what it draws without it.
    void strayCityChangesNothing()
    {
        QFile villes(GPS_SAMPLE_DATA_DIR "/villes.csv"), temps(GPS_SAMPLE_DATA_DIR "/temps.csv");
        QVERIFY(villes.open(QIODevice::ReadOnly) && temps.open(QIODevice::ReadOnly));
        const QByteArray cities = villes.readAll(), roads = temps.readAll();
        Fenetre sample(network("sample", cities, roads));
        Fenetre stray(network("stray", cities + "999,Nowhere,00,,\n", roads));
        QVERIFY(stray.loadMessages().join(QLatin1Char(10)).contains(":105: latitude"));
        for (Fenetre *w : {&sample, &stray}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
        QVERIFY(!stray.landShown() && !stray.namesShown());
        QCOMPARE(picture(stray), picture(sample));
        windowtest::choose(stray, "comboBoxDepart", "Brest");
        windowtest::choose(stray, "comboBoxArrive", "Strasbourg");
        windowtest::choose(sample, "comboBoxDepart", "Brest");
        windowtest::choose(sample, "comboBoxArrive", "Strasbourg");
        QCOMPARE(picture(stray), picture(sample));
    }

    // A network the first view of France does not show is fitted into the map area instead,
    // and Home comes back to that.
    void firstViewFitsANetworkOutsideFrance()
    {
        Fenetre w(network("us", kUsCities, kUsRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Map units: Denver (-2200, 400), Atlanta (-1700, 650); the 600 x 400 pixels from
        // (180, 20) above the scale bar take 1.2 pixels a unit, centred.
        const QImage fitted = picture(w);
        QCOMPARE(fitted.pixelColor(180, 70), QColor(Qt::black));  // Denver
        QCOMPARE(fitted.pixelColor(480, 220), QColor(Qt::black)); // Chicago
        QCOMPARE(fitted.pixelColor(780, 370), QColor(Qt::black)); // Atlanta
        windowtest::wheel(w, {300, 300}, 240);
        QVERIFY(picture(w).pixelColor(480, 220) != QColor(Qt::black));
        w.setFocus();
        QTest::keyClick(&w, Qt::Key_Home);
        QCOMPARE(picture(w), fitted);

        // A region as wide for its height as the map area, a town near its lower left corner
        // (fitted to the whole area, it lay under the scale bar): the town stays clear of it.
        Fenetre corner(network("corner",
                               "h\n1,North,0,64.4,20\n2,East,0,60,26\n3,Corner,0,60.2,20.3\n",
                               "North,East,10\n"));
        corner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&corner));
        const QImage drawn = picture(corner);
        const QRect bar = MapLayers::scaleBarBox(corner.size());
        for (int y = bar.top(); y <= bar.bottom(); ++y)
            for (int x = bar.left(); x <= bar.right(); ++x)
                QVERIFY2(drawn.pixelColor(x, y) != QColor(Qt::black) ||
                             drawn.pixelColor(x + 1, y + 1) != QColor(Qt::black),
                         qPrintable(QStringLiteral("a city at %1,%2").arg(x).arg(y)));
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
        // moves away from it, a quarter further per notch.
        const auto wheel = [&](QPointF at, int angle) { windowtest::wheel(w, at, angle); };
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
        const auto wheel = [&](QPointF at, int angle) { windowtest::wheel(w, at, angle); };
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
        const QRect map(161, 60, 500, 380); // no control there, at either size
        QCOMPARE(picture(w).copy(map), moved.copy(map));
    }
};

QTEST_MAIN(TestMapView)
#include "tst_mapview.moc"
