// Window figures, rendered off screen, on a synthetic network (2,000 cities and 10,000 roads by
// default) or on a network folder: start-up, one full paint, moving and zooming the map, new
// routes, CPU while a route is shown, the "Global Matrix" panel, and (up to 3,000 cities) a paint
// that recomputes the route with the all-pairs loop and asks for the next paint.
// With names shown, the paint that places them. --first-picture: the network opened, the first
// paint and the names alone. --first-opening: a first opening with no kept image (a cache of its
// own), the window usable, a route typed at once, the hierarchy ready behind it, then a second
// opening from the image.
//   gps_bench_window [CITIES | DIR] [--first-picture | --first-opening]

#include "Window.h"
#include "citycompleter.h"
#include "citysearch.h"
#include "hierarchy.h"
#include "hierarchybehind.h"
#include "netgen.h"
#include "routefinder.h"
#include "routeplan.h"
#include "tablematrix.h"
#include "testsupport.h"
#include "timetablemodel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <ctime>
#include <functional>
#include <random>

namespace {

QTextStream out(stdout);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Share of one core used while the event loop runs for `ms`.
double cpuWhileIdle(int ms)
{
    const std::clock_t before = std::clock();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return double(std::clock() - before) / CLOCKS_PER_SEC / (ms / 1000.0);
}

using testsupport::residentKiB;

QString spread(const std::vector<double> &ms)
{
    return QStringLiteral("median %1 ms, worst %2 ms")
        .arg(median(ms), 0, 'f', 2)
        .arg(*std::max_element(ms.begin(), ms.end()), 0, 'f', 2);
}

// Frames while the map is moved and zoomed, as a person does it: each event, then the paint
// it asks for.
void mapFigures(Fenetre &w)
{
    QElapsedTimer t;
    auto frame = [&](const std::function<void()> &act) {
        t.start();
        act();
        w.repaint();
        return t.nsecsElapsed() / 1e6;
    };
    auto send = [&](QEvent &&e) { QApplication::sendEvent(&w, &e); };
    const QPointF centre(480, 240);
    auto wheel = [&](int angle) {
        send(QWheelEvent(centre, w.mapToGlobal(centre), QPoint(), QPoint(0, angle), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false));
    };
    // Waits for the redraw put off while the view moved, and times it.
    auto rest = [&] {
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 250)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::vector<double> redraws;
        for (int i = 0; i < 5; ++i)
            redraws.push_back(frame([&] { w.setLandShown(w.landShown()); }));
        return redraws;
    };

    // Land as the window chose it (off for a network in France, on for one it had to fit).
    const bool landFirst = w.landShown();
    for (const bool land : {false, true}) {
        w.setLandShown(land);
        std::vector<double> full;
        for (int i = 0; i < 10; ++i)
            full.push_back(frame([&] { w.setLandShown(land); }));
        out << "map: full redraw at the first view, land " << (land ? "on" : "off") << ": "
            << spread(full) << Qt::endl;
    }
    w.setLandShown(landFirst);
    w.repaint();
    std::vector<double> drag;
    send(QMouseEvent(QEvent::MouseButtonPress, centre, w.mapToGlobal(centre), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier));
    for (int i = 1; i <= 40; ++i) {
        const QPointF at = centre + QPointF(3 * i, 2 * i);
        drag.push_back(frame([&] {
            send(QMouseEvent(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::LeftButton,
                             Qt::LeftButton, Qt::NoModifier));
        }));
    }
    const double release = frame([&] {
        const QPointF at = centre + QPointF(120, 80);
        send(QMouseEvent(QEvent::MouseButtonRelease, at, w.mapToGlobal(at), Qt::LeftButton,
                         Qt::NoButton, Qt::NoModifier));
    });
    out << "map (land " << (landFirst ? "on" : "off")
        << "): drag frames, 40 moves: " << spread(drag) << "; redraw on release " << release
        << " ms" << Qt::endl;
    std::vector<double> keys;
    for (int i = 0; i < 10; ++i)
        keys.push_back(frame([&] {
            send(QKeyEvent(QEvent::KeyPress, i % 2 ? Qt::Key_Left : Qt::Key_Up, Qt::NoModifier));
        }));
    out << "map: arrow-key frames, 10 presses: " << spread(keys) << "; redraw at rest "
        << spread(rest()) << Qt::endl;
    for (const int notches : {6, 12, 30}) {
        std::vector<double> zoom;
        for (int i = 0; i < notches; ++i)
            zoom.push_back(frame([&] { wheel(120); }));
        out << "map: wheel-zoom frames, " << notches << " notches in: " << spread(zoom)
            << "; full redraw at the new zoom (names included) " << spread(rest()) << Qt::endl;
    }
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier));
    w.setLandShown(landFirst);
    w.repaint();
}

