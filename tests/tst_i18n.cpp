// The window in one language: the program's own texts unless another is chosen, even under a
// French locale (the test runs with LANG=fr_FR.UTF-8); French throughout when the system's
// language or French is chosen.

#include "modal.h"
#include "routeexport.h"
#include "routetable.h"
#include "translations.h"
#include "windowtest.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

QString text(const Fenetre &w, const char *name)
{
    if (const auto *button = w.findChild<QPushButton *>(name))
        return button->text();
    return w.findChild<QLabel *>(name)->text();
}

QString header(const Fenetre &w, int section, Qt::Orientation orientation)
{
    return w.findChild<QTableView *>("tableViewRoad")
        ->model()
        ->headerData(section, orientation)
        .toString();
}

} // namespace

class TestI18n : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString data;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        data = windowtest::network(dir, "net", windowtest::kCities, windowtest::kRoads);
        QCOMPARE(QLocale().language(), QLocale::French); // from LANG, as a user's session
    }

    // Every text of the program has its French: none is left to show in English.
    void everyTextTranslated()
    {
        QFile ts(GPS_TS_FILE);
        QVERIFY(ts.open(QIODevice::ReadOnly));
        const QString xml = QString::fromUtf8(ts.readAll());
        QVERIFY(xml.count(QStringLiteral("<message")) > 80);
        QVERIFY(!xml.contains(QStringLiteral("type=\"unfinished\"")));
        QVERIFY(!xml.contains(QStringLiteral("type=\"vanished\"")));
        QVERIFY(
            !xml.contains(QRegularExpression(QStringLiteral("<translation>\\s*</translation>"))));
    }

    // No language chosen: the program's own texts, whatever the system's language.
    void ownTextsByDefault()
    {
        installLanguage(appsettings::Language::Own);
        Fenetre w(data);
        QCOMPARE(text(w, "pushButtonTable"), QStringLiteral("Global Matrix"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxTime")->itemText(1), QStringLiteral("hour"));
        QCOMPARE(header(w, 0, Qt::Vertical), QStringLiteral("Time(mn)"));
    }

    // The system's language chosen, French here.
    void frenchThroughout()
    {
        installLanguage(appsettings::Language::System);
        Fenetre w(data);
        QCOMPARE(w.windowTitle(), QStringLiteral("GPS"));
        QCOMPARE(text(w, "pushButtonTable"), QStringLiteral("Matrice globale"));
        QCOMPARE(text(w, "pushButtonTableRoad"), QStringLiteral("Matrice du trajet"));
        QCOMPARE(text(w, "pushButton"), QStringLiteral("villes"));
        auto *time = w.findChild<QComboBox *>("comboBoxTime");
        QCOMPARE(time->itemText(1), QStringLiteral("heure"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxInfo")->itemText(0), QStringLiteral("Météo"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxDepart")->accessibleName(),
                 QStringLiteral("Ville de départ"));
        // The owner's notice still fits its label.
        auto *notice = w.findChild<QLabel *>("label_2");
        for (const QString &line : notice->text().split('\n'))
            QVERIFY2(notice->fontMetrics().horizontalAdvance(line) <= notice->width(),
                     qPrintable(line));

        // The route table, and the unit chosen by its French name.
        windowtest::choose(w, "comboBoxDepart", "X");
        windowtest::choose(w, "comboBoxArrive", "Y");
        QCOMPARE(header(w, 0, Qt::Vertical), QStringLiteral("Temps(mn)"));
        QCOMPARE(header(w, 2, Qt::Horizontal), QStringLiteral("Total"));
        time->setCurrentIndex(1);
        QCOMPARE(header(w, 0, Qt::Vertical), QStringLiteral("Temps(h)"));
        // A route saved as GPX says its times in French, in hours and minutes.
        std::vector<City> two(2);
        two[0].setName("X");
        two[1].setName("Y");
        const QByteArray gpx = routeGpx(two, {0, 1}, {30}, 1, "h:mm");
        QVERIFY2(gpx.contains("<desc>étape 30 min, depuis le départ 30 min</desc>"),
                 gpx.constData());
        QVERIFY(routeGpx(two, {0, 1}, {qInf()}, 1, "min").contains("étape pas de route"));

        // The map's menu, and Qt's own buttons in the dialogs.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(300, 120),
                                w.mapToGlobal(QPoint(300, 120)));
        QApplication::sendEvent(&w, &click);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList entries;
        for (const QAction *action : menu->actions())
            entries << action->text();
        menu->close();
        QVERIFY2(entries.contains(QStringLiteral("Noms des villes\tN")),
                 qPrintable(entries.join('|')));
        QVERIFY(entries.contains(QStringLiteral("Copier le trajet")));
        QString title, cancel;
        onNextModal<QInputDialog>([&](QInputDialog *dialog) {
            title = dialog->windowTitle();
            if (auto *buttons = dialog->findChild<QDialogButtonBox *>())
                cancel = buttons->button(QDialogButtonBox::Cancel)->text();
            dialog->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QCOMPARE(title, QStringLiteral("Villes"));
        QVERIFY2(cancel.contains(QStringLiteral("Annuler")), qPrintable(cancel));
    }

    // Under a language the program has no translation for, the texts are its own.
    void otherLanguagesKeepTheProgramsTexts()
    {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>())
            QCoreApplication::removeTranslator(translator);
        QVERIFY(!installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        Fenetre w(data);
        QCOMPARE(text(w, "pushButtonTable"), QStringLiteral("Global Matrix"));
        QCOMPARE(w.findChild<QComboBox *>("comboBoxTime")->itemText(1), QStringLiteral("hour"));
        QCOMPARE(header(w, 0, Qt::Vertical), QStringLiteral("Time(mn)"));

        // French by name, whatever the system's language.
        installLanguage(appsettings::Language::French);
        Fenetre french(data);
        QCOMPARE(text(french, "pushButtonTable"), QStringLiteral("Matrice globale"));
    }
};

QTEST_MAIN(TestI18n)
#include "tst_i18n.moc"
