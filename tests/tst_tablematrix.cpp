#include "infinity.h"
#include "logging.h"
#include "modal.h"
#include "routetable.h"
#include "tablematrix.h"
#include "testsupport.h"
#include "timetablemodel.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>

#include <QThread>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace {

using testsupport::network;

// Cities of those names, in that order, with that matrix as it stands.
Matrix given(const QStringList &names, TimeMatrix times)
{
    std::vector<City> cities{std::size_t(names.size())};
    for (qsizetype i = 0; i < names.size(); ++i)
        cities[i].setName(names[i]);
    Matrix m;
    m.setCities(std::move(cities));
    m.setMatrix(std::move(times));
    return m;
}

QList<QStringList> cells(const TableMatrix &panel)
{
    const QAbstractItemModel *model = panel.findChild<QTableView *>("tableView")->model();
    QList<QStringList> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        rows << row;
    }
    return rows;
}

QStringList headers(const TableMatrix &panel, Qt::Orientation orientation)
{
    const QAbstractItemModel *model = panel.findChild<QTableView *>("tableView")->model();
    QStringList out;
    const int count = orientation == Qt::Horizontal ? model->columnCount() : model->rowCount();
    for (int i = 0; i < count; ++i)
        out << model->headerData(i, orientation).toString();
    return out;
}

} // namespace

class TestTableMatrix : public QObject
{
    Q_OBJECT

private slots:
    void formAndLog()
    {
        QVERIFY(!lcWindow().isDebugEnabled()); // quiet unless asked for
        QLoggingCategory::setFilterRules(QStringLiteral("gps.window.debug=true"));
        const auto quiet = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
        QTest::ignoreMessage(QtDebugMsg, "test2 :  3");
        QWidget parent;
        TableMatrix panel(&parent, network({"X", "Y", "Z"}, ""));
        QCOMPARE(panel.size(), QSize(685, 605));
        QCOMPARE(panel.windowTitle(), QStringLiteral("Form"));
        QCOMPARE(panel.findChild<QPushButton *>("pushButton")->text(), QStringLiteral("Return"));
        QCOMPARE(panel.findChild<QPushButton *>("pushButton")->geometry(), QRect(590, 450, 93, 29));
        QCOMPARE(panel.findChild<QTableView *>("tableView")->geometry(), QRect(160, 10, 491, 431));
        QVERIFY(!panel.isWindow()); // drawn inside its parent
        // In a window grown beyond its smallest size the table takes the room, the button by
        // its corner; at that size, all is where the form puts it.
        QWidget window;
        window.setMinimumSize(800, 600);
        window.resize(800, 600);
        TableMatrix grown(&window, network({"X", "Y", "Z"}, ""));
        QCOMPARE(grown.findChild<QTableView *>("tableView")->geometry(), QRect(160, 10, 491, 431));
        // At 800 x 600, the form's 685 x 605, the window showing beside its table; grown, by
        // what the window grew beyond both.
        QCOMPARE(grown.size(), QSize(685, 605));
        QVERIFY(!grown.autoFillBackground());
        window.show();
        window.resize(1200, 900);
        QTRY_COMPARE(grown.size(), QSize(685 + 400, 605 + 295));
        QCOMPARE(grown.findChild<QTableView *>("tableView")->geometry(), QRect(160, 10, 891, 726));
        QCOMPARE(grown.findChild<QPushButton *>("pushButton")->geometry(), QRect(990, 745, 93, 29));
    }

    void shortestTimesBetweenAllCities()
    {
        QWidget parent;
        const TableMatrix joined(&parent, network({"X", "Y", "Z"}, "X,Y,10\nY,Z,20\n"));
        QCOMPARE(headers(joined, Qt::Horizontal), QStringList({"X", "Y", "Z"}));
        QCOMPARE(headers(joined, Qt::Vertical), QStringList({"X", "Y", "Z"}));
        QCOMPARE(cells(joined),
                 QList<QStringList>({{"0", "10", "30"}, {"10", "0", "20"}, {"30", "20", "0"}}));

        const TableMatrix apart(&parent, network({"X", "Y", "Z"}, "X,Y,10\n"));
        QCOMPARE(cells(apart), QList<QStringList>({{"0", "10", "no road"},
                                                   {"10", "0", "no road"},
                                                   {"no road", "no road", "0"}}));
        // The panel shows the form's texts; what its numbers are is for a screen reader.
        QVERIFY(apart.findChildren<QLabel *>().isEmpty());
        QVERIFY(apart.findChild<QTableView *>("tableView")
                    ->accessibleDescription()
                    .contains("minutes"));

        const TableMatrix empty(&parent, Matrix());
        QCOMPARE(cells(empty).size(), 0);
    }

    void numberTexts()
    {
        const Matrix m = given({"A", "B"}, {{0.00001, 1e6}, {125.5, 90}});
        QWidget parent;
        QCOMPARE(cells(TableMatrix(&parent, m)),
                 QList<QStringList>({{"1e-05", "1e+06"}, {"125.5", "90"}}));
    }

