#include "Window.h"
#include "modal.h"
#include "tablematrix.h"

#include <QComboBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Sorted: V W X Y Z. Roads: X-Y 30, Y-Z 45, X-Z 90, V-X 125; W stands alone.
const QByteArray kCities =
    "h\n1,Y,0,45,7\n2,X,0,45.964,5.02\n3,Z,0,44,6\n4,V,0,47,4\n5,W,0,46,10\n";
const QByteArray kRoads = "X,Y,30\nY,Z,45\nX,Z,90\nV,X,125\n";
enum
{
    V,
    W,
    X,
    Y,
    Z
};

QStringList tableRow(const QTableView *view, int row, bool header = false)
{
    const QAbstractItemModel *model = view->model();
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << (header ? model->headerData(c, Qt::Horizontal).toString()
                       : model->index(row, c).data().toString());
    return out;
}

} // namespace

class TestRouteCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString data;

    // Presses "cities" and answers the dialog with `text` (or cancels it).
    static void typeRoute(Fenetre &w, const QString &text, bool accept = true)
    {
        onNextModal<QInputDialog>([text, accept](QInputDialog *input) {
            QCOMPARE(input->windowTitle(), QStringLiteral("Cities"));
            QCOMPARE(input->labelText(),
                     QStringLiteral("Enter cities name split by ' ' like : Paris Marseille"));
            input->setTextValue(text);
            accept ? input->accept() : input->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
    }

    // Runs `trigger`, answers the information box it opens and returns the box's text.
    template <class Trigger> static QString messageOf(Trigger trigger)
    {
        QString text;
        onNextModal<QMessageBox>([&text](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("ALLERTE"));
            text = box->text();
            box->accept();
        });
        trigger();
        return text;
    }

    static const TableMatrix *lastPanel(const Fenetre &w)
    {
        const auto panels = w.findChildren<TableMatrix *>();
        return panels.isEmpty() ? nullptr : panels.last();
    }

    static const QTableView *routeTable(const Fenetre &w)
    {
        return w.findChild<QTableView *>("tableViewRoad");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        for (const auto &[file, bytes] :
             {std::pair{"villes.csv", kCities}, std::pair{"temps.csv", kRoads}}) {
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        data = dir.path();
    }

    void joinsLegsInOrder()
    {
        Fenetre w(data);
        typeRoute(w, "X Z");
        QCOMPARE(w.currentPath(), std::vector<int>({X, Y, Z})); // as the two-city route
        typeRoute(w, "V Y Z");
        QCOMPARE(w.currentPath(), std::vector<int>({V, X, Y, Z})); // Y once
        QCOMPARE(w.currentPathTime(), std::vector<double>({125, 30, 45}));
        QCOMPARE(tableRow(routeTable(w), 0, true), QStringList({"V", "X", "Y", "Z", "Total"}));
        QCOMPARE(tableRow(routeTable(w), 0), QStringList({"0", "125mn", "30mn", "45mn", "200mn"}));
        // Runs of spaces make no empty names.
        typeRoute(w, "  X   Z ");
        QCOMPARE(w.currentPath(), std::vector<int>({X, Y, Z}));
        // The last leg's names stay: a new departure runs to its end.
        w.findChild<QComboBox *>("comboBoxDepart")->setCurrentText("V");
        QCOMPARE(w.currentPath(), std::vector<int>({V, X, Y, Z}));
    }

    void unknownNamesAreReportedAndChangeNothing()
    {
        Fenetre w(data);
        typeRoute(w, "X Z");
        const std::vector<int> before = w.currentPath();
        const QString text = messageOf([&] { typeRoute(w, "X Atlantis Z Gotham x"); });
        QVERIFY2(text.contains("\"Atlantis\"") && text.contains("\"Gotham\"") &&
                     text.contains("\"x\""),
                 qPrintable(text));
        QVERIFY(!text.contains("\"Z\""));
        QCOMPARE(w.currentPath(), before);
        QCOMPARE(tableRow(routeTable(w), 0, true), QStringList({"X", "Y", "Z", "Total"}));
    }

    void cancelKeepsTheRoute()
    {
        Fenetre w(data);
        typeRoute(w, "V Z");
        const std::vector<int> before = w.currentPath();
        typeRoute(w, "", false);
        QCOMPARE(w.currentPath(), before);
        // The travel table still shows the route's cities.
        w.findChild<QPushButton *>("pushButtonTableRoad")->click();
        QVERIFY(lastPanel(w));
        QCOMPARE(tableRow(lastPanel(w)->findChild<QTableView *>(), 0, true),
                 QStringList({"V", "X", "Y", "Z"}));
    }

    void travelMatrixShowsTheRoutesOwnCities()
    {
        Fenetre w(data);
        typeRoute(w, "X Z X"); // X Y Z Y X
        QCOMPARE(w.currentPath(), std::vector<int>({X, Y, Z, Y, X}));
        w.findChild<QPushButton *>("pushButtonTableRoad")->click();
        const QTableView *view = lastPanel(w)->findChild<QTableView *>();
        QCOMPARE(tableRow(view, 0, true), QStringList({"X", "Y", "Z", "Y", "X"}));
        QCOMPARE(tableRow(view, 0), QStringList({"0", "30", "75", "30", "0"}));
        QCOMPARE(tableRow(view, 2), QStringList({"75", "45", "0", "45", "75"}));
        QCOMPARE(tableRow(view, 4), QStringList({"0", "30", "75", "30", "0"}));
    }

    void globalMatrixAndWarnings()
    {
        Fenetre w(data);
        const QString text =
            messageOf([&] { w.findChild<QPushButton *>("pushButtonTableRoad")->click(); });
        QCOMPARE(text, QStringLiteral("Nombre de villes choisis < 2."));
        QVERIFY(!lastPanel(w));

        w.show();
        w.findChild<QPushButton *>("pushButtonTable")->click();
        QPointer<const TableMatrix> panel = lastPanel(w);
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->pos(), QPoint(0, 0));
        const QTableView *view = panel->findChild<QTableView *>();
        QCOMPARE(tableRow(view, 0, true), QStringList({"V", "W", "X", "Y", "Z"}));
        QCOMPARE(tableRow(view, X), QStringList({"125", "inf", "0", "30", "75"}));
        QTest::mouseClick(panel->findChild<QPushButton *>(), Qt::LeftButton);
        QTRY_VERIFY(panel.isNull());

        // One name gives no leg: the route is cleared, and the travel table warns again.
        typeRoute(w, "X Z");
        typeRoute(w, "X");
        QVERIFY(w.currentPath().empty());
        QCOMPARE(messageOf([&] { w.findChild<QPushButton *>("pushButtonTableRoad")->click(); }),
                 QStringLiteral("Nombre de villes choisis < 2."));
    }
};

QTEST_MAIN(TestRouteCommands)
#include "tst_routecommands.moc"
