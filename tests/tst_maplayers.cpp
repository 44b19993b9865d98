// What the map draws, layer by layer: land and borders, the network, city names, the route;
// names are placed where they hide neither a city nor the route.

#include "landmap.h"
#include "maplabels.h"
#include "maplayers.h"
#include "mappacing.h"
#include "netgen.h"
#include "network.h"
#include "routefinder.h"
#include "routeplan.h"
#include "windowtest.h"

#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

using windowtest::picture;

bool isRouteColour(const QColor &c)
{
    return c == Qt::red || c == Qt::blue || c == Qt::green;
}

} // namespace

class TestMapLayers : public windowtest::WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        steadyPace();
    }

    // With names on, on a network the program never saw: every city off the route is still
    // drawn at its pixel (under the route's colours at worst, never under a name), and the
    // route is drawn whole, no name over it.
    void namesHideNeitherCitiesNorTheRoute_data()
    {
        QTest::addColumn<int>("seed");
        QTest::addColumn<int>("level"); // presses of +
        QTest::newRow("300 cities") << 11 << 0;
        QTest::newRow("300 cities, zoomed in") << 12 << 4;
        QTest::newRow("300 cities, another") << 13 << 8;
    }

    void namesHideNeitherCitiesNorTheRoute()
    {
        QFETCH(int, seed);
        QFETCH(int, level);
        const auto places = netgen::randomPlaces(300, quint32(seed));
        Fenetre w(network(QTest::currentDataTag(), netgen::citiesCsv(places),
                          netgen::roadsCsv(places, netgen::nearestRoads(places, 3))));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int i = 0; i < level; ++i)
            w.findChild<QPushButton *>("pushButtonMore")->click();
        RoutePlan &plan = w.routePlan();
        const std::vector<City> &cities = plan.network().cities();
        // From the most westerly city to the most easterly: a long route across the map.
        int west = 0, east = 0;
        for (int i = 0; i < int(cities.size()); ++i) {
            if (cities[i].getCoordLong() < cities[west].getCoordLong())
                west = i;
            if (cities[i].getCoordLong() > cities[east].getCoordLong())
                east = i;
        }
        plan.setRoute(cities[west].getName(), cities[east].getName());
        QVERIFY(plan.path().size() > 3);
        const QImage bare = picture(w);
        w.setNamesShown(true);
        const QImage named = picture(w);
        QVERIFY(named != bare);

        // Every city off the route that the bare picture shows at its pixel (one under a
        // control shows nowhere) is still there, or under the route's colours.
        MapViewport view;
        view.setWindowSize(w.size());
        view.setExtent(MapViewport::bulkExtent(cities));
        for (int i = 0; i < level; ++i)
            view.zoomIn();
        int seen = 0;
        for (std::size_t i = 0; i < cities.size(); ++i) {
            const QPoint p = view.project(cities[i]);
            if (!bare.rect().contains(p) || bare.pixelColor(p) != Qt::black)
                continue;
            ++seen;
            QVERIFY2(named.pixelColor(p) == Qt::black || isRouteColour(named.pixelColor(p)),
                     qPrintable(cities[i].getName()));
        }
        QVERIFY2(seen > 100, qPrintable(QString::number(seen)));
        // The route: wherever the bare picture has its colours, the named one has them too.
        int routePixels = 0;
        for (int y = 0; y < bare.height(); ++y)
            for (int x = 0; x < bare.width(); ++x)
                if (isRouteColour(bare.pixelColor(x, y))) {
                    ++routePixels;
                    QVERIFY2(named.pixelColor(x, y) == bare.pixelColor(x, y),
                             qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
                }
        QVERIFY(routePixels > 100);

        // Under the route, too, no name: the names layer alone leaves the legs' pixels clear.
        NameRequest request;
        request.cities = &cities;
        const std::vector<int> order = MapLayers::prepare(plan.network()).nameOrder;
        request.order = &order;
        request.most = 400;
        request.font = w.font();
        const std::vector<int> &path = plan.path();
        request.stops.assign(path.begin(), path.end());
        for (std::size_t k = 1; k < path.size(); ++k)
            request.legs.emplace_back(view.project(cities[std::size_t(path[k - 1])]),
                                      view.project(cities[std::size_t(path[k])]));
        QImage names(w.size(), QImage::Format_ARGB32_Premultiplied);
        names.fill(Qt::transparent);
        {
            QPainter painter(&names);
            drawNamesLayer(painter, view, names.rect(), request);
        }
        int opaque = 0;
        for (const QLineF &leg : request.legs)
            for (double t = 0; t <= 1; t += 0.5 / std::max(1.0, leg.length())) {
                const QPoint p = leg.pointAt(t).toPoint();
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        if (names.rect().contains(p + QPoint(dx, dy)))
                            opaque += qAlpha(names.pixel(p + QPoint(dx, dy))) != 0;
            }
        QCOMPARE(opaque, 0);
        QVERIFY(names != QImage(names.size(), names.format())); // names were drawn
    }

    // The route's ends and the stops typed are named however crowded the view; the leading
    // cities come before lesser ones, whose squares stay in sight under a name; and finding
    // room costs a few comparisons a city, not a few for every square on the way.
    void namesByImportance_data()
    {
        QTest::addColumn<int>("cities"); // 0: the shipped sample
        QTest::addColumn<int>("typed");  // stops typed between the ends
        QTest::addColumn<QString>("named");
        QTest::newRow("sample: Paris at the first view") << 0 << 0 << "Paris";
        QTest::newRow("300 cities, a route") << 300 << 0 << "";
        QTest::newRow("3000 cities, typed stops") << 3000 << 3 << "";
        QTest::newRow("40,000 cities, typed stops") << 40000 << 6 << "";
    }

    void namesByImportance()
    {
        QFETCH(int, cities);
        QFETCH(int, typed);
        QFETCH(QString, named);
        Network net;
        if (cities == 0) {
            QVERIFY(net.load(GPS_SAMPLE_DATA_DIR) == Network::Load::Ok);
        } else {
            const auto places = netgen::randomPlaces(cities, quint32(cities));
            QVERIFY(net.load(network(QTest::currentDataTag(), netgen::citiesCsv(places),
                                     netgen::roadsCsv(places, netgen::nearestRoads(places, 3)))) ==
                    Network::Load::Ok);
        }
        const std::vector<City> &all = net.cities();
        MapViewport view;
        view.setExtent(MapViewport::bulkExtent(all));
        const QRect area = MapViewport::mapArea(view.firstSize).toAlignedRect();
        NameRequest request;
        request.cities = &all;
        const std::vector<int> order = MapLayers::prepare(net).nameOrder;
        request.order = &order;
        request.most = 400;
        request.leading = 12;
        request.font = QFont(QStringLiteral("DejaVu Sans"), 9);
        std::vector<int> path;
        if (cities > 0) {
            // West to east through stops spread between them: a long route across the crowd.
            std::vector<int> byWest(all.size());
            std::iota(byWest.begin(), byWest.end(), 0);
            std::sort(byWest.begin(), byWest.end(), [&](int a, int b) {
                return all[std::size_t(a)].getCoordLong() < all[std::size_t(b)].getCoordLong();
            });
            std::vector<int> stops;
            for (int k = 0; k <= typed + 1; ++k)
                stops.push_back(byWest[std::size_t(k) * (all.size() - 1) / std::size_t(typed + 1)]);
            RouteFinder finder(net);
            for (std::size_t k = 1; k < stops.size(); ++k) {
                const std::vector<int> leg = finder.route(stops[k - 1], stops[k]);
                QVERIFY(!leg.empty());
                path.insert(path.end(), leg.begin() + (path.empty() ? 0 : 1), leg.end());
            }
            request.stops = path;
            // As the window asks: the ends, then every stop typed (the ends among them).
            request.always = {path.front(), path.back()};
            request.always.insert(request.always.end(), stops.begin(), stops.end());
            for (std::size_t k = 1; k < path.size(); ++k)
                request.legs.emplace_back(view.project(all[std::size_t(path[k - 1])]),
                                          view.project(all[std::size_t(path[k])]));
        }
        QImage bare(view.firstSize, QImage::Format_ARGB32_Premultiplied);
        bare.fill(Qt::white);
        QPainter painter(&bare);
        const bool dense = drawNetworkLayer(painter, view, area, all, net.roadPairs()).dense;
        painter.end();
        request.squares = !dense;
        QImage image = bare;
        painter.begin(&image);
        const NamesDrawn drawn = drawNamesLayer(painter, view, area, request);
        painter.end();

        QSet<int> shown;
        for (std::size_t i = 0; i < drawn.names.size(); ++i) {
            QVERIFY2(!shown.contains(drawn.names[i].first), "a city named twice");
            shown.insert(drawn.names[i].first);
            QVERIFY(area.contains(drawn.names[i].second));
            for (std::size_t j = i + 1; j < drawn.names.size(); ++j)
                QVERIFY(!drawn.names[i].second.intersects(drawn.names[j].second));
        }
        for (const int at : request.always)
            QVERIFY2(shown.contains(at), qPrintable(all[std::size_t(at)].getName()));
        if (!named.isEmpty())
            QVERIFY(shown.contains(net.lastIndexOf(named)));
        QVERIFY2(drawn.comparisons <= 40 * qint64(all.size()) + 100000,
                 qPrintable(QString::number(drawn.comparisons)));
        if (!dense) {
            // Every square seen without names is seen with them.
            for (const City &city : all)
                if (const QPoint p = view.project(city);
                    area.contains(p) && bare.pixelColor(p) == Qt::black)
                    QVERIFY2(image.pixelColor(p) == Qt::black, qPrintable(city.getName()));
        }
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
        for (int i = 0; i < 10; ++i)
            windowtest::wheel(w, {480, 240}, 120);
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

    // Millions of long roads are summed into a picture of their density instead of drawn one by
    // one (minutes): the same shades as the lines give, and a sample of them shades alike.
    void crowdsOfLongRoadsAsDensity()
    {
        const auto restore = qScopeGuard([pacing = mapPacing()] { mapPacing() = pacing; });
        QRandomGenerator rng(5);
        std::vector<City> cities(4000);
        for (City &c : cities) {
            c.setCoordLong(200 + rng.bounded(350));
            c.setCoordLat(1150 + rng.bounded(250));
        }
        std::vector<std::pair<int, int>> roads;
        for (int r = 0; r < 8000; ++r)
            roads.emplace_back(int(rng.bounded(4000)), int(rng.bounded(4000)));
        MapViewport view;
        view.setExtent(MapViewport::bulkExtent(cities));
        const QRect area(0, 0, 600, 440);
        bool dense = true;
        auto draw = [&](double linePixels) {
            mapPacing().linePixels = linePixels;
            QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            dense = dense && drawNetworkLayer(painter, view, area, cities, roads).dense;
            return image;
        };
        const QImage lines = draw(qInf()), summed = draw(0), sampled = draw(200'000);
        QVERIFY(dense);
        // Mean difference of grey, and pixels drawn in one and not the other.
        auto compare = [&](const QImage &a, const QImage &b, double meanAtMost, int apartAtMost) {
            double sum = 0;
            int apart = 0, drawn = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x) {
                    const int ga = qGray(a.pixel(x, y)), gb = qGray(b.pixel(x, y));
                    sum += std::abs(ga - gb);
                    apart += (ga == 255) != (gb == 255);
                    drawn += ga != 255;
                }
            const double mean = sum / (a.width() * a.height());
            QVERIFY2(drawn > a.width() * a.height() / 4, qPrintable(QString::number(drawn)));
            QVERIFY2(mean <= meanAtMost && apart <= apartAtMost,
                     qPrintable(QStringLiteral("mean %1, apart %2").arg(mean).arg(apart)));
        };
        compare(lines, summed, 16, area.width() * area.height() / 20);
        compare(summed, sampled, 25, area.width() * area.height() / 10);
    }

    // A typed route rings the stops typed, not the cities it passes through; a two-city route
    // is drawn as it always was.
    void typedStopsStandOut()
    {
        Network net;
        QVERIFY(net.load(network("typed", windowtest::kCities, windowtest::kRoads)) ==
                Network::Load::Ok);
        MapViewport view;
        view.setExtent(MapViewport::bulkExtent(net.cities()));
        const std::vector<int> path{0, 2, 3, 4}; // V X Y Z, typed as "V Y Z"
        const auto draw = [&](const QStringList &typed) {
            QImage image(view.firstSize, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            drawRouteLayer(painter, view, net, net.cities(), path, net.legTimes(path), typed);
            return image;
        };
        const QImage typed = draw({"V", "Y", "Z"}), plain = draw({});
        const QColor ring(0x80, 0, 0);
        QCOMPARE(typed.pixelColor(475 - 7, 275), ring); // Y, typed
        QCOMPARE(plain.pixelColor(475 - 7, 275), QColor(Qt::white));
        QVERIFY(typed.pixelColor(425 - 7, 250) != ring); // X, passed through
        int differ = 0;
        for (int y = 0; y < typed.height(); ++y)
            for (int x = 0; x < typed.width(); ++x)
                differ += typed.pixel(x, y) != plain.pixel(x, y);
        QVERIFY2(differ > 40 && differ < 140, qPrintable(QString::number(differ))); // one ring
    }

    // Where the folder gives a road's shape, the map and the route follow it rather than the
    // straight line between the cities; the others stay straight.
    void roadsAlongTheirShapes()
    {
        const QString folder = network("shaped", windowtest::kCities, windowtest::kRoads);
        {
            QFile f(folder + "/shapes.csv");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("from,to,km,lat,lon\nX,Y,150,45.964,5.02,46.8,6,45,7\n");
        }
        Network net;
        QVERIFY(net.load(folder) == Network::Load::Ok);
        MapViewport view;
        view.setExtent(MapViewport::bulkExtent(net.cities()));
        const QPoint bend = view.project(mapXOfLongitude(6), mapYOfLatitude(46.8));
        const QPoint x = view.project(net.cities()[2]), y = view.project(net.cities()[3]);
        const QPoint straight = (x + y) / 2;
        const Network plain(net.cities(), net.roads()); // the same roads, no shapes
        const std::vector<int> path{2, 3};              // X Y
        const auto draw = [&](const Network &on, bool route) {
            QImage image(view.firstSize, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            const MapLayers::Drawing drawing = MapLayers::prepare(on);
            if (route)
                drawRouteLayer(painter, view, on, on.cities(), path, on.legTimes(path));
            else
                drawNetworkLayer(painter, view, QRect(QPoint(), view.firstSize), on.cities(),
                                 drawing.roads, &on.shapes(), drawing.shapes);
            return image;
        };
        const QImage shaped = draw(net, false), straightImage = draw(plain, false);
        QCOMPARE(shaped.pixelColor(bend), QColor(Qt::black));
        QCOMPARE(shaped.pixelColor(straight), QColor(Qt::white));
        QCOMPARE(straightImage.pixelColor(bend), QColor(Qt::white));
        QCOMPARE(straightImage.pixelColor(straight), QColor(Qt::black));
        // The other roads as they were.
        const QPoint z = view.project(net.cities()[4]);
        QCOMPARE(shaped.pixelColor(y + (z - y) * 2 / 5), QColor(Qt::black));
        const QImage route = draw(net, true), straightRoute = draw(plain, true);
        QCOMPARE(route.pixelColor(bend), QColor(Qt::red));
        QCOMPARE(route.pixelColor(straight), QColor(Qt::white));
        QCOMPARE(straightRoute.pixelColor(straight), QColor(Qt::red));

        // Through a town it only passes, the route does not go to the town's road node and
        // back (B's node N, a degree north of B, reached from J); to a stop typed, it does.
        const QString town = network("town",
                                     "id,name,dept,lat,lon\n1,A,1,45,4\n2,B,1,46,5\n"
                                     "3,C,1,45,6\n",
                                     "A,B,10\nB,C,12\n");
        {
            QFile f(town + "/shapes.csv");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("A,B,100,45,4,45.5,5,47,5,46,5\nB,C,120,46,5,47,5,45.5,5,45,6\n");
        }
        Network passing;
        QVERIFY(passing.load(town) == Network::Load::Ok);
        MapViewport near;
        near.setExtent(MapViewport::bulkExtent(passing.cities()));
        const QPoint node = near.project(mapXOfLongitude(5), mapYOfLatitude(46.6));
        const auto drawTown = [&](const QStringList &typed) {
            QImage image(near.firstSize, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            drawRouteLayer(painter, near, passing, passing.cities(), {0, 1, 2},
                           passing.legTimes({0, 1, 2}), typed);
            return image;
        };
        QCOMPARE(drawTown({}).pixelColor(node), QColor(Qt::white));
        QCOMPARE(drawTown({"A", "B", "C"}).pixelColor(node), QColor(Qt::red));
    }

    // The scale: a round number of kilometres, as long as the view's scale makes it in the
    // middle of the map (a degree of longitude is 111.32 km by the cosine of the latitude).
    void scaleBar_data()
    {
        QTest::addColumn<double>("zoom"); // wheel factor from the first view
        QTest::addColumn<int>("length");  // pixels
        // Middle of the map area at the first view: latitude 45.6; 3.118 km a pixel.
        QTest::newRow("first view: 200 km") << 1.0 << 64;
        QTest::newRow("ten times in: 20 km") << 10.0 << 64;
        QTest::newRow("four times in: 50 km") << 4.0 << 64;
        QTest::newRow("two and a half times in: 100 km") << 2.5 << 80;
    }

    void scaleBar()
    {
        QFETCH(double, zoom);
        QFETCH(int, length);
        MapViewport view;
        view.setExtent(QRectF(300, 200, 100, 100));
        const QRectF area = MapViewport::mapArea(view.firstSize);
        view.zoomAbout(area.center(), zoom);
        QImage image(view.firstSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            drawScaleBar(painter, view, area);
        }
        const int y = int(area.bottom()) - 12, x0 = int(area.left()) + 10;
        int drawn = 0;
        while (qAlpha(image.pixel(x0 + drawn, y)) > 0)
            ++drawn;
        QVERIFY2(std::abs(drawn - length) <= 1, qPrintable(QString::number(drawn)));
        QVERIFY(drawn <= 120);
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
        // A name of a megabyte makes a label of a line, cut between two characters.
        QCOMPARE(mapLabel("Lyon"), QStringLiteral("Lyon"));
        QCOMPARE(mapLabel(QString(1 << 20, u'x')), QString(48, u'x') + QChar(0x2026));
        const QString emoji = QString(47, u'x') + QString::fromUtf8("\xf0\x9f\x98\x80") + "yz";
        QCOMPARE(mapLabel(emoji), QString(47, u'x') + QChar(0x2026));

        // A leg of the route is kept clear: the name goes to the other side, or nowhere.
        placer.avoid(QLineF(200, 50, 300, 50), 3);
        QCOMPARE(placer.place(QPoint(200, 50), QSize(40, 12)), QRect(154, 44, 40, 12));
        placer.avoid(QLineF(200, 50, 150, 50), 3);
        QCOMPARE(placer.place(QPoint(200, 50), QSize(40, 12)), QRect(180, 32, 40, 12));
        placer.avoid(QLineF(200, 50, 200, 0), 3);
        placer.avoid(QLineF(200, 50, 200, 100), 3);
        QVERIFY(placer.place(QPoint(200, 50), QSize(40, 12)).isNull());
        QCOMPARE(placer.place(QPoint(330, 70), QSize(20, 12)), QRect(336, 64, 20, 12));
        // Just under the leg: neither right, left nor above, which reach it; below.
        QCOMPARE(placer.place(QPoint(280, 56), QSize(20, 12)), QRect(270, 62, 20, 12));

        QRandomGenerator random(7);
        std::vector<QRect> boxes;
        for (int i = 0; i < 3000; ++i) {
            const QRect box = placer.place(QPoint(random.bounded(400), random.bounded(300)),
                                           QSize(10 + random.bounded(60), 12));
            if (!box.isNull())
                boxes.push_back(box);
        }
        QCOMPARE(int(boxes.size()) + 9, placer.placed());
        QVERIFY(boxes.size() > 50);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            QVERIFY(bounds.contains(boxes[i]));
            QVERIFY(!boxes[i].intersects(QRect(95, 95, 11, 11)));
            QVERIFY(!boxes[i].intersects(QRect(198, 0, 5, 101)));  // the vertical legs
            QVERIFY(!boxes[i].intersects(QRect(150, 48, 151, 5))); // the horizontal ones
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

    // The land is drawn where its lines are finer than the view, faded, then left out where
    // they are coarser (a valley fitted to the view would sit in a diamond of a country).
    void landOnlyWhereItServes_data()
    {
        QTest::addColumn<double>("zoom"); // wheel factor from the first view
        QTest::addColumn<double>("opacity");
        QTest::newRow("first view") << 1.0 << 1.0;
        QTest::newRow("the buttons' deepest") << 1.8 << 1.0;
        QTest::newRow("four times") << 4.0 << 1.0;
        QTest::newRow("twelve times") << 12.0 << 0.5;
        QTest::newRow("a valley, eighty times") << 80.0 << 0.0;
    }

    void landOnlyWhereItServes()
    {
        QFETCH(double, zoom);
        QFETCH(double, opacity);
        MapViewport view;
        const QRect area = MapViewport::mapArea(view.firstSize).toRect();
        if (zoom > 1)
            QVERIFY(view.zoomAbout(QPointF(area.center()), zoom));
        QCOMPARE(view.zoom(), zoom);
        QCOMPARE(landOpacity(view), opacity);
        QImage image(view.firstSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        drawLandLayer(painter, view, area);
        painter.end();
        // (Sea or land, one layer deep: never the land's fill over the sea's.)
        QVERIFY(std::abs(qAlpha(image.pixel(area.center())) - 255 * opacity) <= 1);
    }
};

QTEST_MAIN(TestMapLayers)
#include "tst_maplayers.moc"
