#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// The current-weather web service: where the requests go, and how its replies read.

struct WeatherService
{
    QString host = QStringLiteral("api.openweathermap.org");
    int port = -1; // the scheme's own
    QString key;   // empty: the OPENWEATHER_API_KEY environment variable, then a remembered one
    int timeoutMs = 15000;
    // A key typed in a weather panel is kept for the next runs (the program's settings).
    bool rememberKey = false;
    // The wind in km/h; otherwise as the service gives it (miles per hour), a bare number.
    bool windInKmh = false;
};

// The service every new weather panel uses. Tests point it at a local server.
WeatherService &weatherService();

// The application's one network access manager, shared by the weather panels (so that they
// share its connections and cache). Made on first use; freed with the application object.
QNetworkAccessManager &weatherNetwork();

// The service's key, else OPENWEATHER_API_KEY, else the key remembered from a panel (where the
// service remembers keys); empty when there is none (nothing is then asked).
QString weatherKey(const WeatherService &service);
// A key the user typed: used from now on, and remembered where the service remembers keys.
void useWeatherKey(WeatherService &service, const QString &key);

// https://HOST/data/2.5/weather?q=CITY&appid=KEY&units=imperial, the city name percent-encoded
// as the value of q so that no character of it can end the value or the query.
QUrl weatherUrl(const WeatherService &service, const QString &cityName);

// The ten texts of the weather panel.
struct WeatherTexts
{
    QString description, temperature, feltTemperature, humidity, windSpeed, windDirection, rain,
        sunrise, sunset, city;
};

// Reads a reply body: temperatures from Fahrenheit to Celsius, the wind as given (mph) or, with
// `windInKmh`, as "N km/h", figures in 6 significant digits, times as local "hh:mm:ss"; a
// missing member reads as 0 (or an empty text).
WeatherTexts readWeather(const QByteArray &body, bool windInKmh = false);

// Whether the service refused the key of the request that got this answer.
bool keyRefused(const QByteArray &body, int httpStatus);

// Why a finished request cannot be shown as weather ("city not found", "HTTP status 500", a
// network error...), or an empty text when it can. `httpStatus` is 0 when no HTTP answer came;
// `transportError` is empty when the transfer itself went well.
QString weatherProblem(const QByteArray &body, int httpStatus, const QString &transportError);

// What a user can do about a failed request, to say before its reason: "cannot reach the
// weather service — is this computer online?" where no answer came, "the service refused the
// key" and so on. `timedOut`: given up after the service's time limit.
QString weatherAdvice(const QByteArray &body, int httpStatus, const QString &transportError,
                      bool timedOut);
