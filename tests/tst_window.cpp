#include "Window.h"
#include "appsettings.h"
#include "citysearch.h"
#include "drive.h"
#include "fileactions.h"
#include "hierarchybehind.h"
#include "importdialog.h"
#include "infinity.h"
#include "info.h"
#include "mapcontroller.h"
#include "mapviewport.h"
#include "modal.h"
#include "netgen.h"
#include "networkcredit.h"
#include "networkreading.h"
#include "osmimport.h"
#include "preferencesdialog.h"
#include "reachlayer.h"
#include "routeexport.h"
#include "routefinder.h"
#include "routeplan.h"
#include "routetable.h"
#include "windowtest.h"

#include "mappacing.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QFrame>
#include <QHelpEvent>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSemaphore>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolTip>
#include <QXmlStreamReader>

#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <tuple>

#include <sys/stat.h> // mkfifo: a pipe where the settings are

namespace {

using windowtest::choose;
using windowtest::kCities;
using windowtest::kRoads;
using windowtest::picture;
using windowtest::shownActive;

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

class TestWindow : public windowtest::WindowTest
{
    Q_OBJECT

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

    // Whether the route through `stops` (pixels) is red all along its legs, nothing over it.
    static bool routeIntact(const QImage &image, const std::vector<QPoint> &stops)
    {
        for (std::size_t k = 1; k < stops.size(); ++k) {
            const QLineF leg(stops[k - 1], stops[k]);
            for (double t = 0; t <= 1; t += 1 / leg.length()) {
                const QPoint p = leg.pointAt(t).toPoint();
                if ((p - stops[k - 1]).manhattanLength() > 8 &&
                    (p - stops[k]).manhattanLength() > 8 && image.pixelColor(p) != Qt::red) {
                    qWarning("the route is covered at (%d, %d)", p.x(), p.y());
                    return false;
                }
            }
        }
        return true;
    }

    QTemporaryDir home;

    static QStringList filesIn(const QString &folder)
    {
        QStringList files;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    // A window as the program starts it: the preferences kept, and the folder they name.
    static std::unique_ptr<Fenetre> start(const QString &given, const QString &byDefault)
    {
        const appsettings::Preferences preferences = appsettings::preferences();
        const appsettings::StartFolder folder =
            appsettings::startFolder(given, preferences, byDefault);
        auto w = std::make_unique<Fenetre>(folder.path);
        w->usePreferences(preferences, true);
        if (folder.chosen)
            w->markFolderChosen();
        return w;
    }

    // The order the cities dialog offers first; with `choose` >= 0, that order is chosen for a
    // route through X, Z and Y, else the dialog is cancelled.
    static int typedRouteOrder(Fenetre &w, int choose)
    {
        int offered = -1;
        onNextModal<QInputDialog>([&](QInputDialog *dialog) {
            auto *order = dialog->findChild<QComboBox *>("comboBoxOrder");
            QVERIFY(order);
            offered = order->currentIndex();
            if (choose < 0)
                return dialog->reject();
            order->setCurrentIndex(choose);
            dialog->setTextValue("X Z Y");
            dialog->accept();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        return offered;
    }

    // The Preferences, changed by `change`, accepted.
    static void editPreferences(Fenetre &w,
                                const std::function<void(appsettings::Preferences &)> &change)
    {
        bool seen = false;
        onNextModal<PreferencesDialog>([&](PreferencesDialog *dialog) {
            appsettings::Preferences p = dialog->preferences();
            change(p);
            dialog->findChild<QCheckBox *>("checkBoxRemember")->setChecked(p.remember);
            dialog->findChild<QCheckBox *>("checkBoxReadersOrder")->setChecked(p.readersOrder);
            dialog->findChild<QCheckBox *>("checkBoxWind")->setChecked(p.windInKmh);
            dialog->findChild<QCheckBox *>("checkBoxRouteInTitle")->setChecked(p.routeInTitle);
            dialog->findChild<QCheckBox *>("checkBoxClockUnit")->setChecked(p.clockUnit);
            dialog->findChild<QCheckBox *>("checkBoxTypingHelp")->setChecked(p.typingHelp);
            dialog->findChild<QCheckBox *>("checkBoxRingStops")->setChecked(p.ringStops);
            dialog->findChild<QComboBox *>("comboBoxLanguage")->setCurrentIndex(int(p.language));
            seen = true;
            dialog->accept();
        });
        w.editPreferences();
        QVERIFY(seen);
    }

    static QString read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void initTestCase()
    {
        // A fresh home of its own, as a new user's: the settings (the program's, and those of
        // Qt's file dialogs) go there, and nothing else is there to find.
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(".local/share")));
        QVERIFY2(QSettings().fileName().startsWith(home.path()),
                 qPrintable(QSettings().fileName()));
        QVERIFY(filesIn(home.path()).isEmpty());
        QVERIFY(dir.isValid());
        qunsetenv("OPENWEATHER_API_KEY"); // a weather panel asks nothing of the internet
        steadyPace();
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
        // Its pixels are a plain label's (the box takes the keys through another widget: a label
        // that takes them lays its text out a pixel higher).
        auto *box = w.findChild<QLabel *>("label");
        QLabel plain(box->text());
        plain.setFont(box->font());
        plain.setAlignment(box->alignment());
        plain.resize(box->size());
        QCOMPARE(box->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 plain.grab().toImage().convertToFormat(QImage::Format_RGB32));

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
        QCOMPARE(time->count(), 2); // (hours and minutes as a clock reads them, by choice)
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
    }

    // Larger, each control keeps its place by its corner or edge; the panels stretch along
    // theirs; the map has the rest, with no line of the first size's frame across it.
    void layoutAtAnySize()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.resize(1500, 950);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.size(), QSize(1500, 950));
        const auto at = [&](const char *name) {
            const auto *control = w.findChild<QWidget *>(name);
            return QRect(control->mapTo(&w, QPoint()), control->size());
        };
        QCOMPARE(at("horizontalLayoutWidget"), QRect(-1, -1, 1501, 951));
        struct Expect
        {
            const char *name;
            QRect geometry; // in the window
        };
        for (const Expect &e :
             {Expect{"comboBoxDepart", {9, 199, 131, 26}}, Expect{"frame_4", {19, 29, 111, 61}},
              Expect{"frame_2", {-2, 179, 161, 751}}, Expect{"frame_3", {-1, 829, 1261, 101}},
              Expect{"tableViewRoad", {19, 850, 1221, 61}},
              Expect{"comboBoxTime", {1269, 849, 80, 26}}, Expect{"label_2", {1329, 899, 161, 41}},
              Expect{"comboBoxInfo", {1368, 29, 91, 26}},
              Expect{"pushButtonMore", {1189, 799, 31, 29}},
              Expect{"pushButtonLess", {1229, 799, 31, 29}}})
            QCOMPARE(at(e.name), e.geometry);
        const QRect window = w.rect();
        const QRectF area = MapViewport::mapArea(w.size());
        for (QWidget *control :
             w.findChild<QWidget *>("frame")->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->objectName() == "mapKeys" || !control->isVisible())
                continue; // the map itself, for the keyboard; a message not on show
            const QRect r(control->mapTo(&w, QPoint()), control->size());
            QVERIFY2(window.adjusted(-2, -2, 0, 0).contains(r), qPrintable(control->objectName()));
            // The panels and what they hold stay off the map; the weather chooser and the zoom
            // buttons keep to its corners, as at the first size.
            const QString name = control->objectName();
            if (name == "comboBoxInfo" || name.startsWith("pushButtonMore") ||
                name.startsWith("pushButtonLess"))
                QVERIFY(!r.intersects(area.adjusted(0, 40, 0, -40).toRect()));
            else
                QVERIFY2(!r.intersects(area.toRect()), qPrintable(name));
        }
        // The map's pixels in the middle of the window: no line of a frame of 800 x 600.
        const QImage image = picture(w);
        for (int x = 900; x < 1100; ++x)
            QVERIFY(image.pixelColor(x, 599) == image.pixelColor(x, 620));
        for (int y = 560; y < 760; ++y)
            QVERIFY(image.pixelColor(799, y) == image.pixelColor(820, y));

