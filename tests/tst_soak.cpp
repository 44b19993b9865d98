// Hours of use compressed: 10,000 route changes with zooms, unit switches, typed routes, table
// and weather panels opened and closed, on the shipped network. Resident memory must stay flat
// once warmed up, and nothing may crash or hang.

#include "Window.h"
#include "fakeweather.h"
#include "info.h"
#include "modal.h"
#include "tablematrix.h"
#include "testsupport.h"
#include "weather.h"

#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

using testsupport::residentKiB;

// (gcc says so by a macro, clang by a feature.)
#if defined(__SANITIZE_ADDRESS__)
#define GPS_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GPS_ADDRESS_SANITIZER
#endif
#endif
#ifdef GPS_ADDRESS_SANITIZER
constexpr bool kSanitized = true; // freed memory is held back on purpose: sizes mean nothing
#else
constexpr bool kSanitized = false;
#endif

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void tenThousandChanges()
    {
        QTemporaryDir dir;
        FakeService service;
        QVERIFY(service.startTrusted(dir.path()));
        service.body =
            R"({"weather":[{"description":"clear sky"}],"main":{"temp":60},"name":"X","cod":200})";
        weatherService().host = "127.0.0.1";
        weatherService().port = service.port();
        weatherService().timeoutMs = 120000; // an answer, however busy the machine
        weatherService().key = "soak";

        Fenetre w(GPS_SAMPLE_DATA_DIR);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *depart = w.findChild<QComboBox *>("comboBoxDepart");
        auto *arrive = w.findChild<QComboBox *>("comboBoxArrive");
        auto *time = w.findChild<QComboBox *>("comboBoxTime");
        auto *info = w.findChild<QComboBox *>("comboBoxInfo");
        auto *more = w.findChild<QPushButton *>("pushButtonMore");
        auto *less = w.findChild<QPushButton *>("pushButtonLess");
        const int cities = depart->count() - 1;
        QVERIFY(cities > 50);

        QStringList oneWord; // names that a typed list can hold
        for (int i = 1; i <= cities; ++i)
            if (!depart->itemText(i).contains(' '))
                oneWord << depart->itemText(i);

        QRandomGenerator rng(12);
        const int rounds = kSanitized ? 1500 : 10000;
        const int warmUp = rounds / 10;
        long warm = 0;
        int weatherShown = 0;
        for (int i = 1; i <= rounds; ++i) {
            (i % 2 ? depart : arrive)->setCurrentIndex(1 + int(rng.bounded(cities)));
            if (i % 7 == 0)
                (rng.bounded(2) ? more : less)->click();
            if (i % 11 == 0)
                time->setCurrentIndex(int(rng.bounded(2)));
            w.repaint();
            if (i % 100 == 0) {
                // A typed route, its table, the whole network's table, a city's weather.
                const QString typed = oneWord[rng.bounded(int(oneWord.size()))] + ' ' +
                                      oneWord[rng.bounded(int(oneWord.size()))];
                onNextModal<QInputDialog>([typed](QInputDialog *d) {
                    d->setTextValue(typed);
                    d->accept();
                });
                w.findChild<QPushButton *>("pushButton")->click();
                w.findChild<QPushButton *>("pushButtonTableRoad")->click();
                w.findChild<QPushButton *>("pushButtonTable")->click();
                for (TableMatrix *panel : w.findChildren<TableMatrix *>())
                    panel->findChild<QPushButton *>("pushButton")->click();

                info->setCurrentIndex(1 + (i / 100) % cities);
                emit info->activated(info->currentIndex());
                Info *panel = nullptr; // made once the pick's event is over
                QTRY_VERIFY((panel = w.findChild<Info *>()));
                QTRY_COMPARE_WITH_TIMEOUT(panel->findChild<QFormLayout *>("infosLayout")
                                              ->itemAt(0, QFormLayout::FieldRole)
                                              ->widget()
                                              ->property("text")
                                              .toString(),
                                          QStringLiteral("clear sky"), 60000);
                ++weatherShown;
                panel->findChild<QPushButton *>("pushButtonLeave")->click();
                QTRY_VERIFY(w.findChildren<Info *>().isEmpty());
                QTRY_VERIFY(w.findChildren<TableMatrix *>().isEmpty());
            }
            if (i == warmUp) {
                QCoreApplication::processEvents();
                warm = residentKiB();
            }
        }
        QCoreApplication::processEvents();
        const long end = residentKiB();
        qInfo("%d route changes, %d weather panels; resident memory %ld KiB after warm-up, %ld KiB "
              "at the end: %+ld KiB",
              rounds, weatherShown, warm, end, end - warm);
        QCOMPARE(weatherShown, rounds / 100);
        if (kSanitized || warm < 0)
            QSKIP("memory figures are meaningless under AddressSanitizer or without /proc");
        QVERIFY2(end - warm <= 5 * 1024, "resident memory grew by more than 5 MB");
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