// The map as first designed: every paint recomputes the route from scratch, then asks for
// the next paint.
class RecomputingWindow : public Fenetre
{
public:
    RecomputingWindow(const QString &dir, const QString &a, const QString &b)
        : Fenetre(dir), a(a), b(b)
    {
        net.loadCity(dir + QStringLiteral("/villes.csv"));
        net.loadRoad(dir + QStringLiteral("/temps.csv"));
        net.setMatrix(Matrix::createMatrix(net.cityList(), net.getRoads()));
    }
    int paints = 0;

    void paintEvent(QPaintEvent *event) override
    {
        Fenetre::paintEvent(event);
        const auto route = Matrix::Floyd_Warshall(net.timeMatrix(), net.cityList(), a, b);
        net.setPathTime(route);
        ++paints;
        update();
    }

private:
    Matrix net;
    QString a, b;
};

// Names on, a route shown: the paint that places them, then one that reuses them.
void namesFigures(Fenetre &w)
{
    QElapsedTimer t;
    t.start();
    w.setNamesShown(true);
    w.repaint();
    const double first = t.nsecsElapsed() / 1e6;
    t.start();
    w.repaint();
    out << "names shown, route shown: first paint " << first << " ms, next paint "
        << t.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    w.setNamesShown(false);
}

// The cities dialog's text field on every name of the network: each keystroke of a few lists
// typed, as the completer answers it (the list of offers shown).
void typingFigures(const Network &network)
{
    QStringList names;
    names.reserve(qsizetype(network.cities().size()));
    for (const City &city : network.cities())
        names << city.getName();
    names.removeDuplicates();
    QElapsedTimer t;
    t.start();
    names = withoutCaseOrder(names);
    const double sorting = t.nsecsElapsed() / 1e6;
    QLineEdit edit;
    auto *completer = new CityCompleter(names, &edit);
    edit.show();
    std::vector<double> keys;
    for (const QString &list :
         {names.front() + ' ' + names.back().left(3), names[names.size() / 2]}) {
        edit.clear();
        for (const QChar c : list) {
            t.start();
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&edit, &press);
            QCoreApplication::processEvents();
            keys.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    const double first = keys.front();
    keys.erase(keys.begin());
    out << "cities dialog, " << names.size() << " names: first keystroke " << first
        << " ms (the list shown for the first time), then " << spread(keys) << " (" << keys.size()
        << " keys, " << completer->comparisons()
        << " names compared in all); names put in order once: " << sorting << " ms" << Qt::endl;
}

// Peak resident memory of this process in MiB (-1 where the system does not say).
long peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    return -1;
}

