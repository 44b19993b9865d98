#include "Window.h"
#include "appsettings.h"
#include "citynames.h"
#include "modal.h"
#include "tablematrix.h"

#include <QComboBox>
#include <QCompleter>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QVector>

#include <numeric>

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

    // The help typing cities turned on (suggestions, earlier lists, the order).
    static void withTypingHelp(Fenetre &w)
    {
        appsettings::Preferences help;
        help.typingHelp = true;
        w.usePreferences(help);
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

    // The order a typed route visits its cities in: as typed, as the form always did, or the
    // fastest, the first city kept (and the last, or the way back to the first), and what that
    // saves said beside the route.
    void bestOrderOfTypedCities_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("order"); // the choice's row in the dialog
        QTest::addColumn<std::vector<int>>("path");
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("note"); // beside the route; empty: none shown
        // Shortest: X-Y 30, Y-Z 45, X-Z 75, V-Z 40, V-Y 85, V-X 115; W alone.
        QTest::newRow("as typed") << "X V Y" << 0 << std::vector<int>{X, Y, Z, V, Z, Y} << 200.0
                                  << "";
        QTest::newRow("best from the first city")
            << "X V Y" << 1 << std::vector<int>{X, Y, Z, V} << 115.0
            << "Best order: saves 85mn on the order typed.";
        QTest::newRow("the first and last kept")
            << "X V Y Z" << 2 << std::vector<int>{X, Y, Z, V, Z} << 155.0
            << "Best order: saves 90mn on the order typed.";
        QTest::newRow("round trip") << "V X Z Y" << 3 << std::vector<int>{} << 230.0
                                    << "Best order: saves 90mn on the order typed.";
        QTest::newRow("the order typed is the best")
            << "X Y V" << 1 << std::vector<int>{X, Y, Z, V} << 115.0
            << "Best order: the order typed was as fast.";
        QTest::newRow("a city no road reaches")
            << "X W Y" << 1 << std::vector<int>{X, Y, W} << qInf()
            << "Best order: one leg fewer without a road than in the order typed. No road reaches "
               "W.";
        QTest::newRow("a city typed twice")
            << "X Y X V" << 1 << std::vector<int>{X, Y, Z, V} << 115.0
            << "Best order: the order typed was as fast. Typed twice, visited once: X.";
    }

    void bestOrderOfTypedCities()
    {
        QFETCH(QString, text);
        QFETCH(int, order);
        QFETCH(std::vector<int>, path);
        QFETCH(double, total);
        QFETCH(QString, note);
        QTemporaryDir here;
        for (const auto &[file, bytes] :
             {std::pair{"villes.csv", kCities}, std::pair{"temps.csv", kRoads + "V,Z,40\n"}}) {
            QFile f(here.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        Fenetre w(here.path());
        // The choice of order comes with the help typing cities: without it, none.
        onNextModal<QInputDialog>([](QInputDialog *input) {
            QVERIFY(!input->findChild<QComboBox *>("comboBoxOrder"));
            QVERIFY(!input->findChild<QCompleter *>());
            input->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        withTypingHelp(w);
        w.show();
        for (int round = 0; round < 2; ++round) {
            int offered = -1;
            onNextModal<QInputDialog>([&](QInputDialog *input) {
                auto *choice = input->findChild<QComboBox *>("comboBoxOrder");
                QVERIFY(choice);
                QCOMPARE(choice->count(), 4);
                offered = choice->currentIndex();
                choice->setCurrentIndex(order);
                input->setTextValue(text);
                input->accept();
            });
            w.findChild<QPushButton *>("pushButton")->click();
            QCOMPARE(offered, round == 0 ? 0 : order); // the choice is kept for the next route
            if (!path.empty())
                QCOMPARE(w.currentPath(), path);
            const std::vector<double> &legs = w.currentPathTime();
            QCOMPARE(std::accumulate(legs.begin(), legs.end(), 0.0), total);
            if (order == 3) { // back where it started, each stop once
                QCOMPARE(w.currentPath().front(), V);
                QCOMPARE(w.currentPath().back(), V);
            }
            const auto *label = w.findChild<QLabel *>("labelTrip");
            QCOMPARE(label->isVisible() ? label->text() : QString(), note);
        }
        // Any other route takes the note away.
        w.findChild<QComboBox *>("comboBoxDepart")->setCurrentText("Z");
        QVERIFY(!w.findChild<QLabel *>("labelTrip")->isVisible());
    }

    // Types `text`, answers the report of unknown names, and cancels the dialog that comes
    // back for correction. Returns the report and the text offered again.
    static std::pair<QString, QString> mistype(Fenetre &w, const QString &text)
    {
        QString report, again;
        onNextModal<QInputDialog>([&](QInputDialog *input) {
            input->setTextValue(text);
            onNextModal<QMessageBox>([&](QMessageBox *box) {
                report = box->text();
                onNextModal<QInputDialog>([&](QInputDialog *retry) {
                    again = retry->textValue();
                    retry->reject();
                });
                box->accept();
            });
            input->accept();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        return {report, again};
    }

    void unknownNamesAreReportedAndChangeNothing()
    {
        Fenetre w(data);
        typeRoute(w, "X Z");
        const std::vector<int> before = w.currentPath();
        QVector<int> shown; // the route on show while the text comes back
        onNextModal<QInputDialog>([&](QInputDialog *input) {
            input->setTextValue("X Atlantis Z Gotham x");
            onNextModal<QMessageBox>([&](QMessageBox *box) {
                const QString text = box->text();
                QVERIFY2(text.contains("\"Atlantis\"") && text.contains("\"Gotham\"") &&
                             text.contains("\"x\" (did you mean X?)"),
                         qPrintable(text));
                QVERIFY(!text.contains("\"Z\""));
                onNextModal<QInputDialog>([&](QInputDialog *retry) {
                    QCOMPARE(retry->textValue(), QStringLiteral("X Atlantis Z Gotham x"));
                    shown = QVector<int>(w.currentPath().begin(), w.currentPath().end());
                    retry->setTextValue("V Z"); // corrected
                    retry->accept();
                });
                box->accept();
            });
            input->accept();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QCOMPARE(shown, QVector<int>(before.begin(), before.end()));
        QCOMPARE(tableRow(routeTable(w), 0, true), QStringList({"V", "X", "Y", "Z", "Total"}));
    }

    void typedNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("unknown");
        QTest::newRow("spaces") << "Brest  Le Havre Le Mans"
                                << QStringList{"Brest", "Le Havre", "Le Mans"} << QStringList{};
        QTest::newRow("commas") << "Le Havre,Brest , Le Mans,"
                                << QStringList{"Le Havre", "Brest", "Le Mans"} << QStringList{};
        QTest::newRow("quotes") << "\"Le Havre\"Brest \"Le\""
                                << QStringList{"Le Havre", "Brest", "Le"} << QStringList{"Le"};
        QTest::newRow("longest name wins")
            << "Le Mans Brest" << QStringList{"Le Mans", "Brest"} << QStringList{};
        QTest::newRow("unknown words")
            << "Le Havvre Brest lyon" << QStringList{"Le", "Havvre", "Brest", "lyon"}
            << QStringList{"Le", "Havvre", "lyon"};
        QTest::newRow("a name called unused")
            << "unused Brest" << QStringList{"unused", "Brest"} << QStringList{};
    }

    void typedNames()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QStringList, unknown);
        std::vector<City> cities;
        for (const char *name :
             {"Brest", "Le Havre", "Le Mans", "Lyon", "Rennes", "Évreux", "unused"}) {
            cities.emplace_back();
            cities.back().setName(name);
        }
        const TypedCities typed = parseCityList(cities, text);
        QCOMPARE(typed.names, names);
        QCOMPARE(typed.unknown, unknown);

        // What comes close to a misspelt name, ignoring case and accents.
        QCOMPARE(closestCityNames(cities, "lyon"), QStringList({"Lyon"}));
        QCOMPARE(closestCityNames(cities, "Rennnes"), QStringList({"Rennes"}));
        QCOMPARE(closestCityNames(cities, "EVREUX"), QStringList({"Évreux"}));
        QCOMPARE(closestCityNames(cities, "havvre").value(0), QStringLiteral("Le Havre"));
        QVERIFY(closestCityNames(cities, "Atlantis").isEmpty());

        // Where completion starts: the longest run of words that begins a name.
        const QStringList sorted{"Brest",  "Le Havre", "Le Mans", "Lyon",
                                 "Rennes", "unused",   "Évreux"};
        QCOMPARE(completionStart("Brest Le Ha", 11, sorted), 6);
        QCOMPARE(completionStart("Brest le", 8, sorted), 6);
        QCOMPARE(completionStart("Brest, ly", 9, sorted), 7);
        QCOMPARE(completionStart("\"Le", 3, sorted), 1);
        QCOMPARE(completionStart("Brest Zz", 8, sorted), -1);

        // What a keystroke offers: the names that start with the text, in order, a few at most,
        // found without a pass over every name (a million here).
        QCOMPARE(namesStartingWith(sorted, u"le", 10), QStringList({"Le Havre", "Le Mans"}));
        QCOMPARE(namesStartingWith(sorted, u"LE H", 10), QStringList({"Le Havre"}));
        QCOMPARE(namesStartingWith(sorted, u"le", 1), QStringList({"Le Havre"}));
        QVERIFY(namesStartingWith(sorted, u"Zz", 10).isEmpty());
        QStringList many;
        for (int i = 0; i < 1'000'000; ++i)
            many << QStringLiteral("C%1").arg(i, 7, 10, QLatin1Char('0'));
        qint64 compared = 0;
        const QStringList offered = namesStartingWith(many, u"c00012", 50, &compared);
        QCOMPARE(offered.size(), 50);
        QCOMPARE(offered.front(), QStringLiteral("C0001200"));
        QVERIFY2(compared <= 2 * 20 + 51, qPrintable(QString::number(compared)));
    }

    void spacedNamesCommasAndCompletionInTheWindow()
    {
        QTemporaryDir named;
        for (const auto &[file, bytes] :
             {std::pair{"villes.csv", QByteArray("h\n1,Le Havre,0,49.5,0.1\n2,Rennes,0,48.1,-1.7\n"
                                                 "3,Le Mans,0,48,0.2\n4,Lyon,0,45.7,4.8\n")},
              std::pair{"temps.csv", QByteArray("Le Havre,Rennes,10\nRennes,Le Mans,5\n"
                                                "Le Mans,Lyon,20\n")}}) {
            QFile f(named.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        Fenetre w(named.path());
        withTypingHelp(w);
        typeRoute(w, "Le Havre, \"Le Mans\" Lyon");
        QCOMPARE(tableRow(routeTable(w), 0, true),
                 QStringList({"Le Havre", "Rennes", "Le Mans", "Lyon", "Total"}));

        const auto [text, again] = mistype(w, "lyon Rennnes");
        QVERIFY2(text.contains("\"lyon\" (did you mean Lyon?)") &&
                     text.contains("\"Rennnes\" (did you mean Rennes?)"),
                 qPrintable(text));

        // Completion offers the name being typed, spaces and all, and keeps what came before.
        QString completed;
        onNextModal<QInputDialog>([&](QInputDialog *input) {
            auto *edit = input->findChild<QLineEdit *>();
            auto *completer = input->findChild<QCompleter *>();
            QTest::keyClicks(edit, "Rennes le h");
            if (completer && completer->completionCount() == 1 &&
                completer->currentCompletion() == "Le Havre")
                emit completer->activated(completer->currentCompletion());
            completed = edit->text();
            input->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QCOMPARE(completed, QStringLiteral("Rennes Le Havre"));

        // Return with the whole name typed runs the route, the list offering it open or not;
        // it takes an offer only once the user has moved into the list.
        const auto returnIn = [](QInputDialog *input) {
            auto *completer = input->findChild<QCompleter *>();
            QWidget *popup = completer ? completer->popup() : nullptr;
            // Where the keys go while the list is up.
            QTest::keyClick(popup && popup->isVisible() ? popup : keysTarget(input),
                            Qt::Key_Return);
        };
        bool offered = false;
        onNextModal<QInputDialog>([&](QInputDialog *input) {
            QTest::keyClicks(input->findChild<QLineEdit *>(), "Rennes Lyon");
            offered = input->findChild<QCompleter *>()->popup()->isVisible();
            returnIn(input);
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QVERIFY(offered);
        QCOMPARE(tableRow(routeTable(w), 0, true),
                 QStringList({"Rennes", "Le Mans", "Lyon", "Total"}));
        onNextModal<QInputDialog>([&](QInputDialog *input) {
            auto *edit = input->findChild<QLineEdit *>();
            QTest::keyClicks(edit, "Lyon le");
            QWidget *popup = input->findChild<QCompleter *>()->popup();
            QVERIFY(popup->isVisible());
            QTest::keyClick(popup, Qt::Key_Down); // into the list: Le Havre
            returnIn(input);
            completed = edit->text();
            QVERIFY(input->isVisible()); // the offer taken, the dialog still open
            returnIn(input);
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QCOMPARE(completed, QStringLiteral("Lyon Le Havre"));
        QCOMPARE(tableRow(routeTable(w), 0, true),
                 QStringList({"Lyon", "Le Mans", "Rennes", "Le Havre", "Total"}));

        // Up brings back the lists that made routes, the latest first; Down comes back to
        // what was being typed.
        QStringList recalled;
        onNextModal<QInputDialog>([&](QInputDialog *input) {
            auto *edit = input->findChild<QLineEdit *>();
            QTest::keyClicks(edit, "Ren");
            input->findChild<QCompleter *>()->popup()->hide();
            for (const Qt::Key key :
                 {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
                QTest::keyClick(edit, key);
                recalled << edit->text();
            }
            input->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QCOMPARE(recalled,
                 QStringList({"Lyon Le Havre", "Rennes Lyon", "Le Havre, \"Le Mans\" Lyon",
                              "Rennes Lyon", "Lyon Le Havre", "Ren"}));
    }

    // A typed route leaves the boxes as they were; a later choice in one replaces one name of
    // the last leg: after "V Y Z", an arrival routes from Y.
    void boxesStayAsTheyWere()
    {
        Fenetre w(data);
        auto *depart = w.findChild<QComboBox *>("comboBoxDepart");
        auto *arrive = w.findChild<QComboBox *>("comboBoxArrive");
        depart->setCurrentText("X");
        arrive->setCurrentText("Y");
        typeRoute(w, "V Y Z");
        QCOMPARE(depart->currentText(), QStringLiteral("X"));
        QCOMPARE(arrive->currentText(), QStringLiteral("Y"));
        QCOMPARE(w.currentPath(), std::vector<int>({V, X, Y, Z}));
        arrive->setCurrentText("X");
        QCOMPARE(w.currentPath(), std::vector<int>({Y, X}));  // Y, of the last leg, to X
        QCOMPARE(depart->currentText(), QStringLiteral("X")); // the other box as it was
        // And the travel table shows that route, not the typed one.
        w.findChild<QPushButton *>("pushButtonTableRoad")->click();
        QCOMPARE(tableRow(lastPanel(w)->findChild<QTableView *>(), 0, true),
                 QStringList({"Y", "X"}));
        // A departure then replaces the other name: V to X.
        depart->setCurrentText("V");
        QCOMPARE(w.currentPath(), std::vector<int>({V, X}));
        QCOMPARE(arrive->currentText(), QStringLiteral("X"));
    }

    // Cancel gives no text, as an empty text would: no route, and the travel table warns.
    void cancelClearsTheRoute()
    {
        Fenetre w(data);
        typeRoute(w, "V Z");
        QVERIFY(!w.currentPath().empty());
        typeRoute(w, "V Z", false);
        QVERIFY(w.currentPath().empty());
        QCOMPARE(tableRow(routeTable(w), 0, true), QStringList({"Total"}));
        const QString said =
            messageOf([&w] { w.findChild<QPushButton *>("pushButtonTableRoad")->click(); });
        QCOMPARE(said, QStringLiteral("Nombre de villes choisis < 2."));
        QVERIFY(!lastPanel(w));
        // The last leg's names stay: a new arrival routes from V.
        w.findChild<QComboBox *>("comboBoxArrive")->setCurrentText("X");
        QCOMPARE(w.currentPath(), std::vector<int>({V, X}));
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
        w.activateWindow(); // the panels' Escape and Return work in the active window only
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.findChild<QPushButton *>("pushButtonTable")->click();
        QPointer<const TableMatrix> panel = lastPanel(w);
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->pos(), QPoint(0, 0));
        const QTableView *view = panel->findChild<QTableView *>();
        QCOMPARE(tableRow(view, 0, true), QStringList({"V", "W", "X", "Y", "Z"}));
        QCOMPARE(tableRow(view, X), QStringList({"125", "no road", "0", "30", "75"}));
        QTest::mouseClick(panel->findChild<QPushButton *>(), Qt::LeftButton);
        QTRY_VERIFY(panel.isNull());

        // A route chosen with the boxes has its travel table too.
        w.findChild<QComboBox *>("comboBoxDepart")->setCurrentText("Z");
        w.findChild<QComboBox *>("comboBoxArrive")->setCurrentText("V");
        w.findChild<QPushButton *>("pushButtonTableRoad")->click();
        QCOMPARE(tableRow(lastPanel(w)->findChild<QTableView *>(), 0, true),
                 QStringList({"Z", "Y", "X", "V"}));
        QCOMPARE(tableRow(lastPanel(w)->findChild<QTableView *>(), 0),
                 QStringList({"0", "45", "75", "200"}));
        // Escape closes it like its Return button, and so does Return. It is the form's size at
        // the window's top left, the map showing beside its table.
        QPointer<const TableMatrix> travel = lastPanel(w);
        QVERIFY(!travel->autoFillBackground());
        QCOMPARE(travel->geometry(), QRect(0, 0, 685, 605));
        QTest::keyClick(keysTarget(&w), Qt::Key_Escape);
        QTRY_VERIFY(travel.isNull());
        w.findChild<QPushButton *>("pushButtonTable")->click();
        QPointer<const TableMatrix> global = lastPanel(w);
        w.resize(1000, 700);
        QTRY_COMPARE(global->size(), QSize(685 + 200, 605 + 95)); // grown as the window did
        QTest::keyClick(keysTarget(&w), Qt::Key_Return);
        QTRY_VERIFY(global.isNull());
    }

    // One name (or none) makes no route: said, and the route on show stays.
    // One name (or none) makes no route: the one on show goes, with nothing more said.
    void oneNameClearsTheRoute_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("one name") << "X";
        QTest::newRow("one name twice over") << "Y, ";
        QTest::newRow("nothing") << "";
        QTest::newRow("spaces") << "   ";
    }

    void oneNameClearsTheRoute()
    {
        QFETCH(QString, text);
        Fenetre w(data);
        typeRoute(w, "X Z");
        QVERIFY(!w.currentPath().empty());
        typeRoute(w, text); // (a box left up would fail the test)
        QVERIFY(w.currentPath().empty());
        QCOMPARE(tableRow(routeTable(w), 0, true), QStringList({"Total"}));
    }
};

QTEST_MAIN(TestRouteCommands)
#include "tst_routecommands.moc"
