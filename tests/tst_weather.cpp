#include "Window.h"
#include "appsettings.h"
#include "fakeweather.h"
#include "info.h"
#include "modal.h"
#include "weather.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QWheelEvent>

#include <ctime>
#include <utility>

namespace {

const QByteArray kParis = R"({"coord":{"lon":2.35,"lat":48.85},
  "weather":[{"id":500,"main":"Rain","description":"light rain","icon":"10d"}],
  "main":{"temp":50,"feels_like":41,"temp_min":48,"temp_max":52,"pressure":1012,"humidity":80},
  "wind":{"speed":9.2,"deg":240},"rain":{"1h":0.25},
  "sys":{"country":"FR","sunrise":1700000000.9,"sunset":1700030000},
  "name":"Paris","cod":200})";

// Requests of the weather panels not yet finished with (the shared manager owns them).
qsizetype requests()
{
    return weatherNetwork().findChildren<QNetworkReply *>().size();
}

QStringList rows(const Info &panel)
{
    QStringList out;
    for (const char *layoutName : {"infosLayout", "titleLayout"}) {
        auto *layout = panel.findChild<QFormLayout *>(layoutName);
        for (int r = 0; r < layout->rowCount(); ++r)
            out << qobject_cast<QLabel *>(layout->itemAt(r, QFormLayout::LabelRole)->widget())
                           ->text() +
                       qobject_cast<QLabel *>(layout->itemAt(r, QFormLayout::FieldRole)->widget())
                           ->text();
    }
    return out;
}

} // namespace

class TestWeather : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    FakeService service;
    QString data;

    // Shown, and the active window (keys go there).
    static bool shownActive(Fenetre &w)
    {
        w.show();
        w.activateWindow();
        return QTest::qWaitForWindowActive(&w);
    }

    Info *openPanel(Fenetre &w, const QString &city)
    {
        auto *box = w.findChild<QComboBox *>("comboBoxInfo");
        const int index = box->findText(city);
        box->setCurrentIndex(index);
        const qsizetype before = w.findChildren<Info *>().size();
        emit box->activated(index); // as when picked from the list
        // (made once the pick's event is over)
        (void)QTest::qWaitFor([&] { return w.findChildren<Info *>().size() > before; }, 60000);
        const auto panels = w.findChildren<Info *>();
        return panels.size() > before ? panels.last() : nullptr;
    }