    void matrixAndCityListOfOtherSizes()
    {
        // Fewer cities than the matrix has rows: the first rows and columns, shortest times.
        const Matrix bigger = given({"X", "Y"}, {{0, kInf, 5}, {kInf, 0, 7}, {5, 7, 0}});
        QWidget parent;
        QCOMPARE(cells(TableMatrix(&parent, bigger)),
                 QList<QStringList>({{"0", "12"}, {"12", "0"}}));

        // More cities than the matrix: cells without an entry stay empty, nothing is read past it.
        const Matrix longer = given({"X", "Y", "X"}, {{0, 4}, {4, 0}});
        QCOMPARE(cells(TableMatrix(&parent, longer)),
                 QList<QStringList>({{"0", "4", ""}, {"4", "0", ""}, {"", "", ""}}));
    }

    // A loaded network's panel shows what the all-pairs table holds, cell for cell, whether its
    // rows are worked out at once or in worker threads as they come into view; and a panel
    // closed with rows still to do goes at once.
    void networkPanels_data()
    {
        QTest::addColumn<bool>("background");
        QTest::addColumn<std::vector<int>>("positions");
        QTest::newRow("all, at once") << false << std::vector<int>{};
        QTest::newRow("all, in threads") << true << std::vector<int>{};
        QTest::newRow("route, repeats") << false << std::vector<int>{3, 0, 3, 1};
        QTest::newRow("route, in threads") << true << std::vector<int>{2, 1, 0, 1};
    }

    void networkPanels()
    {
        QFETCH(bool, background);
        QFETCH(std::vector<int>, positions);
        const Matrix m = network({"W", "X", "Y", "Z"}, "W,X,10\nX,Y,20\nY,Y,3\nX,Y,12\nY,X,25\n");
        const auto net = std::make_shared<const Network>(m.getCities(), m.getRoads());
        const TimeMatrix all = Matrix::Floyd_Warshall_Only(m.getMatrix());
        QList<QStringList> expected;
        const std::vector<int> order = positions.empty() ? std::vector<int>{0, 1, 2, 3} : positions;
        for (const int r : order) {
            QStringList row;
            for (const int c : order)
                row << (std::isinf(all[r][c]) ? QStringLiteral("no road")
                                              : formatNumber(all[r][c]));
            expected << row;
        }
        const int limit = TableMatrix::backgroundAbove();
        TableMatrix::setBackgroundAbove(background ? 0 : 1000);
        QWidget parent;
        const TableMatrix panel(&parent, net, positions);
        TableMatrix::setBackgroundAbove(limit);
        const auto *model =
            qobject_cast<const TimeTableModel *>(panel.findChild<QTableView *>()->model());
        QVERIFY(model);
        if (background) {
            // Rows come back through the event loop: until then they say they are coming.
            QCOMPARE(cells(panel).first().first(), QStringLiteral("…"));
            QTRY_COMPARE(model->rowsPending(), 0);
        }
        QTRY_COMPARE(cells(panel), expected);
        QCOMPARE(headers(panel, Qt::Vertical).size(), int(order.size()));

        // Rows still queued when the panel goes are dropped, not waited for. Each row holds
        // its worker until the queue is gone: however the threads are scheduled, no row can
        // end, and let another start, before the model is destroyed.
        std::vector<City> many(100);
        for (std::size_t i = 0; i < many.size(); ++i)
            many[i].setName(QString::number(i));
        const Network unjoined(many, {});
        std::atomic<int> started{0};
        std::atomic<bool> open{false};
        // Held by each queued or running row (and the model): the count falls as the queue
        // is dropped.
        const auto queued = std::make_shared<int>();
        std::thread opener;
        {
            TimeTableModel slow(
                many,
                [&, queued](int row) {
                    ++started;
                    while (!open)
                        std::this_thread::yield();
                    return unjoined.timesFrom(row);
                },
                true, 10);
            for (int r = 0; r < 100; ++r)
                slow.index(r, 0).data();
            QCOMPARE(slow.rowsPending(), 100);
            opener = std::thread([&] {
                const long running = QThread::idealThreadCount();
                // (Gives up after a long while only where the queue is wrongly waited for.)
                QDeadlineTimer patience(20000);
                while (queued.use_count() > 2 + running && !patience.hasExpired())
                    std::this_thread::yield();
                open = true;
            });
        }
        opener.join();
        QVERIFY2(queued.use_count() == 1, "rows still queued were waited for");
        QVERIFY(started >= 1);
        QVERIFY(started <= QThread::idealThreadCount());
    }

    void returnFreesThePanel()
    {
        QWidget parent;
        parent.show();
        QPointer<TableMatrix> panel = new TableMatrix(&parent, network({"X"}, ""));
        panel->show();
        QVERIFY(panel->isVisible());
        QTest::mouseClick(panel->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
        QTRY_VERIFY(panel.isNull());
        QVERIFY(parent.findChildren<TableMatrix *>().isEmpty());
    }
};

QTEST_MAIN(TestTableMatrix)
#include "tst_tablematrix.moc"