        // Back at the first size, the form as it was.
        w.resize(800, 600);
        QTRY_COMPARE(w.size(), QSize(800, 600));
        QCOMPARE(at("horizontalLayoutWidget"), QRect(-1, -1, 801, 601));
        QCOMPARE(w.findChild<QWidget *>("comboBoxTime")->geometry(), QRect(570, 500, 80, 26));
        QCOMPARE(w.findChild<QWidget *>("frame_2")->geometry(), QRect(-1, 180, 161, 401));
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

    // The boxes list the names in the network's order, by code unit (capitals first, accented
    // letters last); a name twice is listed twice. The reader's alphabetical order, accents,
    // case and numbers as a person reads them, is a preference.
    void citiesListedInOrder()
    {
        Fenetre w(network("order",
                          "h\n1,paris,,1,1\n2,Lyon,,1,1\n3,Zurich,,1,1\n4,Lyon,,2,2\n"
                          "5,Évreux,,1,1\n6,Villeurbanne,,1,1\n7,Épinal,,1,1\n"
                          "8,Paris 10,,1,1\n9,Paris 2,,1,1\n",
                          ""));
        const auto listed = [&w] {
            QList<QStringList> lists;
            for (const char *name : {"comboBoxDepart", "comboBoxArrive", "comboBoxInfo"}) {
                auto *box = w.findChild<QComboBox *>(name);
                QStringList items;
                for (int i = 1; i < box->count(); ++i)
                    items << box->itemText(i);
                lists << items;
            }
            return lists;
        };
        const QStringList byCodeUnit{"Lyon",   "Lyon",  "Paris 10", "Paris 2", "Villeurbanne",
                                     "Zurich", "paris", "Épinal",   "Évreux"};
        QCOMPARE(listed(), QList<QStringList>(3, byCodeUnit));
        choose(w, "comboBoxDepart", "Zurich");
        appsettings::Preferences reading;
        reading.readersOrder = true;
        w.usePreferences(reading);
        const QStringList asRead{"Épinal",  "Évreux",   "Lyon",         "Lyon",  "paris",
                                 "Paris 2", "Paris 10", "Villeurbanne", "Zurich"};
        QCOMPARE(listed(), QList<QStringList>(3, asRead));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxDepart")->currentText(), "Zurich"); // kept
        w.usePreferences(appsettings::Preferences());
        QCOMPARE(listed(), QList<QStringList>(3, byCodeUnit));
    }

    // Typing into a box searches its names anywhere in them, whatever the case and accents;
    // Return takes the first found, Escape changes nothing.
    void boxesSearchAsYouType()
    {
        Fenetre w(network("search",
                          "h\n1,Kraków,,50.06,19.94\n2,Krems,,48.4,15.6\n3,Évreux,,49,1.15\n"
                          "4,Lévrier,,47,5\n5,Lyon,,45.7,4.8\n",
                          "Kraków,Évreux,900\n"));
        QVERIFY(shownActive(w));
        auto *depart = w.findChild<QComboBox *>("comboBoxDepart");
        auto *arrive = w.findChild<QComboBox *>("comboBoxArrive");
        // As any list by default: a letter picks the next name that starts with it.
        depart->setFocus();
        QTest::keyClick(depart, 'l');
        QCOMPARE(depart->currentText(), QStringLiteral("Lyon"));
        QVERIFY(!w.findChild<QLineEdit *>("boxSearch"));
        depart->setCurrentIndex(0);
        // With the help typing cities, a search of the names anywhere in them.
        appsettings::Preferences help;
        help.typingHelp = true;
        w.usePreferences(help);
        const auto type = [&](QComboBox *box, const QString &text, Qt::Key last) {
            QTRY_VERIFY(!w.findChild<QLineEdit *>("boxSearch")); // the last search gone
            box->setFocus();
            QTest::keyClick(box, text.at(0).toLatin1());
            auto *field = w.findChild<QLineEdit *>("boxSearch");
            QVERIFY(field);
            QTest::keyClicks(field, text.mid(1));
            QTest::keyClick(field, last);
        };
        type(depart, "krak", Qt::Key_Return);
        QCOMPARE(depart->currentText(), QString::fromUtf8("Kraków"));
        type(arrive, "EVR", Qt::Key_Escape); // Évreux and Lévrier offered; nothing chosen
        QCOMPARE(arrive->currentIndex(), 0);
        type(arrive, "evreux", Qt::Key_Return);
        QCOMPARE(arrive->currentText(), QString::fromUtf8("Évreux"));
        QCOMPARE(tableOf(w).headers, QStringList({"Kraków", "Évreux", "Total"}));
        QTRY_VERIFY(!w.findChild<QLineEdit *>("boxSearch"));
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
        appsettings::Preferences clock;
        clock.clockUnit = true;
        w.usePreferences(clock);
        choose(w, "comboBoxTime", "h:mm");
        QCOMPARE(tableOf(w).cells, QStringList({"0", "2:05", "2:05"}));
        QCOMPARE(tableOf(w).rowHeader, QStringLiteral("Time(h:mm)"));
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
        QTest::keyClick(keysTarget(&w), Qt::Key_Return);
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

    // A long route's table scrolls sideways; with its row of km it takes the strip above it,
    // so that both rows stay in sight over the scroll bar. Without km it is the form's.
    void routeTableRowsInSight()
    {
        QByteArray cities = "h\n", roads, shapes;
        for (int i = 1; i <= 9; ++i) {
            cities += QByteArray("0,Town ") + QByteArray::number(i) + ",0,46," +
                      QByteArray::number(i) + '\n';
            if (i > 1) {
                roads += "Town " + QByteArray::number(i - 1) + ",Town " + QByteArray::number(i) +
                         ",10\n";
                shapes += "Town " + QByteArray::number(i - 1) + ",Town " + QByteArray::number(i) +
                          ",12.5\n";
            }
        }
        const QString folder = network("long route", cities, roads);
        QFile file(folder + "/shapes.csv");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(shapes) == shapes.size());
        file.close();
        for (const bool km : {true, false}) {
            if (!km)
                QVERIFY(QFile::remove(folder + "/shapes.csv"));
            Fenetre w(folder);
            QVERIFY(QTest::qWaitForWindowExposed((w.show(), &w)));
            choose(w, "comboBoxDepart", "Town 1");
            choose(w, "comboBoxArrive", "Town 9");
            auto *view = w.findChild<QTableView *>("tableViewRoad");
            QCOMPARE(view->model()->rowCount(), km ? 2 : 1);
            QCOMPARE(view->geometry(), km ? QRect(20, 481, 521, 81) : QRect(20, 501, 521, 61));
            QTRY_VERIFY(view->horizontalScrollBar()->isVisible()); // ten columns: a long route
            const QRect last =
                view->visualRect(view->model()->index(view->model()->rowCount() - 1, 0));
            QVERIFY2(
                last.bottom() < view->viewport()->height(),
                qPrintable(
                    QStringLiteral("%1 of %2").arg(last.bottom()).arg(view->viewport()->height())));
            // The total far to the right, kept in sight at the table's right end by choice.
            auto *total = view->findChild<QTableView *>("routeTotal");
            QVERIFY(total && !total->isVisible());
            appsettings::Preferences inSight;
            inSight.totalInSight = true;
            w.usePreferences(inSight);
            QTRY_VERIFY(total->isVisible());
            const int columns = view->model()->columnCount();
            QCOMPARE(total->model()->headerData(columns - 1, Qt::Horizontal).toString(),
                     QStringLiteral("Total"));
            QVERIFY(!total->isColumnHidden(columns - 1) && total->isColumnHidden(0));
            QCOMPARE(total->geometry().right(), view->viewport()->geometry().right());
            QCOMPARE(total->columnWidth(columns - 1), view->columnWidth(columns - 1));
            w.usePreferences({});
            QVERIFY(!total->isVisible());
            w.routePlan().clear();
            QCOMPARE(view->geometry(), QRect(20, 501, 521, 61));
        }
    }