// The first opening as a user meets it: the window usable, a route typed into "cities" at once,
// the hierarchy in use later; then the second opening, from the image kept meanwhile.
int firstOpening(const QString &dir)
{
    QTemporaryDir cache; // no image yet
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    QElapsedTimer t;
    t.start();
    auto w = std::make_unique<Fenetre>(dir);
    w->show();
    QCoreApplication::processEvents();
    const double usable = t.nsecsElapsed() / 1e9;
    RoutePlan &plan = w->routePlan();
    const std::vector<City> &cities = plan.network().cities();
    if (cities.size() < 2)
        return 1;
    const QStringList stops{cities.front().getName(), cities[cities.size() / 2].getName()};
    QElapsedTimer r;
    r.start();
    plan.setStops(stops);
    w->repaint();
    const double route = r.nsecsElapsed() / 1e9, routed = t.nsecsElapsed() / 1e9;
    out << plan.network().size() << " cities, first opening (no image): window usable after "
        << usable << " s; a typed route of " << plan.path().size() << " cities shown "
        << route * 1000 << " ms later (" << routed << " s from the start)" << Qt::endl;
    auto *behind = w->findChild<HierarchyBehind *>();
    // Idle as a window would be: processEvents() with a time returns at once when nothing is
    // waiting, and a loop of it would take a core from the build.
    auto idle = [] {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    };
    while (!plan.network().hierarchy() && behind->busy())
        idle();
    const double ready = t.nsecsElapsed() / 1e9;
    while (behind->busy())
        idle();
    const double kept = t.nsecsElapsed() / 1e9;
    r.start();
    plan.setStops({stops[1], stops[0]});
    w->repaint();
    out << "  hierarchy " << (plan.network().hierarchy() ? "in use" : "given up") << " after "
        << ready << " s (" << ready - usable << " s after the window), image kept after " << kept
        << " s; a typed route then " << r.nsecsElapsed() / 1e6 << " ms; peak resident memory "
        << peakMiB() << " MiB" << Qt::endl;
    w.reset();
    t.start();
    Fenetre again(dir);
    again.show();
    QCoreApplication::processEvents();
    const double second = t.nsecsElapsed() / 1e9;
    r.start();
    again.routePlan().setStops(stops);
    const double found = r.nsecsElapsed() / 1e6;
    again.repaint();
    out << "  second opening (from the image): usable after " << second << " s, hierarchy "
        << (again.routePlan().network().hierarchy() ? "in it" : "not in it") << "; a typed route "
        << r.nsecsElapsed() / 1e6 << " ms (found in " << found << " ms, then the first paint)"
        << Qt::endl;
    // Then routes between random cities, each chosen and painted.
    std::mt19937 pick(11);
    std::vector<double> times;
    std::size_t passed = 0;
    const std::vector<City> &all =
        again.routePlan().network().cities(); // (the first window's went)
    for (int i = 0; i < 20; ++i) {
        const QString a = all[pick() % all.size()].getName(),
                      b = all[pick() % all.size()].getName();
        r.start();
        again.routePlan().setRoute(a, b);
        again.repaint();
        times.push_back(r.nsecsElapsed() / 1e6);
        passed += again.routePlan().path().size();
    }
    out << "  then 20 routes between random cities, each shown: median " << median(times)
        << " ms, worst " << *std::max_element(times.begin(), times.end()) << " ms (" << passed / 20
        << " cities a route)" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString arg = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("2000");
    const bool firstPictureOnly = argc > 2 && qstrcmp(argv[2], "--first-picture") == 0;
    const bool firstOpeningOnly = argc > 2 && qstrcmp(argv[2], "--first-opening") == 0;
    QTemporaryDir scratch;
    QString dir = scratch.path();
    std::vector<netgen::Place> places;
    if (QFileInfo(arg).isDir()) {
        dir = arg;
    } else {
        places = netgen::randomPlaces(arg.toInt(), 2026);
        const auto links = netgen::nearestRoads(places, 5.0);
        for (const auto &[name, bytes] :
             {std::pair{"villes.csv", netgen::citiesCsv(places)},
              std::pair{"temps.csv", netgen::roadsCsv(places, links)}}) {
            QFile f(scratch.filePath(name));
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                return 1;
        }
    }
    if (firstOpeningOnly)
        return firstOpening(dir);
    Network loaded;
    loaded.load(dir);
    const int n = loaded.size();
    out << "network: " << n << " cities, " << loaded.roadPairs().size() << " roads" << Qt::endl;

    QElapsedTimer t;
    if (!firstPictureOnly) {
        // The searches alone, as the window asks for them.
        RouteFinder finder(loaded);
        std::mt19937 pick(7);
        int from = 0, to = n - 1;
        std::vector<double> times;
        std::size_t cities = 0;
        for (int i = 0; i < 100; ++i) {
            (i % 5 == 4 ? from : to) = int(pick() % unsigned(n));
            t.start();
            cities += finder.route(from, to).size();
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        out << "route searches alone, 100 random pairs: median " << median(times) << " ms, worst "
            << *std::max_element(times.begin(), times.end()) << " ms, " << finder.searchCount()
            << " searches, " << cities / 100 << " cities a route" << Qt::endl;
        // The same through the hierarchy the kept image holds, where one is made.
        Network fast = loaded;
        t.start();
        fast.buildHierarchy();
        const double built = t.nsecsElapsed() / 1e9;
        if (fast.hierarchy()) {
            RouteFinder quick(fast);
            std::mt19937 again(7);
            from = 0, to = n - 1;
            times.clear();
            for (int i = 0; i < 100; ++i) {
                (i % 5 == 4 ? from : to) = int(again() % unsigned(n));
                t.start();
                quick.route(from, to);
                times.push_back(t.nsecsElapsed() / 1e6);
            }
            out << "the same through the hierarchy (built in " << built << " s): median "
                << median(times) << " ms, worst " << *std::max_element(times.begin(), times.end())
                << " ms" << Qt::endl;
        } else {
            out << "no hierarchy (given up after " << built << " s)" << Qt::endl;
        }
    }
    std::vector<double> starts;
    for (int i = 0; i < (firstPictureOnly ? 1 : 3); ++i) {
        t.start();
        Fenetre w(dir);
        starts.push_back(t.nsecsElapsed() / 1e9);
    }
    out << "start-up (constructor), median of " << starts.size() << ": " << median(starts) << " s"
        << Qt::endl;

    const long rssBefore = residentKiB();
    Fenetre w(dir);
    w.show();
    QCoreApplication::processEvents();
    auto *depart = w.findChild<QComboBox *>(QStringLiteral("comboBoxDepart"));
    auto *arrive = w.findChild<QComboBox *>(QStringLiteral("comboBoxArrive"));
    depart->setCurrentIndex(1);
    arrive->setCurrentIndex(n);
    QCoreApplication::processEvents();
    out << "route shown: " << w.currentPath().size() << " cities" << Qt::endl;
    if (!firstPictureOnly)
        mapFigures(w);

    std::vector<double> paints;
    for (int i = 0; i < 50; ++i) {
        t.start();
        w.repaint();
        paints.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "one full paint, median of 50: " << median(paints) << " ms" << Qt::endl;
    namesFigures(w);
    typingFigures(loaded);
    if (firstPictureOnly)
        return 0;

    std::mt19937 rng(7);
    std::vector<double> choices;
    for (int i = 0; i < 100; ++i) {
        // A new arrival, and every fifth time a new departure.
        QComboBox *box = i % 5 == 4 ? depart : arrive;
        const int index = 1 + int(rng() % unsigned(n));
        t.start();
        box->setCurrentIndex(index);
        w.repaint();
        choices.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "new departure or arrival to route shown, 100 random pairs: median " << median(choices)
        << " ms, worst " << *std::max_element(choices.begin(), choices.end()) << " ms" << Qt::endl;

    QCoreApplication::processEvents();
    out << "CPU while a route is shown, 3 s: " << 100 * cpuWhileIdle(3000) << " % of a core"
        << Qt::endl;

    // Fewer rounds on large networks, where a route is longer to draw and tabulate.
    const int changes = n > 3000 ? 300 : 2000;
    for (int i = 0; i < changes; ++i) {
        arrive->setCurrentIndex(1 + int(rng() % unsigned(n)));
        w.repaint();
    }
    QCoreApplication::processEvents();
    out << "resident memory: " << rssBefore / 1024 << " MiB before the window, "
        << residentKiB() / 1024 << " MiB after " << changes + 100 << " route changes and paints"
        << Qt::endl;
    for (int round = 1; round <= 3; ++round) {
        const long rssMid = residentKiB();
        for (int i = 0; i < changes; ++i) {
            arrive->setCurrentIndex(1 + int(rng() % unsigned(n)));
            w.repaint();
        }
        QCoreApplication::processEvents();
        out << "resident memory after " << round * changes << " more: " << residentKiB() / 1024
            << " MiB (growth " << (residentKiB() - rssMid) << " KiB)" << Qt::endl;
    }
    // "Global Matrix": the whole network's table.
    QCoreApplication::processEvents();
    const long rssTable = residentKiB();
    t.start();
    w.findChild<QPushButton *>(QStringLiteral("pushButtonTable"))->click();
    auto *panel = w.findChild<TableMatrix *>();
    auto *view = panel->findChild<QTableView *>();
    auto *model = qobject_cast<TimeTableModel *>(view->model());
    view->repaint();
    out << "Global Matrix open and drawn: " << t.nsecsElapsed() / 1e9 << " s";
    // Rows in view come from worker threads on large networks: wait for them, and note the
    // longest the event loop was held meanwhile.
    auto settle = [&] {
        QElapsedTimer step;
        double longest = 0;
        do {
            step.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            view->viewport()->repaint();
            longest = std::max(longest, step.nsecsElapsed() / 1e6);
        } while (model->rowsPending() > 0);
        return longest;
    };
    double held = settle();
    out << ", rows in view filled after " << t.nsecsElapsed() / 1e9 << " s (event loop held "
        << held << " ms at most), resident memory +" << (residentKiB() - rssTable) / 1024 << " MiB"
        << Qt::endl;
    std::vector<double> scrolls, fills;
    held = 0;
    for (int i = 1; i <= 50; ++i) {
        t.start();
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() * i / 50);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() * i / 50);
        view->viewport()->repaint();
        scrolls.push_back(t.nsecsElapsed() / 1e6);
        held = std::max(held, settle());
        fills.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "table jump and repaint, median of 50: " << median(scrolls)
        << " ms; rows in view filled after a jump: median " << median(fills) << " ms, worst "
        << *std::max_element(fills.begin(), fills.end()) << " ms (event loop held " << held
        << " ms at most)" << Qt::endl;
    panel->close();
    w.hide();
    if (n > 3000)
        return 0; // the all-pairs loop on every paint would take minutes a paint

    RecomputingWindow busy(dir, loaded.cities().front().getName(),
                           loaded.cities().back().getName());
    busy.show();
    QCoreApplication::processEvents();
    const int before = busy.paints;
    const double cpu = cpuWhileIdle(3000);
    out << "for comparison, a paint that recomputes the route and asks for the next one: "
        << 100 * cpu << " % of a core while nothing changes (" << (busy.paints - before)
        << " paints in 3 s)" << Qt::endl;
    return 0;
}