private slots:
    void initTestCase()
    {
        // Settings (a remembered key) in a place of their own, empty at the start.
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        QVERIFY(dir.isValid());
        QCOMPARE(qgetenv("TZ"), QByteArray("UTC"));
        QVERIFY(service.startTrusted(dir.path()));

        weatherService().host = "127.0.0.1";
        weatherService().port = service.port();
        weatherService().key = "testkey";
        // Time enough for any answer, on a machine however busy; the silent service's test
        // shortens it.
        weatherService().timeoutMs = 120000;

        QFile villes(dir.filePath("villes.csv"));
        QVERIFY(villes.open(QIODevice::WriteOnly));
        villes.write("h\n1,Paris,75,48.85,2.35\n2,Atlantis,0,0,0\n");
        villes.close();
        // Whole, so that no start-up message comes in front of the window.
        QFile temps(dir.filePath("temps.csv"));
        QVERIFY(temps.open(QIODevice::WriteOnly));
        temps.write("Paris,Atlantis,600\n");
        temps.close();
        data = dir.path();
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("texts"); // temp, felt, humidity, desc, rain, sunset
        QTest::newRow("freezing") << QByteArray(R"({"main":{"temp":32,"feels_like":50}})")
                                  << QStringList{"0", "10", "0", "", "0", "00:00:00"};
        QTest::newRow("boiling") << QByteArray(
                                        R"({"main":{"temp":212,"feels_like":-40,"humidity":80}})")
                                 << QStringList{"100", "-40", "80", "", "0", "00:00:00"};
        QTest::newRow("fraction") << QByteArray(R"({"main":{"temp":59.9},"rain":{"1h":0.25}})")
                                  << QStringList{"15.5", "-17.7778", "0", "", "0.25", "00:00:00"};
        QTest::newRow("sunset") << QByteArray(R"({"sys":{"sunset":1700000000.9},"weather":[]})")
                                << QStringList{"-17.7778", "-17.7778", "0", "", "0", "22:13:20"};
        QTest::newRow("description")
            << QByteArray(R"({"weather":[{"description":"mist"},{"description":"x"}]})")
            << QStringList{"-17.7778", "-17.7778", "0", "mist", "0", "00:00:00"};
        QTest::newRow("empty body")
            << QByteArray() << QStringList{"-17.7778", "-17.7778", "0", "", "0", "00:00:00"};
        QTest::newRow("wrong types")
            << QByteArray(R"({"main":[1],"weather":{"0":1},"sys":{"sunset":"noon"},"name":5})")
            << QStringList{"-17.7778", "-17.7778", "0", "", "0", "00:00:00"};
        QTest::newRow("far future") << QByteArray(R"({"sys":{"sunset":1e300}})")
                                    << QStringList{"-17.7778", "-17.7778", "0", "", "0", ""};
    }

    void readingRules()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, texts);
        const WeatherTexts t = readWeather(body);
        QCOMPARE(QStringList({t.temperature, t.feltTemperature, t.humidity, t.description, t.rain,
                              t.sunset}),
                 texts);
    }

    // Sunrise and sunset are the user's clock times, daylight saving time included. The zones
    // are POSIX rules, so no time zone database is needed.
    void clockTimesAreLocal_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTC") << QByteArray("UTC0") << 1700000000.0 << "22:13:20";
        QTest::newRow("India, half hour") << QByteArray("IST-5:30") << 1700000000.0 << "03:43:20";
        QTest::newRow("New York, winter")
            << QByteArray("EST5EDT,M3.2.0,M11.1.0") << 1700000000.0 << "17:13:20";
        QTest::newRow("New York, summer")
            << QByteArray("EST5EDT,M3.2.0,M11.1.0") << 1690000000.0 << "00:26:40";
        QTest::newRow("Paris, summer")
            << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << 1690000000.0 << "06:26:40";
    }

    void clockTimesAreLocal()
    {
        QFETCH(QByteArray, zone);
        QFETCH(double, seconds);
        QFETCH(QString, text);
        const QByteArray before = qgetenv("TZ");
        auto restore = qScopeGuard([&] {
            qputenv("TZ", before);
            tzset();
        });
        qputenv("TZ", zone);
        tzset();
        const WeatherTexts t = readWeather(QStringLiteral(R"({"sys":{"sunrise":%1,"sunset":%1}})")
                                               .arg(seconds, 0, 'f', 0)
                                               .toUtf8());
        QCOMPARE(t.sunrise, text);
        QCOMPARE(t.sunset, text);
    }

    void failuresAreRecognised()
    {
        QCOMPARE(weatherProblem(kParis, 200, {}), QString());
        QCOMPARE(weatherProblem(R"({"main":{}})", 200, {}), QString()); // defaults for the rest
        // Status 200 without measurements would show 0 °F and midnight as if measured.
        QCOMPARE(weatherProblem("{}", 200, {}),
                 QStringLiteral("the service's answer holds no measurements"));
        QCOMPARE(weatherProblem(R"({"main":5,"name":"Paris"})", 200, {}),
                 QStringLiteral("the service's answer holds no measurements"));
        QCOMPARE(weatherProblem(R"({"cod":"404","message":"city not found"})", 404, {}),
                 QStringLiteral("city not found"));
        QCOMPARE(weatherProblem(R"({"cod":401,"message":"Invalid API key"})", 200, {}),
                 QStringLiteral("Invalid API key"));
        QCOMPARE(weatherProblem(R"({"cod":"500"})", 200, {}),
                 QStringLiteral("the service answered code 500"));
        QCOMPARE(weatherProblem("<html>", 503, {}), QStringLiteral("HTTP status 503"));
        QCOMPARE(weatherProblem("[1,2]", 200, {}),
                 QStringLiteral("the service's answer is not weather data"));
        QCOMPARE(weatherProblem("", 0, "Connection refused"), QStringLiteral("Connection refused"));

        // And what the user can do about each.
        QVERIFY(weatherAdvice("", 0, "Host api.openweathermap.org not found", false)
                    .contains("is this computer online?"));
        QVERIFY(weatherAdvice("", 0, "SSL handshake failed: certificate", false)
                    .contains("certificate"));
        QVERIFY(weatherAdvice("", 0, "no answer within 15 s", true).contains("try again later"));
        QVERIFY(weatherAdvice(R"({"cod":401,"message":"Invalid API key"})", 200, {}, false)
                    .contains("the key was refused — change it"));
        QVERIFY(
            weatherAdvice(R"({"cod":"404"})", 404, {}, false).contains("does not know this city"));
        QVERIFY(weatherAdvice("", 429, {}, false).contains("too many requests"));
        QVERIFY(weatherAdvice("<html>", 503, {}, false).contains("cannot be shown"));
    }

    void cityNameStaysInsideTheQuery()
    {
        WeatherService real;
        real.key = "k";
        const QUrl url = weatherUrl(real, "Saint Malo");
        QCOMPARE(url.toEncoded(), QByteArray("https://api.openweathermap.org/data/2.5/"
                                             "weather?q=Saint%20Malo&appid=k&units=imperial"));
        for (const QString name : {"Évreux", "A&appid=evil", "Rock #1", "C++ Town", "a=b", "  "}) {
            const QUrlQuery query(weatherUrl(real, name));
            const auto items = query.queryItems(QUrl::FullyDecoded);
            QCOMPARE(items.size(), 3);
            QCOMPARE(items[0], qMakePair(QStringLiteral("q"), name));
            QCOMPARE(items[1], qMakePair(QStringLiteral("appid"), QStringLiteral("k")));
            QCOMPARE(items[2], qMakePair(QStringLiteral("units"), QStringLiteral("imperial")));
            QVERIFY(!weatherUrl(real, name).hasFragment());
        }
        QVERIFY(weatherUrl(real, "C++ Town").toEncoded().contains("q=C%2B%2B%20Town&"));
        QVERIFY(weatherUrl(real, "Évreux").toEncoded().contains("q=%C3%89vreux&"));

        WeatherService fromEnvironment;
        qputenv("OPENWEATHER_API_KEY", "0123abcd");
        QCOMPARE(weatherKey(fromEnvironment), QStringLiteral("0123abcd"));
        qunsetenv("OPENWEATHER_API_KEY");
        QCOMPARE(weatherKey(fromEnvironment), QString()); // no key: nothing to send
    }

    void fullReplyFillsThePanel()
    {
        service.mode = FakeService::Weather;
        service.body = kParis;
        service.targets.clear();
        Fenetre w(data);
        Info *panel = openPanel(w, "Paris");
        QVERIFY(panel);
        QCOMPARE(panel->size(), QSize(808, 548)); // its form
        QCOMPARE(panel->findChild<QPushButton *>("pushButtonLeave")->text(),
                 QStringLiteral("return"));
        QTRY_COMPARE_WITH_TIMEOUT(rows(*panel).value(0), QStringLiteral("description : light rain"),
                                  60000);
        // The wind as the service gives it (mph), a bare number.
        QCOMPARE(rows(*panel),
                 QStringList({"description : light rain", "° Temperature : 10",
                              "° Felt Temperature : 5", "% Humidity : 80", "Wind Speed : 9.2",
                              "Wind Direction : 240", "Rain : 0.25", "Sunrise Time : 22:13:20",
                              "Sunset Time : 06:33:20", "City : Paris"}));
        // The reply's words as it gives them: markup in a description is never read as HTML.
        for (const QLabel *label : panel->findChildren<QLabel *>())
            if (label->text() == QStringLiteral("light rain") || label->text() == "Paris")
                QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(service.targets,
                 QList<QByteArray>({"/data/2.5/weather?q=Paris&appid=testkey&units=imperial"}));
        // In a grown window the box of figures takes the room; at 800 x 600 it is the form's.
        auto *box = panel->findChild<QListView *>("listView");
        QCOMPARE(box->geometry(), QRect(530, 90, 261, 261));
        w.show();
        w.resize(1200, 900);
        QTRY_COMPARE(panel->size(), QSize(808 + 392, 548 + 300));
        QCOMPARE(box->geometry(), QRect(530, 90, 261 + 392, 261 + 300));
        QCOMPARE(panel->findChild<QWidget *>("formLayoutWidget")->geometry(),
                 QRect(540, 130, 251 + 392, 221 + 300));
        w.resize(800, 600);
        QTRY_COMPARE(box->geometry(), QRect(530, 90, 261, 261));

        // In km/h where preferred.
        appsettings::Preferences kmh;
        kmh.windInKmh = true;
        w.usePreferences(kmh);
        const auto restore = qScopeGuard([&w] { w.usePreferences(appsettings::Preferences()); });
        panel = openPanel(w, "Paris");
        QTRY_COMPARE_WITH_TIMEOUT(rows(*panel).value(0), QStringLiteral("description : light rain"),
                                  60000);
        QCOMPARE(rows(*panel).value(4), QStringLiteral("Wind Speed : 14.8 km/h"));
    }

    void failuresShowNoWeather_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("description");
        // What to do about it first; why, below.
        QTest::newRow("not found") << int(FakeService::NotFound)
                                   << "Weather unavailable: the service does not know this "
                                      "city\n(city not found)";
        QTest::newRow("dropped") << int(FakeService::Drop)
                                 << "Weather unavailable: cannot reach the weather service — is "
                                    "this computer online?\n(";
        QTest::newRow("silent") << int(FakeService::Silent)
                                << "Weather unavailable: the weather service did not answer in "
                                   "time — try again later\n(no answer within 0.5 s)";
    }

    void failuresShowNoWeather()
    {
        QFETCH(int, mode);
        QFETCH(QString, description);
        service.mode = FakeService::Mode(mode);
        // Nothing ever comes from the silent service: it is given up on after half a second.
        const int patience = std::exchange(weatherService().timeoutMs, 500);
        const auto restore = qScopeGuard([patience] { weatherService().timeoutMs = patience; });
        Fenetre w(data);
        w.show(); // (the panel laid out on screen)
        Info *panel = openPanel(w, "Atlantis");
        QVERIFY(panel);
        QTRY_VERIFY_WITH_TIMEOUT(
            rows(*panel).value(0).startsWith("description : Weather unavailable"), 60000);
        const QStringList shown = rows(*panel);
        QVERIFY2(shown[0].startsWith("description : " + description), qPrintable(shown[0]));
        QCOMPARE(shown.mid(1),
                 QStringList({"° Temperature : ", "° Felt Temperature : ", "% Humidity : ",
                              "Wind Speed : ", "Wind Direction : ", "Rain : ", "Sunrise Time : ",
                              "Sunset Time : ", "City : Atlantis"}));
        // The reason is there to read in full: it wraps, in the room of the figures.
        auto *reason = panel->findChild<QLabel *>("labelProblem");
        QVERIFY(reason->isVisibleTo(panel) && reason->wordWrap());
        QCOMPARE("description : " + reason->text(), shown[0]);
        auto *layout = panel->findChild<QFormLayout *>("infosLayout");
        for (int row = 0; row < layout->rowCount(); ++row)
            QVERIFY(!layout->itemAt(row, QFormLayout::FieldRole)->widget()->isVisibleTo(panel));
    }

    void noKeyAsksNothing()
    {
        service.mode = FakeService::Weather;
        service.body = kParis;
        service.targets.clear();
        const QString key = weatherService().key;
        weatherService().key.clear();
        const QByteArray environment = qgetenv("OPENWEATHER_API_KEY");
        qunsetenv("OPENWEATHER_API_KEY");
        auto restore = qScopeGuard([&] {
            weatherService().key = key;
            if (!environment.isEmpty())
                qputenv("OPENWEATHER_API_KEY", environment);
        });
        Fenetre w(data);
        const qsizetype asked = requests();
        Info *panel = openPanel(w, "Paris");
        QVERIFY(panel);
        QVERIFY2(rows(*panel).value(0).contains("OPENWEATHER_API_KEY"),
                 qPrintable(rows(*panel).value(0)));
        QCOMPARE(requests(), asked); // a panel asks as it opens, or not at all
        QVERIFY(service.targets.isEmpty());
    }

    // Without a key, the panel takes one typed in: used at once and, where the user's choices
    // are remembered, in the next runs too, after the environment's. Never written to the log.
    void keyTypedInThePanel()
    {
        service.mode = FakeService::Weather;
        service.body = kParis;
        service.targets.clear();
        const QString key = std::exchange(weatherService().key, QString());
        const QByteArray environment = qgetenv("OPENWEATHER_API_KEY");
        qunsetenv("OPENWEATHER_API_KEY");
        static QStringList logged;
        logged.clear();
        const QtMessageHandler before = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { logged << text; });
        QLoggingCategory::setFilterRules(QStringLiteral("gps.weather.debug=true"));
        auto restore = qScopeGuard([&] {
            QLoggingCategory::setFilterRules(QString());
            qInstallMessageHandler(before);
            weatherService().key = key;
            appsettings::setPreferences(appsettings::Preferences());
            weatherService().rememberKey = false;
            if (!environment.isEmpty())
                qputenv("OPENWEATHER_API_KEY", environment);
            else
                qunsetenv("OPENWEATHER_API_KEY");
        });

        Fenetre w(data);
        QVERIFY(shownActive(w));
        QPointer<Info> panel = openPanel(w, "Paris");
        QVERIFY(panel);
        auto *edit = panel->findChild<QLineEdit *>("lineEditKey");
        QVERIFY(edit && edit->isVisibleTo(panel));
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QVERIFY(rows(*panel).value(0).contains("type it below"));
        panel->findChild<QPushButton *>("pushButtonKey")->click(); // nothing typed: nothing asked
        QCOMPARE(requests(), 0);
        QTest::keyClicks(edit, " typed0123 ");
        QVERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_Return); // in the field, Return uses the key
        QVERIFY(panel);
        QTRY_COMPARE_WITH_TIMEOUT(rows(*panel).value(0), QStringLiteral("description : light rain"),
                                  60000);
        QVERIFY(!edit->isVisibleTo(panel));
        QCOMPARE(service.targets,
                 QList<QByteArray>({"/data/2.5/weather?q=Paris&appid=typed0123&units=imperial"}));

        // It serves this run only, unless the user's choices are kept: then the next run finds
        // it, and a key in the environment comes first.
        QCOMPARE(appsettings::weatherKey(), QString());
        appsettings::Preferences remember;
        remember.remember = true;
        appsettings::setPreferences(remember);
        w.usePreferences(remember);
        weatherService().key.clear();
        QCOMPARE(weatherKey(weatherService()), QStringLiteral("typed0123"));
        qputenv("OPENWEATHER_API_KEY", "fromenvironment");
        QCOMPARE(weatherKey(weatherService()), QStringLiteral("fromenvironment"));
        QVERIFY(!logged.isEmpty()); // the request and its answer were logged...
        for (const QString &line : logged)
            QVERIFY2(!line.contains("typed0123"), qPrintable(line)); // ...without the key
        // Not remembering forgets it.
        appsettings::setPreferences(appsettings::Preferences());
        w.usePreferences(appsettings::Preferences());
        qunsetenv("OPENWEATHER_API_KEY");
        QCOMPARE(weatherKey(weatherService()), QString());
    }

    // A city picked with the keyboard (the list opened, an arrow, Return) opens its panel and
    // asks, as a pick with the mouse does.
    void keyboardPickOpensThePanel()
    {
        service.mode = FakeService::Weather;
        service.body = kParis;
        service.targets.clear();
        Fenetre w(data);
        QVERIFY(shownActive(w));
        auto *box = w.findChild<QComboBox *>("comboBoxInfo");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier); // the list opens
        QTRY_VERIFY(box->view()->isVisible());
        QTest::keyClick(box->view(), Qt::Key_Down);
        QTest::keyClick(box->view(), Qt::Key_Return);
        QTRY_VERIFY(!w.findChildren<Info *>().isEmpty());
        QPointer<Info> panel = w.findChildren<Info *>().constLast();
        QTRY_COMPARE_WITH_TIMEOUT(rows(*panel).value(0), QStringLiteral("description : light rain"),
                                  60000);
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(service.targets.size(), 1);
        // Typed, then Return.
        panel->close();
        QTRY_VERIFY(!panel);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_P);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!w.findChildren<Info *>().isEmpty());
        panel = w.findChildren<Info *>().constLast();
        QTRY_COMPARE_WITH_TIMEOUT(rows(*panel).value(0), QStringLiteral("description : light rain"),
                                  60000);
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(service.targets.size(), 2); // one panel, one request
    }

    // A key the service refuses can be changed in the panel, and the weather comes.
    void refusedKeyChangedInThePanel()
    {
        service.mode = FakeService::Weather;
        service.body = kParis;
        service.targets.clear();
        service.refusedKey = "wrong0";
        const QString key = std::exchange(weatherService().key, QStringLiteral("wrong0"));
        const auto restore = qScopeGuard([&] {
            weatherService().key = key;
            service.refusedKey.clear();
        });
        Fenetre w(data);
        QVERIFY(shownActive(w));
        QPointer<Info> panel = openPanel(w, "Paris");
        QVERIFY(panel);
        QTRY_VERIFY_WITH_TIMEOUT(rows(*panel).value(0).startsWith("description : Weather"), 60000);
        QVERIFY2(rows(*panel).value(0).contains("the key was refused — change it"),
                 qPrintable(rows(*panel).value(0)));
        auto *edit = panel->findChild<QLineEdit *>("lineEditKey");
        QVERIFY(edit && edit->isVisibleTo(panel));
        QTest::keyClicks(edit, "right1");
        panel->findChild<QPushButton *>("pushButtonKey")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rows(*panel).value(0), QStringLiteral("description : light rain"),
                                  60000);
        QVERIFY(!edit->isVisibleTo(panel));
        QVERIFY(!panel->findChild<QLabel *>("labelProblem")->isVisibleTo(panel));
        QCOMPARE(service.targets,
                 QList<QByteArray>({"/data/2.5/weather?q=Paris&appid=wrong0&units=imperial",
                                    "/data/2.5/weather?q=Paris&appid=right1&units=imperial"}));
        QCOMPARE(weatherService().key, QStringLiteral("right1")); // for the next panels
    }

    void certificatesAreChecked()
    {
        // Without the test's certificate among the trusted ones, the stand-in is refused.
        service.mode = FakeService::Weather;
        service.body = kParis;
        const QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        QSslConfiguration plain = trusting;
        plain.setCaCertificates(QSslConfiguration::systemCaCertificates());
        QSslConfiguration::setDefaultConfiguration(plain);
        // The panels share one manager: its connection made under the old trust must go.
        weatherNetwork().clearConnectionCache();
        Fenetre w(data);
        Info *panel = openPanel(w, "Paris");
        QTRY_VERIFY_WITH_TIMEOUT(
            rows(*panel).value(0).startsWith("description : Weather unavailable"), 60000);
        QVERIFY(rows(*panel).value(0).contains("certificate"));
        QVERIFY(rows(*panel).value(1) == "° Temperature : ");
        QSslConfiguration::setDefaultConfiguration(trusting);
    }

    void panelsComeAndGo()
    {
        service.mode = FakeService::Silent;
        Fenetre w(data);
        w.show();
        w.activateWindow(); // the keys go to the window's focus
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *box = w.findChild<QComboBox *>("comboBoxInfo");
        // Arrow keys, letters and the wheel over the closed box open nothing (with the help
        // typing cities, a letter opens the search of the box's names, which Escape closes).
        box->setFocus();
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_P})
            QTest::keyClick(box, key);
        QVERIFY(!w.findChild<QLineEdit *>("boxSearch"));
        appsettings::Preferences typing;
        typing.typingHelp = true;
        w.usePreferences(typing);
        QTest::keyClick(box, Qt::Key_P);
        auto *search = w.findChild<QLineEdit *>("boxSearch");
        QVERIFY(search);
        QTest::keyClick(search, Qt::Key_Escape);
        QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        QCOMPARE(w.findChildren<Info *>().size(), 0);
        QCOMPARE(box->currentIndex(), 0);
        // A city picked opens its panel, and the box is ready to pick it again.
        openPanel(w, "Paris");
        QCOMPARE(box->currentText(), QStringLiteral("Info city"));
        openPanel(w, "Paris");
        QCOMPARE(w.findChildren<Info *>().size(), 2);
        w.findChildren<Info *>().value(1)->close();
        QTRY_COMPARE(w.findChildren<Info *>().size(), 1);
        QPointer<Info> panel = w.findChildren<Info *>().value(0);
        QVERIFY(panel->isVisible());
        QVERIFY(!panel->autoFillBackground()); // the window shows through it, as the form has it
        QCOMPARE(panel->pos(), QPoint(0, 0));
        // Closing it while its request waits frees it, and the late reply goes nowhere: not
        // even read by a panel half gone.
        QTest::failOnWarning(QRegularExpression("device not open"));
        QTest::mouseClick(panel->findChild<QPushButton *>("pushButtonLeave"), Qt::LeftButton);
        QTRY_VERIFY(panel.isNull());
        // Escape closes a panel like its return button, and so does Return.
        QPointer<Info> second = openPanel(w, "Paris");
        QVERIFY(second);
        QTest::keyClick(keysTarget(&w), Qt::Key_Escape);
        QTRY_VERIFY(second.isNull());
        QPointer<Info> third = openPanel(w, "Paris");
        QTest::keyClick(keysTarget(&w), Qt::Key_Return);
        QTRY_VERIFY(third.isNull());
        // The requests went with their panels: nothing is left to come back to them.
        QTRY_COMPARE(requests(), 0);
        QVERIFY(w.findChildren<Info *>().isEmpty());
    }
};

QTEST_MAIN(TestWeather)
#include "tst_weather.moc"