    void tableTextsWithoutWidgets()
    {
        std::vector<City> cities(2);
        cities[0].setName("A");
        cities[1].setName("B");
        const RouteTableTexts t = ::routeTableTexts(cities, {0, 1}, {kInf}, "h");
        QCOMPARE(t.cells, QStringList({"0", "no road", "no road"}));
        const RouteTableTexts three = ::routeTableTexts(cities, {0, 1, 0}, {30, kInf}, "mn");
        QCOMPARE(three.cells, QStringList({"0", "30mn", "no road", "no road"}));
        QCOMPARE(formatTime(90, "mn"), QStringLiteral("90mn"));
        QCOMPARE(formatTime(1e7, "mn"), QStringLiteral("1e+07mn"));
        for (const auto &[minutes, clock] :
             {std::pair{0.0, "0:00"}, std::pair{0.4, "0:00"}, std::pair{59.6, "1:00"},
              std::pair{125.0, "2:05"}, std::pair{445.0, "7:25"}, std::pair{1e7, "166666:40"}})
            QCOMPARE(formatTime(minutes, "h:mm"), QString::fromLatin1(clock));
        // In a sentence, hours and minutes cannot be read as minutes and seconds.
        for (const auto &[minutes, unit, said] :
             {std::tuple{2236.0, "h:mm", "37 h 16 min"}, std::tuple{125.0, "h:mm", "2 h 05 min"},
              std::tuple{44.6, "h:mm", "45 min"}, std::tuple{59.6, "h:mm", "1 h 00 min"},
              std::tuple{90.0, "mn", "90mn"}, std::tuple{90.0, "h", "1.5h"}})
            QCOMPARE(formatDuration(minutes, unit), QString::fromLatin1(said));
        QVERIFY(routeGpx(cities, {0, 1}, {125}, 1, "h:mm")
                    .contains("<desc>leg 2 h 05 min, since the start 2 h 05 min</desc>"));

        // For a spreadsheet: numbers, the unit in the header, "no road" where there is none,
        // names that would run as formulas kept as text, a name's comma or tab kept in its cell.
        std::vector<City> odd(4);
        for (const auto &[at, name] : {std::pair{0, "=SUM(A1)"}, std::pair{1, "Saint-Lô, Manche"},
                                       std::pair{2, "-2"}, std::pair{3, "Tab\there"}})
            odd[std::size_t(at)].setName(name);
        QCOMPARE(routeCsv(odd, {0, 1, 2, 3}, {30, kInf, 15}, 1.0 / 60, "h"),
                 QByteArray("City,Leg (h),Since start (h)\r\n'=SUM(A1),0,0\r\n"
                            "\"Saint-L\xc3\xb4, Manche\",0.5,0.5\r\n'-2,no road,no road\r\n"
                            "Tab\there,0.25,no road\r\nTotal,,no road\r\n"));
        QCOMPARE(routeSheetTsv(odd, {3, 0}, {90}, 1, "min"),
                 QStringLiteral("City\tLeg (min)\tSince start (min)\nTab here\t0\t0\n"
                                "'=SUM(A1)\t90\t90\nTotal\t\t90\n"));
        QCOMPARE(formatNumber(0.00001), QStringLiteral("1e-05"));

        // Where the roads' lengths are known: a km row, to the metre, empty where one is not.
        RouteShape shape;
        shape.shaped = true;
        shape.legKm = {12.3456, std::nan("")};
        const RouteTableTexts km = ::routeTableTexts(odd, {0, 1, 2}, {30, 15}, "mn", &shape);
        QCOMPARE(km.kmRowHeader, QStringLiteral("Distance(km)"));
        QCOMPARE(km.kmCells, QStringList({"0", "12.346", "", ""}));
        shape.legKm[1] = 0.5;
        QCOMPARE(::routeTableTexts(odd, {0, 1, 2}, {30, 15}, "mn", &shape).kmCells.last(),
                 QStringLiteral("12.846"));
        const RouteShape none; // a network without shapes
        QVERIFY(::routeTableTexts(odd, {0, 1, 2}, {30, 15}, "mn", &none).kmCells.isEmpty());
        // The same in the spreadsheet's two km columns, unknown from the leg that is on; the
        // network's credit after the table, kept as text like a name.
        shape.legKm = {12.3456, std::nan(""), 1};
        QCOMPARE(routeCsv(odd, {0, 1, 2, 3}, {30, 15, 5}, 1, "min", &shape, "=Data, CC0"),
                 QByteArray("City,Leg (min),Since start (min),Leg (km),Since start (km)\r\n"
                            "'=SUM(A1),0,0,0,0\r\n\"Saint-L\xc3\xb4, Manche\",30,30,12.346,"
                            "12.346\r\n'-2,15,45,,\r\nTab\there,5,50,1,\r\nTotal,,50,,\r\n"
                            "\"'=Data, CC0\"\r\n"));
        QCOMPARE(routeSheetTsv(odd, {3, 0}, {90}, 1, "min", &none, "\xc2\xa9 Someone"),
                 QStringLiteral("City\tLeg (min)\tSince start (min)\nTab here\t0\t0\n"
                                "'=SUM(A1)\t90\t90\nTotal\t\t90\n\u00a9 Someone\n"));

        // GPX never drops a character it cannot hold: it writes U+FFFD, and reads back whole.
        odd[0].setName(QStringLiteral("C\x01"
                                      "D\uFFFF"));
        QXmlStreamReader gpx(routeGpx(odd, {0, 1}, {30}, 1, "min"));
        QStringList names;
        while (!gpx.atEnd())
            if (gpx.readNext() == QXmlStreamReader::StartElement && gpx.name() == u"name")
                names << gpx.readElementText();
        QVERIFY2(!gpx.hasError(), qPrintable(gpx.errorString()));
        QCOMPARE(names, QStringList({"C\uFFFDD\uFFFD - Saint-L\u00f4, Manche", "C\uFFFDD\uFFFD",
                                     "Saint-L\u00f4, Manche"}));
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
        // of the map area, so the network is fitted above the scale bar: A at (180, 220), B at
        // (780, 220).)
        Fenetre west(network("west", "h\n1,A,0,46,-12.04\n2,B,0,46,10\n", "A,B,10\n"));
        west.show();
        QVERIFY(QTest::qWaitForWindowExposed(&west));
        choose(west, "comboBoxDepart", "A");
        choose(west, "comboBoxArrive", "B");
        QCOMPARE(picture(west).pixelColor(450, 220), QColor(Qt::red));
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

    // What can be reached from a city in a time: the cities and roads in bands of a quarter of
    // the time each, a legend, until cleared; none of it beyond the time.
    void reachableFromHere()
    {
        Fenetre w(network("net", kCities, kRoads));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage bare = picture(w);
        onNextModal<QInputDialog>([](QInputDialog *input) {
            QCOMPARE(input->windowTitle(), QStringLiteral("Reachable from here"));
            QVERIFY(input->labelText().contains("X"));
            input->setIntValue(60);
            input->accept();
        });
        fromMenu(w, {426, 251}, "Reachable from here...\tR");
        QTRY_VERIFY(!QApplication::activeModalWidget());
        const QImage shown = picture(w);
        QCOMPARE(shown.pixelColor(426, 251), ReachShown::colour(0));     // X itself
        QCOMPARE(shown.pixelColor(474, 274), ReachShown::colour(1));     // Y: 30 of 60 minutes
        QCOMPARE(shown.pixelColor(450, 300), bare.pixelColor(450, 300)); // Z: 75 minutes
        QCOMPARE(shown.pixelColor(400, 225), bare.pixelColor(400, 225)); // V: 125 minutes
        QCOMPARE(shown.pixelColor(450, 263), ReachShown::colour(1)); // the road X-Y, in Y's band
        // The legend, in the map's top left corner, its four bands.
        int swatches[ReachShown::kBands] = {};
        for (int y = 0; y < 140; ++y)
            for (int x = 160; x < 400; ++x)
                for (int band = 0; band < ReachShown::kBands; ++band)
                    swatches[band] += shown.pixelColor(x, y) == ReachShown::colour(band);
        for (int band = 0; band < ReachShown::kBands; ++band)
            QVERIFY2(swatches[band] > 20, qPrintable(QString::number(band)));

        // The key R on the selected city asks again; the time last given is offered.
        fromMenu(w, {300, 120}, "Clear reachable cities");
        QCOMPARE(picture(w), bare);
        QVERIFY(!actionOf(contextMenu(w, {300, 120}), "Clear reachable cities"));
        QApplication::activePopupWidget()->close();
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
        QVERIFY(!actionOf(contextMenu(w, {300, 120}), "Route from here\tB")); // on no city
        QApplication::activePopupWidget()->close();

        fromMenu(w, {426, 251}, "Route from here\tB");
        fromMenu(w, {451, 301}, "Route to here\tE");
        QCOMPARE(w.findChild<QComboBox *>("comboBoxDepart")->currentText(), QStringLiteral("X"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxArrive")->currentText(), QStringLiteral("Z"));
        QCOMPARE(w.currentPath(), std::vector<int>({2, 3, 4})); // X, Y, Z
        QCOMPARE(picture(w).pixelColor(450, 300), QColor(Qt::green));

        // For a spreadsheet: a header, plain numbers, the unit in the header.
        fromMenu(w, {300, 120}, "Copy the route");
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("City\tLeg (min)\tSince start (min)\nX\t0\t0\nY\t30\t30\n"
                                "Z\t45\t75\nTotal\t\t75\n"));
        w.findChild<QComboBox *>("comboBoxTime")->setCurrentText("hour");
        fromMenu(w, {300, 120}, "Copy the route");
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("City\tLeg (h)\tSince start (h)\nX\t0\t0\nY\t0.5\t0.5\n"
                                "Z\t0.75\t1.25\nTotal\t\t1.25\n"));

        fromMenu(w, {476, 276}, "Weather here\tW");
        const auto panels = w.findChildren<Info *>();
        QCOMPARE(panels.size(), 1);
        bool named = false;
        for (const QLabel *label : panels[0]->findChildren<QLabel *>())
            named = named || label->text() == QStringLiteral("Y");
        QVERIFY(named);
        panels[0]->close();

        // Names: none at first, the map as it always was; asked for (the menu, or N), the
        // route's cities are named beside their squares, never over the route.
        const QImage bare = picture(w);
        QVERIFY(!w.namesShown());
        fromMenu(w, {300, 120}, "City names\tN");
        QVERIFY(w.namesShown());
        const QImage named1 = picture(w);
        int differ = 0;
        for (int y = 230; y < 320; ++y)
            for (int x = 400; x < 560; ++x)
                differ += bare.pixel(x, y) != named1.pixel(x, y);
        QVERIFY(differ > 30); // the three names, next to the route
        QVERIFY(routeIntact(named1, {{425, 250}, {475, 275}, {450, 300}}));

        // Land under a network in France is there when asked for; Reset view after a zoom.
        QVERIFY(!w.landShown());
        fromMenu(w, {300, 120}, "Land and borders\tL");
        QVERIFY(w.landShown());
        QVERIFY(picture(w).pixelColor(300, 120) != bare.pixelColor(300, 120));
        fromMenu(w, {300, 120}, "Land and borders\tL");
        QCOMPARE(picture(w), named1);
        w.setFocus();
        QTest::keyClick(&w, Qt::Key_N);
        QCOMPARE(picture(w), bare);
        QWheelEvent in(QPointF(300, 300), w.mapToGlobal(QPointF(300, 300)), QPoint(),
                       QPoint(0, 360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&w, &in);
        QVERIFY(picture(w) != bare);
        fromMenu(w, {300, 120}, "Reset view\tHome");
        QCOMPARE(picture(w), bare);
    }

    // The route leaves the window as GPX (read back by another program) or as the table's CSV;
    // the map as a PNG of what is on screen without the controls.
    void routeAndMapSaved()
    {
        Fenetre w(network("net", kCities, kRoads));
        QVERIFY(shownActive(w)); // its shortcuts work in the active window only
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");

        // The first save starts in the user's documents, not among the program's files; the
        // file's name is the route's.
        const QString gpx = dir.filePath("route.gpx");
        QString startedIn, named;
        onNextModal<QFileDialog>([&](QFileDialog *dialog) {
            startedIn = dialog->directory().absolutePath();
            named = dialog->selectedFiles().value(0);
            dialog->setDirectory(QFileInfo(gpx).absolutePath());
            dialog->selectFile(QFileInfo(gpx).fileName());
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::keySequence(&w, QKeySequence::Save);
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(startedIn, QFileInfo(documents).isDir() ? documents : QDir::homePath());
        QVERIFY2(named.endsWith("X - Z.gpx"), qPrintable(named));
        // Said on a ground of its own, beside the zoom buttons, not under them.
        auto *status = w.findChild<QLabel *>("labelStatus");
        QCOMPARE(status->toolTip(), "Saved as " + QDir::toNativeSeparators(gpx) + ".");
        QVERIFY(status->text() == status->toolTip() || status->text().contains(QChar(0x2026)));
        QVERIFY(status->autoFillBackground());
        QVERIFY(
            !status->geometry().intersects(w.findChild<QWidget *>("pushButtonMore")->geometry()));
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
        QCOMPARE(read(csv), QStringLiteral("City,Leg (min),Since start (min)\r\nX,0,0\r\n"
                                           "Y,30,30\r\nZ,45,75\r\nTotal,,75\r\n"));

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

    // The credits shown are the network's own where its folder gives them, readable over the
    // map; the form's otherwise.
    void creditsFollowTheData()
    {
        const QString credited = network("credited", kCities, kRoads);
        QFile file(credited + "/credits.txt");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xc2\xa9 Someone, CC0\nAll of it.\n");
        file.close();
        Fenetre w(credited);
        const QLabel *notice = w.findChild<QLabel *>("label_2");
        QCOMPARE(notice->text(), QString::fromUtf8("© Someone, CC0"));
        QCOMPARE(notice->toolTip(), QString::fromUtf8("© Someone, CC0\nAll of it."));
        QVERIFY(notice->autoFillBackground());
        // The saved map carries it as the screen shows it; a copied route and About too, the
        // latter in a paragraph of its own.
        const QImage map = w.mapImage();
        const QImage drawn =
            const_cast<QLabel *>(notice)->grab().toImage().convertToFormat(map.format());
        QCOMPARE(map.copy(QRect(notice->mapTo(&w, QPoint()), drawn.size())), drawn);
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Y");
        w.findChild<FileActions *>()->copyRoute();
        QVERIFY(
            QGuiApplication::clipboard()->text().endsWith("\nTotal\t\t30\n\u00a9 Someone, CC0\n"));
        QString about;
        onNextModal<QMessageBox>([&about](QMessageBox *box) {
            about = box->text();
            box->accept();
        });
        for (QAction *action : w.findChildren<QAction *>())
            if (action->text() == "About GPS")
                action->trigger();
        QVERIFY2(about.contains("<p>This network: \u00a9 Someone, CC0<br>All of it.</p><p>Land"),
                 qPrintable(about));
        Fenetre plain(network("plain", kCities, kRoads));
        QCOMPARE(plain.findChild<QLabel *>("label_2")->text(),
                 QString::fromUtf8("GPS - cities © GeoNames\nlicence CC BY 4.0"));

        // A credit is text, never markup: an image it names is not loaded (a device, a pipe),
        // nor a style drawn; the tooltip shows the same text escaped.
        const QByteArray markup = "<img src=\"/dev/zero\"><h1 style=\"color:red\">Banner</h1>";
        const QString marked = network("marked", kCities, kRoads);
        QFile markedFile(marked + "/credits.txt");
        QVERIFY(markedFile.open(QIODevice::WriteOnly));
        markedFile.write(markup + "\n");
        markedFile.close();
        Fenetre m(marked);
        notice = m.findChild<QLabel *>("label_2");
        QCOMPARE(notice->textFormat(), Qt::PlainText);
        QCOMPARE(notice->text(), QString::fromUtf8(markup));
        QVERIFY(notice->toolTip().contains("&lt;img src=&quot;/dev/zero&quot;&gt;"));
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QVERIFY(!m.grab().isNull());

        // A credits.txt whose first kilobytes say nothing is no credit, and not GeoNames' either.
        const QString blank = network("blank", kCities, kRoads);
        QFile blankFile(blank + "/credits.txt");
        QVERIFY(blankFile.open(QIODevice::WriteOnly));
        blankFile.write(QByteArray(NetworkCredit::kMostBytes, '\n') + "© Too late\n");
        blankFile.close();
        Fenetre b(blank);
        QCOMPARE(b.findChild<QLabel *>("label_2")->text(),
                 QStringLiteral("Credits missing: this folder's credits.txt is blank"));
    }

    // An OpenStreetMap extract opened from the window: converted off the GUI thread, then
    // opened, credited; cancelled, nothing is left; a file that is no extract is said.
    void importAnExtract()
    {
        if (!OsmImport::available())
            QSKIP("built without libosmium");
        Fenetre w(network("net", kCities, kRoads));
        auto *import = w.findChild<OsmImport *>();
        QVERIFY(import && import->action());
        // (Monaco: © OpenStreetMap contributors, ODbL; tests/data/README.md.)
        const QString extract = QStringLiteral(GPS_TEST_DATA_DIR "/monaco.osm.pbf");
        const QString folder = dir.filePath("imported");
        import->convert(extract, folder);
        QVERIFY(w.findChild<QProgressDialog *>());
        QTRY_COMPARE_WITH_TIMEOUT(w.networkFolder(), folder, 120000);
        QVERIFY(!import->busy());
        QCOMPARE(w.findChild<QLabel *>("label_2")->text(),
                 QString::fromUtf8("© OpenStreetMap contributors, ODbL"));
        QVERIFY(w.findChild<QComboBox *>("comboBoxDepart")->findText("Monaco") > 0);
        // The roads' lengths came with it: a second row of the route table, in km.
        choose(w, "comboBoxDepart", "Monaco");
        choose(w, "comboBoxArrive", QString::fromUtf8("Èze"));
        const QAbstractItemModel *table = w.findChild<QTableView *>("tableViewRoad")->model();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->headerData(1, Qt::Vertical).toString(), QStringLiteral("Distance(km)"));
        const double km = table->index(1, table->columnCount() - 1).data().toString().toDouble();
        QVERIFY2(km > 5 && km < 30, qPrintable(QString::number(km))); // some 10 km of hills
        // It drives on the road graph written with it: each way its own drive (one-way streets),
        // along the road nodes, its legs adding up to the search's time.
        const auto *plan = w.findChild<RoutePlan *>();
        QVERIFY(plan && plan->network().roadNodes());
        const auto driven = [&](const QString &from, const QString &to) {
            choose(w, "comboBoxDepart", from);
            choose(w, "comboBoxArrive", to);
            const std::vector<double> &legs = plan->legTimes();
            const double sum = std::accumulate(legs.begin(), legs.end(), 0.0);
            RouteFinder finder(plan->network());
            const double time = finder.time(plan->path().front(), plan->path().back());
            const RouteShape shape = plan->shape();
            std::size_t points = 0;
            for (const auto &line : shape.legLines)
                points += line.size();
            return std::tuple{sum, time, points, shape.totalKm()};
        };
        const auto [there, thereTime, therePoints, thereKm] =
            driven("Monaco", QString::fromUtf8("Èze"));
        const auto [back, backTime, backPoints, backKm] =
            driven(QString::fromUtf8("Èze"), "Monaco");
        QVERIFY(std::abs(there - thereTime) < 1e-6 && std::abs(back - backTime) < 1e-6);
        QVERIFY2(std::abs(there - back) > 0.01, qPrintable(QString::number(there)));
        QVERIFY(therePoints > 50 && backPoints > 50);
        QCOMPARE(table->index(1, table->columnCount() - 1).data().toString().toDouble(),
                 std::round(backKm * 1000) / 1000);

        // Again from the menu, into the same folder, with suburbs too: its network is replaced
        // once the user says so, and the suburbs are cities.
        answerFileDialog(extract);
        bool asked = false;
        onNextModal<ImportDialog>([&](ImportDialog *d) {
            QCOMPARE(d->kinds(), QStringList({"city", "town", "village"})); // gpsnet's default
            auto *ok = d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            d->findChild<QCheckBox *>("checkBox_city")->setChecked(false);
            d->findChild<QCheckBox *>("checkBox_town")->setChecked(false);
            d->findChild<QCheckBox *>("checkBox_village")->setChecked(false);
            QVERIFY(!ok->isEnabled()); // no kind of place, no import
            for (const char *kind :
                 {"checkBox_city", "checkBox_town", "checkBox_village", "checkBox_suburb"})
                d->findChild<QCheckBox *>(kind)->setChecked(true);
            d->findChild<QLineEdit *>("lineEditFolder")->setText(folder);
            onNextModal<QMessageBox>([&asked](QMessageBox *box) {
                asked = box->text().endsWith("holds a network already. Replace it?");
                box->button(QMessageBox::Yes)->click();
            });
            ok->click();
        });
        import->action()->trigger();
        QVERIFY(asked);
        QVERIFY(import->busy());
        QTRY_VERIFY_WITH_TIMEOUT(
            w.findChild<QComboBox *>("comboBoxDepart")->findText("Monte-Carlo") > 0, 120000);
        QCOMPARE(w.networkFolder(), folder);

        const QString cancelled = dir.filePath("cancelled");
        import->convert(extract, cancelled);
        QProgressDialog *shown = nullptr; // (the first one may not be deleted yet)
        for (QProgressDialog *dialog : w.findChildren<QProgressDialog *>())
            if (dialog->isVisible())
                shown = dialog;
        QVERIFY(shown);
        shown->findChild<QPushButton *>()->click();
        // Another import can start at once (the cancelled one stops at its next look at the
        // flag, and leaves nothing).
        QVERIFY(!import->busy());
        const QString again = dir.filePath("again");
        import->convert(extract, again);
        QVERIFY(import->busy());
        QVERIFY(!QFileInfo::exists(cancelled));
        QTRY_COMPARE_WITH_TIMEOUT(w.networkFolder(), again, 120000);
        QVERIFY(!QFileInfo::exists(cancelled));

        QString said;
        onNextModal<QMessageBox>([&said](QMessageBox *box) {
            said = box->text();
            box->accept();
        });
        import->convert(network("not an extract", kCities, kRoads) + "/villes.csv",
                        dir.filePath("never"));
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 120000);
        QVERIFY2(said.startsWith("The extract could not be converted"), qPrintable(said));
        QVERIFY(!QFileInfo::exists(dir.filePath("never")));
    }

    // What start-up could not read is said in front of the window: the box waits for it.
    void startUpProblemsInFront_data()
    {
        QTest::addColumn<bool>("folder"); // the folder exists
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("cities");
        QTest::addColumn<QByteArray>("roads");
        QTest::newRow("a bad line")
            << true << "Some of the network could not be read" << kCities + "7,Bad,0,north,3\n"
            << kRoads;
        QTest::newRow("a road skipped")
            << true << "Some of the network could not be read" << kCities << kRoads + "X,Y,-5\n";
        QTest::newRow("no folder") << false << "The network folder" << kCities << kRoads;
        // Every line read: what was found in it is said, not that some of it could not be read.
        QTest::newRow("a name twice, a pair given two times, a road to no city")
            << true
            << "The whole network was read; GPS noticed this in it:" << kCities + "7,X,0,45,4\n"
            << kRoads + "Y,X,31\nX,Atlantis,5\n";
    }

    void startUpProblemsInFront()
    {
        QFETCH(bool, folder);
        QFETCH(QString, message);
        QFETCH(QByteArray, cities);
        QFETCH(QByteArray, roads);
        Fenetre w(folder ? network(QTest::currentDataTag(), cities, roads)
                         : dir.filePath("no such folder"));
        QVERIFY(w.findChildren<QMessageBox *>().isEmpty());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.findChildren<QMessageBox *>().size(), 1);
        QMessageBox *box = w.findChildren<QMessageBox *>().constFirst();
        QVERIFY2(box->text().startsWith(message), qPrintable(box->text()));
        QVERIFY(box->isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), box);
        box->close();
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
            << QStringList() << "The whole network was read";
        QTest::newRow("a bad line is said, the rest opens")
            << "drop folder" << kCities + "7,Bad,0,north,3\n"
            << kRoads << true << QStringList({"X", "Y", "Z"})
            << "Some of the network could not be read";
        QTest::newRow("no city read: the network on show stays")
            << "drop folder" << QByteArray("id,name,dept,lat,lon\n") << kRoads << false
            << QStringList({"X", "Y", "Z"}) << "No city could be read";
        QTest::newRow("cancelled at its first stage: the network on show stays")
            << "cancel" << more << kRoads + "U,Z,5\n"
            << false << QStringList({"X", "Y", "Z"}) << QString();
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
        QVERIFY(shownActive(w)); // its shortcuts work in the active window only
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");
        const QString other = network(QTest::currentDataTag(), cities, roads);

        // Each stage in the progress box as it starts (shown at once here); Cancel there
        // returns to the network on show.
        auto *files = w.findChild<FileActions *>();
        files->setProgressDelay(0);
        QStringList stages;
        bool cancelNext = how == "cancel";
        connect(files, &FileActions::readingStage, &w, [&](const QString &text) {
            stages << text;
            auto *box = w.findChild<QProgressDialog *>("readingProgress");
            QVERIFY(box && box->isVisible() && box->isModal());
            QCOMPARE(box->labelText(), text);
            if (std::exchange(cancelNext, false))
                QTest::mouseClick(box->findChild<QPushButton *>(), Qt::LeftButton);
        });
        auto refused = std::make_shared<bool>(false); // the refusal was said
        if (!message.isEmpty() && !opens)
            onNextModal<QMessageBox>([message, refused](QMessageBox *box) {
                QVERIFY2(box->text().startsWith(message), qPrintable(box->text()));
                *refused = true;
                box->accept();
            });
        if (how == "chooser" || how == "cancel") {
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
        QCOMPARE(stages, how == "cancel" ? QStringList({"Reading the cities (villes.csv)..."})
                                         : QStringList({"Reading the cities (villes.csv)...",
                                                        "Reading the roads (temps.csv)...",
                                                        "Reading the roads' shapes "
                                                        "(shapes.csv)..."}));
        QVERIFY(!w.findChild<QProgressDialog *>("readingProgress"));
        // The next opening goes ahead as ever.
        if (how == "cancel") {
            QVERIFY(w.openNetwork(other));
            QCOMPARE(w.networkFolder(), other);
            QCOMPARE(stages.size(), 4);
        }
    }

    // A network large enough for a hierarchy opens at once: plain searches answer until the
    // hierarchy, built behind the window, is in use; the routes are the same before and after,
    // and the image is kept with it for the next opening.
    void routesWhileItsHierarchyIsBuilt()
    {
        QTemporaryDir cache;
        const QByteArray cacheWas = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        Network::Cache &sizes = NetworkReading::sizes();
        const Network::Cache sizesWere = sizes;
        const auto restore = qScopeGuard([&] {
            sizes = sizesWere;
            HierarchyBehind::setBeforeUse({});
            qputenv("XDG_CACHE_HOME", cacheWas);
        });
        sizes.smallest = 0;
        sizes.hierarchyFrom = 0;
        // A grid in tenths (0.1 across, 0.3 down): sums not exact in binary, many routes of
        // one time.
        const int side = 14;
        QByteArray cities = "id,name,dept,lat,lon\n", roads;
        const auto name = [](int r, int c) {
            return QByteArray("G") + QByteArray::number(r) + "_" + QByteArray::number(c);
        };
        for (int r = 0; r < side; ++r)
            for (int c = 0; c < side; ++c) {
                cities += QByteArray::number(r * side + c) + "," + name(r, c) + ",0," +
                          QByteArray::number(45 + r * 0.05) + "," +
                          QByteArray::number(2 + c * 0.05) + "\n";
                if (c + 1 < side)
                    roads += name(r, c) + "," + name(r, c + 1) + ",0.1\n";
                if (r + 1 < side)
                    roads += name(r, c) + "," + name(r + 1, c) + ",0.3\n";
            }
        const QString folder = network("tenths", cities, roads);
        Network plain;
        QCOMPARE(plain.load(folder), Network::Load::Ok);
        RouteFinder finder(plain);
        std::vector<std::pair<int, int>> pairs;
        for (int k = 0; k < 120; ++k)
            pairs.emplace_back((k * 37) % plain.size(), (k * 91 + 5) % plain.size());

        // The hierarchy, made, waits here until the routes before it are asked, or the build is
        // stopped.
        QSemaphore held;
        HierarchyBehind::setBeforeUse([&held](const std::atomic<bool> &stop) {
            while (!stop && !held.tryAcquire(1, 5)) {
            }
        });
        const auto routesMatch = [&](RoutePlan &plan, const char *when) {
            for (const auto &[a, b] : pairs) {
                plan.setRoute(plain.cities()[a].getName(), plain.cities()[b].getName());
                QVERIFY2(plan.path() == finder.route(a, b),
                         qPrintable(QString("%1: %2 to %3").arg(when).arg(a).arg(b)));
                QCOMPARE(plan.legTimes(), plain.legTimes(plan.path()));
            }
        };
        const QDir images(cache.filePath("gps/networks"));
        {
            // Closed before the hierarchy is in use: the image is kept without it, saying that
            // it is still to be made.
            Fenetre first(folder);
            QVERIFY(!first.routePlan().network().hierarchy());
            routesMatch(first.routePlan(), "plain, first opening");
            QTRY_COMPARE(images.entryList({"*.net"}, QDir::Files).size(), 1);
            QVERIFY(first.findChild<HierarchyBehind *>()->busy());
        }
        Fenetre w(folder); // from that image, its hierarchy built behind again
        RoutePlan &plan = w.routePlan();
        QVERIFY(!plan.network().hierarchy());
        routesMatch(plan, "plain");
        held.release();
        QTRY_VERIFY(plan.network().hierarchy());
        routesMatch(plan, "through the hierarchy");
        auto *behind = w.findChild<HierarchyBehind *>();
        QTRY_VERIFY(!behind->busy());
        Fenetre next(folder); // from the image, the hierarchy in it
        QVERIFY(next.routePlan().network().hierarchy());
        QVERIFY(!next.findChild<HierarchyBehind *>()->busy());
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

    // The window by keyboard alone: Tab in reading order reaches the map, whose keys move it;
    // Ctrl+F finds a city, B and E route from and to it, the Menu key or Shift+F10 opens the
    // map's menu on it; Ctrl+R swaps the ends, Ctrl+C copies (and says so), Ctrl+Delete
    // clears; the title names the route; F10 opens the program's menu.
    void keyboardOnly()
    {
        Fenetre w(network("net", kCities, kRoads));
        QVERIFY(shownActive(w));
        auto *depart = w.findChild<QWidget *>("comboBoxDepart");
        depart->setFocus();
        QStringList visited;
        for (int i = 0; i < 13 && QApplication::focusWidget(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited,
                 QStringList({"comboBoxDepart", "comboBoxArrive", "pushButton", "pushButtonTable",
                              "pushButtonTableRoad", "mapKeys", "pushButtonMore", "pushButtonLess",
                              "tableViewRoad", "comboBoxTime", "comboBoxInfo", "menuKeys",
                              "comboBoxDepart"}));
        // The GPS box, reached by Tab, is framed, and opens the program's menu.
        auto *box = w.findChild<QLabel *>("label");
        auto *boxKeys = w.findChild<QWidget *>("menuKeys");
        QCOMPARE(boxKeys->parentWidget(), box);
        boxKeys->setFocus(Qt::TabFocusReason);
        QVERIFY(!box->styleSheet().isEmpty());
        QTest::keyClick(boxKeys, Qt::Key_Return);
        auto *boxMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(boxMenu);
        QCOMPARE(boxMenu->objectName(), QStringLiteral("applicationMenu"));
        boxMenu->close();
        QTest::qWait(0); // (the menu's own activation, which the platform may hand in late)
        w.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &w);
        depart->setFocus();
        QVERIFY(box->styleSheet().isEmpty());
        // A table opened from its button by the keyboard gives the keys back to it on Escape.
        auto *globalButton = w.findChild<QPushButton *>("pushButtonTable");
        globalButton->setFocus(Qt::TabFocusReason);
        QTest::keyClick(globalButton, Qt::Key_Space);
        QTRY_VERIFY(w.findChild<QWidget *>("TableMatrix"));
        QTest::keyClick(keysTarget(&w), Qt::Key_Escape);
        QTRY_VERIFY(!w.findChild<QWidget *>("TableMatrix"));
        QCOMPARE(keysTarget(&w), globalButton);
        QVERIFY(box->styleSheet().isEmpty());
        // Tab leaves the route table, whatever it holds (the arrows move inside it).
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");
        w.findChild<QWidget *>("tableViewRoad")->setFocus();
        QTest::keyClick(keysTarget(&w), Qt::Key_Tab);
        QCOMPARE(keysTarget(&w)->objectName(), QStringLiteral("comboBoxTime"));
        QTest::keyClick(&w, Qt::Key_Delete, Qt::ControlModifier); // (the route cleared)
        // In the cities dialog: the text, the order (with the help typing cities), then the
        // buttons.
        appsettings::Preferences typing;
        typing.typingHelp = true;
        w.usePreferences(typing);
        QStringList dialogOrder;
        onNextModal<QInputDialog>([&dialogOrder](QInputDialog *dialog) {
            dialog->findChild<QLineEdit *>()->setFocus();
            for (int i = 0; i < 3; ++i) { // (the dialog's own focus: it may not be active yet)
                QWidget *at = keysTarget(dialog);
                dialogOrder << QString::fromLatin1(at->metaObject()->className());
                QTest::keyClick(at, Qt::Key_Tab);
            }
            dialog->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QCOMPARE(dialogOrder, QStringList({"QLineEdit", "QComboBox", "QPushButton"}));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QWidget *map = w.findChild<QWidget *>("mapKeys");
        // A click gives the map the keys without a frame; the keyboard's focus is framed.
        QApplication::focusWidget()->clearFocus();
        const QImage unfocused = picture(w);
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(300, 120));
        QCOMPARE(QApplication::focusWidget(), map);
        QCOMPARE(picture(w), unfocused);
        map->clearFocus();
        map->setFocus(Qt::TabFocusReason);
        const QImage first = picture(w);
        QVERIFY(first != unfocused);
        QTest::keyClick(map, Qt::Key_Plus);
        QCOMPARE(picture(w).pixelColor(448, 255), QColor(Qt::black)); // one level in
        QTest::keyClick(map, Qt::Key_Home);
        QCOMPARE(picture(w), first);

        // Find X by part of its name, route from it, find Z, route to it.
        const auto find = [&](const QString &typed) {
            onNextModal<QInputDialog>([typed](QInputDialog *dialog) {
                dialog->setTextValue(typed);
                dialog->accept();
            });
            QTest::keySequence(&w, QKeySequence::Find);
            w.activateWindow();                             // as when the dialog goes
            QTRY_COMPARE(QApplication::focusWidget(), map); // the city found, the map's keys
        };
        find("x");
        QTest::keyClick(map, Qt::Key_B);
        find("Z");
        QTest::keyClick(map, Qt::Key_E);
        QCOMPARE(w.currentPath(), std::vector<int>({2, 3, 4})); // X, Y, Z
        // The menu, by its key, on the city found.
        QTest::keyClick(map, Qt::Key_F10, Qt::ShiftModifier);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().constFirst()->text(), QStringLiteral("Z"));
        for (QAction *action : menu->actions())
            QVERIFY2(action->isSeparator() || action->text().contains('\t') ||
                         !action->shortcut().isEmpty() || action == menu->actions().constFirst(),
                     qPrintable(action->text())); // a key for each
        menu->close();
        QTest::keyClick(map, Qt::Key_Menu); // the keyboard's menu key too
        QVERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        QApplication::activePopupWidget()->close();

        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(w.currentPath(), std::vector<int>({4, 3, 2}));
        QTest::keySequence(&w, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("City\tLeg (min)\tSince start (min)\nZ\t0\t0\nY\t45\t45\n"
                                "X\t30\t75\nTotal\t\t75\n"));
        auto *status = w.findChild<QLabel *>("labelStatus");
        QVERIFY(status->isVisible());
        QCOMPARE(status->text(), QStringLiteral("The route was copied."));
        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_Delete));
        QVERIFY(w.currentPath().empty());

        // The preferences, by their key.
        bool preferences = false;
        onNextModal<PreferencesDialog>([&preferences](PreferencesDialog *dialog) {
            preferences = true;
            dialog->reject();
        });
        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QVERIFY(preferences);
        w.activateWindow(); // as when the dialog goes
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // The program's menu, from the "GPS" box or F10; help is one of its entries.
        QTest::keyClick(&w, Qt::Key_F10);
        auto *programMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(programMenu);
        QCOMPARE(programMenu->objectName(), QStringLiteral("applicationMenu"));
        programMenu->close();
        QTest::mouseClick(w.findChild<QWidget *>("label"), Qt::LeftButton);
        QCOMPARE(QApplication::activePopupWidget(), programMenu);
        programMenu->close();
        QString help;
        QSize helpSize;
        onNextModal<QDialog>([&](QDialog *dialog) {
            help = dialog->findChild<QTextBrowser *>("helpText")->toPlainText();
            helpSize = dialog->frameGeometry().size();
            dialog->accept();
        });
        QTest::keyClick(&w, Qt::Key_F1);
        // A page that scrolls, within the window's 600 pixels.
        QVERIFY2(helpSize.height() <= w.height(), qPrintable(QString::number(helpSize.height())));
        QVERIFY2(help.contains("Shift+F10") && help.contains("villes.csv"), qPrintable(help));
        // Every key the window binds is on the page, and every key the page gives the map
        // does something there.
        for (const QAction *action : static_cast<QWidget &>(w).actions())
            if (!action->shortcut().isEmpty())
                QVERIFY2(help.contains(action->shortcut().toString(QKeySequence::NativeText)),
                         qPrintable(action->shortcut().toString()));
        for (const char *key : {"Ctrl+R", "Ctrl+Del", "Ctrl+Shift+S", "Ctrl+Q", "Wheel", "Drag"})
            QVERIFY2(help.contains(QLatin1String(key)), key);
        auto *controller = w.findChild<MapController *>();
        QVERIFY(controller);
        controller->selectCity(0, false);
        for (const MapController::KeyHelp &k : MapController::keyHelp()) {
            QVERIFY2(help.contains(k.keys), qPrintable(k.keys));
            if (k.key == 0)
                continue;
            if (k.key == Qt::Key_R) // asks for a time
                onNextModal<QDialog>([](QDialog *dialog) { dialog->reject(); });
            QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier);
            QVERIFY2(controller->key(&press), qPrintable(k.keys));
            if (QWidget *menu = QApplication::activePopupWidget())
                menu->close();
        }
    }

