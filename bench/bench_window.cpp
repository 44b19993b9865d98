// Window figures on a synthetic network of 2,000 cities and 10,000 roads, rendered off screen:
// start-up, one full paint, a new arrival to the route shown, CPU while a route is shown, and
// the same with a paint that recomputes the route and asks for the next paint.
//   gps_bench_window [CITIES]

#include "Window.h"
#include "netgen.h"
#include "tablematrix.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <ctime>
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

long residentKiB()
{
#ifdef __linux__
    QFile f(QStringLiteral("/proc/self/statm"));
    if (f.open(QIODevice::ReadOnly))
        return f.readAll().split(' ').value(1).toLong() * 4;
#endif
    return -1;
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

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 2000;

    QTemporaryDir dir;
    const auto places = netgen::randomPlaces(n, 2026);
    const auto links = netgen::nearestRoads(places, 5.0);
    for (const auto &[name, bytes] : {std::pair{"villes.csv", netgen::citiesCsv(places)},
                                      std::pair{"temps.csv", netgen::roadsCsv(places, links)}}) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }
    out << "network: " << n << " cities, " << links.size() << " roads\n";

    QElapsedTimer t;
    std::vector<double> starts;
    for (int i = 0; i < 3; ++i) {
        t.start();
        Fenetre w(dir.path());
        starts.push_back(t.nsecsElapsed() / 1e9);
    }
    out << "start-up (constructor), median of 3: " << median(starts) << " s\n";

    const long rssBefore = residentKiB();
    Fenetre w(dir.path());
    w.show();
    QCoreApplication::processEvents();
    auto *depart = w.findChild<QComboBox *>(QStringLiteral("comboBoxDepart"));
    auto *arrive = w.findChild<QComboBox *>(QStringLiteral("comboBoxArrive"));
    depart->setCurrentIndex(1);
    arrive->setCurrentIndex(n);
    QCoreApplication::processEvents();
    out << "route shown: " << w.currentPath().size() << " cities\n";

    std::vector<double> paints;
    for (int i = 0; i < 50; ++i) {
        t.start();
        w.repaint();
        paints.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "one full paint, median of 50: " << median(paints) << " ms\n";

    std::mt19937 rng(7);
    std::vector<double> choices;
    for (int i = 0; i < 50; ++i) {
        const int index = 1 + int(rng() % unsigned(n));
        t.start();
        arrive->setCurrentIndex(index);
        w.repaint();
        choices.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "new arrival to route shown, median of 50: " << median(choices) << " ms\n";

    QCoreApplication::processEvents();
    out << "CPU while a route is shown, 3 s: " << 100 * cpuWhileIdle(3000) << " % of a core\n";

    for (int i = 0; i < 2000; ++i) {
        arrive->setCurrentIndex(1 + int(rng() % unsigned(n)));
        w.repaint();
    }
    QCoreApplication::processEvents();
    out << "resident memory: " << rssBefore / 1024 << " MiB before the window, "
        << residentKiB() / 1024 << " MiB after 2,100 route changes and paints\n";
    for (int round = 1; round <= 3; ++round) {
        const long rssMid = residentKiB();
        for (int i = 0; i < 2000; ++i) {
            arrive->setCurrentIndex(1 + int(rng() % unsigned(n)));
            w.repaint();
        }
        QCoreApplication::processEvents();
        out << "resident memory after " << round * 2000 << " more: " << residentKiB() / 1024
            << " MiB (growth " << (residentKiB() - rssMid) << " KiB)\n";
    }
    // "Global Matrix": the whole network's table.
    QCoreApplication::processEvents();
    const long rssTable = residentKiB();
    t.start();
    w.findChild<QPushButton *>(QStringLiteral("pushButtonTable"))->click();
    auto *panel = w.findChild<TableMatrix *>();
    auto *view = panel->findChild<QTableView *>();
    view->repaint();
    out << "Global Matrix open and drawn: " << t.nsecsElapsed() / 1e9 << " s, resident memory +"
        << (residentKiB() - rssTable) / 1024 << " MiB\n";
    std::vector<double> scrolls;
    for (int i = 1; i <= 50; ++i) {
        t.start();
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() * i / 50);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() * i / 50);
        view->viewport()->repaint();
        scrolls.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "table scroll step and repaint, median of 50: " << median(scrolls) << " ms\n";
    panel->close();
    w.hide();

    RecomputingWindow busy(dir.path(), places.front().name, places.back().name);
    busy.show();
    QCoreApplication::processEvents();
    const int before = busy.paints;
    const double cpu = cpuWhileIdle(3000);
    out << "for comparison, a paint that recomputes the route and asks for the next one: "
        << 100 * cpu << " % of a core while nothing changes (" << (busy.paints - before)
        << " paints in 3 s)\n";
    return 0;
}