    // By default a run keeps nothing: a fresh home stays empty after a session that changed
    // the unit, zoomed and routed, and the next run starts as the first did.
    // What goes beyond the form's window comes by choice only: the route's ends in the title,
    // hours and minutes among the units. Turned off, the window is the form's again.
    void extrasByChoice()
    {
        Fenetre w(network("net", kCities, kRoads));
        auto *time = w.findChild<QComboBox *>("comboBoxTime");
        choose(w, "comboBoxDepart", "X");
        choose(w, "comboBoxArrive", "Z");
        QCOMPARE(w.windowTitle(), QStringLiteral("GPS"));
        QCOMPARE(time->count(), 2);
        // A typed route's stops, ringed by choice only.
        onNextModal<QInputDialog>([](QInputDialog *input) {
            input->setTextValue("V Y Z");
            input->accept();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        const QColor ring(0x80, 0, 0);
        QVERIFY(picture(w).pixelColor(475 - 7, 275) != ring); // Y, typed

        appsettings::Preferences extras;
        extras.routeInTitle = true;
        extras.clockUnit = true;
        extras.ringStops = true;
        editPreferences(w, [&](appsettings::Preferences &p) { p = extras; });
        QCOMPARE(picture(w).pixelColor(475 - 7, 275), ring);
        QCOMPARE(w.windowTitle(), QString::fromUtf8("V → Z — GPS"));
        QCOMPARE(time->itemText(2), QStringLiteral("h:mm"));
        choose(w, "comboBoxTime", "h:mm");
        QCOMPARE(tableOf(w).rowHeader, QStringLiteral("Time(h:mm)"));
        w.routePlan().clear();
        QCOMPARE(w.windowTitle(), QStringLiteral("GPS"));
        choose(w, "comboBoxArrive", "Y");
        choose(w, "comboBoxDepart", "V");
        QCOMPARE(w.windowTitle(), QString::fromUtf8("V → Y — GPS"));

        editPreferences(w, [](appsettings::Preferences &p) { p = {}; });
        QCOMPARE(w.windowTitle(), QStringLiteral("GPS"));
        QCOMPARE(time->count(), 2); // the unit back to minutes
        QCOMPARE(tableOf(w).rowHeader, QStringLiteral("Time(mn)"));
    }

    void nothingKeptByDefault()
    {
        const QString net = network("net", kCities, kRoads);
        const QStringList before = filesIn(home.path()); // (what earlier tests saved there)
        {
            std::unique_ptr<Fenetre> w = start(QString(), net);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            choose(*w, "comboBoxTime", "hour");
            w->findChild<QPushButton *>("pushButtonMore")->click();
            w->setNamesShown(true);
            choose(*w, "comboBoxDepart", "X");
            choose(*w, "comboBoxArrive", "Y");
            QVERIFY(w->openNetwork(network("other", kCities, kRoads)));
            w->resize(900, 700);
            w->close();
        }
        QCOMPARE(filesIn(home.path()), before);
        std::unique_ptr<Fenetre> w = start(QString(), net);
        QCOMPARE(w->networkFolder(), net);
        QCOMPARE(w->findChild<QComboBox *>("comboBoxTime")->currentText(),
                 QStringLiteral("minute"));
        QCOMPARE(w->size(), QSize(800, 600));
        QVERIFY(!w->namesShown());
    }

    // With "Remember my choices" the next run finds the window's size, the unit, names and
    // land and the folder the user opened, never the default one; turned off, all is forgotten
    // and, with every preference back to its default, the home is as it was.
    void choicesRememberedByChoice()
    {
        const QString net = network("net", kCities, kRoads);
        const QString other = network("other", kCities, kRoads);
        const QStringList before = filesIn(home.path());
        {
            std::unique_ptr<Fenetre> first = start(QString(), net);
            first->show();
            QVERIFY(QTest::qWaitForWindowExposed(first.get()));
            choose(*first, "comboBoxTime", "hour"); // before: kept once remembering starts
            editPreferences(*first, [](appsettings::Preferences &p) {
                p.remember = true;
                p.typingHelp = true; // (the order of typed routes comes with it)
            });
            QVERIFY(first->preferences().remember);
            QCOMPARE(appsettings::unit(), QStringLiteral("h"));
            QCOMPARE(appsettings::networkFolder(), QString()); // the default folder: never
            first->resize(1000, 700);
            QTRY_COMPARE(first->size(), QSize(1000, 700));
            first->setNamesShown(true);
            first->setLandShown(true);
            QVERIFY(first->openNetwork(other));
            QCOMPARE(typedRouteOrder(*first, 3), 0); // a round trip asked for
            first->close();
        }
        QCOMPARE(appsettings::networkFolder(), QFileInfo(other).absoluteFilePath());
        {
            std::unique_ptr<Fenetre> second = start(QString(), net);
            QCOMPARE(second->networkFolder(), QFileInfo(other).absoluteFilePath());
            QCOMPARE(second->size(), QSize(1000, 700));
            QCOMPARE(second->findChild<QComboBox *>("comboBoxTime")->currentText(),
                     QStringLiteral("hour"));
            QVERIFY(second->namesShown() && second->landShown());
            QCOMPARE(typedRouteOrder(*second, -1), 3);
            choose(*second, "comboBoxDepart", "X");
            choose(*second, "comboBoxArrive", "Y");
            QCOMPARE(tableOf(*second).cells, QStringList({"0", "0.5h", "0.5h"}));
            // --data names a folder for this run, kept as chosen.
            std::unique_ptr<Fenetre> third = start(net, QString());
            QCOMPARE(appsettings::networkFolder(), QFileInfo(net).absoluteFilePath());
            // A window that does not remember leaves what is kept alone.
            Fenetre plain(net);
            plain.setNamesShown(false);
            QCOMPARE(appsettings::namesShown(), std::optional<bool>(true));

            editPreferences(*second, [](appsettings::Preferences &p) { p = {}; });
        }
        QCOMPARE(appsettings::unit(), QString());
        QCOMPARE(appsettings::networkFolder(), QString());
        QCOMPARE(filesIn(home.path()), before); // nothing chosen, nothing kept
        std::unique_ptr<Fenetre> fourth = start(QString(), net);
        QCOMPARE(fourth->networkFolder(), net);
        QCOMPARE(fourth->findChild<QComboBox *>("comboBoxTime")->currentText(),
                 QStringLiteral("minute"));
        QCOMPARE(fourth->size(), QSize(800, 600));
    }

    // The settings are kept in an ordinary file of the user's alone (a weather key may be in
    // it); a pipe, or a link to one, at its path is neither waited on nor written through:
    // GPS starts as it would for a new user and keeps nothing.
    void settingsFileIsPrivate()
    {
        const QString net = network("net", kCities, kRoads);
        const QString path = QSettings().fileName(); // (made before anything is at the path)
        {
            std::unique_ptr<Fenetre> w = start(QString(), net);
            editPreferences(*w, [](appsettings::Preferences &p) { p.remember = true; });
            const QFile::Permissions mine =
                QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
            QCOMPARE(QFile::permissions(path), mine);
            QCOMPARE(QFile::permissions(QFileInfo(path).path()),
                     mine | QFile::ExeOwner | QFile::ExeUser);
            editPreferences(*w, [](appsettings::Preferences &p) { p.remember = false; });
            QVERIFY(!QFileInfo::exists(path));
        }
        const QString pipe = dir.filePath("settings-pipe");
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        for (const bool link : {false, true}) {
            QVERIFY(link ? QFile::link(pipe, path)
                         : mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            if (!link) // (said once a run)
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not an ordinary file"));
            std::unique_ptr<Fenetre> w = start(QString(), net);
            QCOMPARE(w->preferences(), appsettings::Preferences());
            editPreferences(*w, [](appsettings::Preferences &p) { p.remember = true; });
            choose(*w, "comboBoxTime", "hour");
            w->close();
            QCOMPARE(QFileInfo(path).isSymLink(), link); // as it was,
            QVERIFY(!QFileInfo(pipe).isFile());          // and the pipe too
            QVERIFY(QFile::remove(path));
        }
        QVERIFY(QDir().rmdir(QFileInfo(path).path()));
    }

    // A file of an earlier version, which kept the default folder at every start, is not read
    // until the user asks for choices to be kept, and then it is started anew.
    void oldSettingsNotRead()
    {
        const QString net = network("net", kCities, kRoads);
        const QString stale = network("stale", kCities, kRoads);
        const QStringList before = filesIn(home.path());
        appsettings::setNetworkFolder(QFileInfo(stale).absoluteFilePath());
        appsettings::setUnit(QStringLiteral("h"));
        {
            std::unique_ptr<Fenetre> w = start(QString(), net);
            QCOMPARE(w->networkFolder(), net);
            QCOMPARE(w->findChild<QComboBox *>("comboBoxTime")->currentText(),
                     QStringLiteral("minute"));
            editPreferences(*w, [](appsettings::Preferences &p) { p.remember = true; });
            QCOMPARE(appsettings::networkFolder(), QString());
            QCOMPARE(appsettings::unit(), QStringLiteral("mn"));
            editPreferences(*w, [](appsettings::Preferences &p) { p.remember = false; });
        }
        QCOMPARE(filesIn(home.path()), before);
    }

    // Find offers the names that start with what is typed first, then those with a word that
    // does, then the others; Return takes the one highlighted (the best) at once.
    void findRanksNames()
    {
        QCOMPARE(
            namesHolding({"Arles", "Grenoble", "Bourg-Renard", "Rennes", "Saint-Rennes"}, "REN"),
            QStringList({"Rennes", "Bourg-Renard", "Saint-Rennes", "Grenoble"}));
        Fenetre w(network("find",
                          "h\n1,Grenoble,,45.19,5.72\n2,Rennes,,48.11,-1.68\n"
                          "3,Bourg-Renard,,46,4\n4,Lyon,,45.76,4.84\n",
                          "Grenoble,Lyon,100\nRennes,Lyon,500\n"));
        QVERIFY(shownActive(w));
        QStringList offered;
        bool accepted = false;
        onNextModal<QInputDialog>([&](QInputDialog *dialog) {
            auto *edit = dialog->findChild<QLineEdit *>();
            QTest::keyClicks(edit, "ren");
            QAbstractItemView *popup = edit->findChild<QCompleter *>()->popup();
            for (int row = 0; row < popup->model()->rowCount(); ++row)
                offered << popup->model()->index(row, 0).data().toString();
            QTest::keyClick(popup, Qt::Key_Return); // once
            accepted = dialog->result() == QDialog::Accepted;
        });
        QTest::keySequence(&w, QKeySequence::Find);
        QVERIFY(accepted);
        QCOMPARE(offered, QStringList({"Rennes", "Bourg-Renard", "Grenoble"}));
        w.activateWindow();
        QWidget *map = w.findChild<QWidget *>("mapKeys");
        QTRY_COMPARE(QApplication::focusWidget(), map);
        QTest::keyClick(map, Qt::Key_B);
        QCOMPARE(w.routePlan().start(), QStringLiteral("Rennes"));
    }

    void paintDoesNotAskForAnotherPaint()
    {
        Fenetre w(network("net", kCities, kRoads));
        QVERIFY(shownActive(w)); // no late repaint from the window becoming active
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
