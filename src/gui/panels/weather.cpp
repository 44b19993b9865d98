#include "weather.h"

#include "appsettings.h"
#include "routetable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QPointer>

#include <cmath>

namespace {

QJsonObject parseObject(const QByteArray &body)
{
    // Invalid UTF-8 becomes replacement characters before parsing.
    return QJsonDocument::fromJson(QString::fromUtf8(body).toUtf8()).object();
}

QString clockTime(double seconds)
{
    const double whole = std::trunc(seconds);
    if (!(std::abs(whole) < 1e15)) // far beyond any calendar QDateTime shows
        return QString();
    return QDateTime::fromSecsSinceEpoch(qint64(whole)).toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

WeatherService &weatherService()
{
    static WeatherService service;
    return service;
}

QString weatherKey(const WeatherService &service)
{
    if (!service.key.isEmpty())
        return service.key;
    const QString fromEnvironment = qEnvironmentVariable("OPENWEATHER_API_KEY").trimmed();
    if (!fromEnvironment.isEmpty() || !service.rememberKey)
        return fromEnvironment;
    return appsettings::weatherKey();
}

void useWeatherKey(WeatherService &service, const QString &key)
{
    service.key = key.trimmed();
    if (service.rememberKey)
        appsettings::setWeatherKey(service.key);
}

QUrl weatherUrl(const WeatherService &service, const QString &cityName)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(service.host);
    url.setPort(service.port);
    url.setPath(QStringLiteral("/data/2.5/weather"));
    const QByteArray query = "q=" + QUrl::toPercentEncoding(cityName) +
                             "&appid=" + QUrl::toPercentEncoding(weatherKey(service)) +
                             "&units=imperial";
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

WeatherTexts readWeather(const QByteArray &body, bool windInKmh)
{
    const QJsonObject top = parseObject(body);
    const QJsonValue main = top.value(QLatin1String("main"));
    const QJsonValue weather = top.value(QLatin1String("weather"));
    const QJsonValue wind = top.value(QLatin1String("wind"));
    const QJsonValue sys = top.value(QLatin1String("sys"));
    const QJsonValue rain = top.value(QLatin1String("rain"));
    auto celsius = [](double fahrenheit) { return formatNumber((fahrenheit - 32) / 1.8); };

    WeatherTexts t;
    t.temperature = celsius(main[QLatin1String("temp")].toDouble());
    t.feltTemperature = celsius(main[QLatin1String("feels_like")].toDouble());
    t.humidity = formatNumber(main[QLatin1String("humidity")].toDouble());
    t.description = weather[0][QLatin1String("description")].toString();
    // Miles per hour in the units asked for; in km/h, to a tenth as the service measures it.
    const double mph = wind[QLatin1String("speed")].toDouble();
    t.windSpeed = windInKmh
                      ? formatNumber(std::round(mph * 1.609344 * 10) / 10) + QStringLiteral(" km/h")
                      : formatNumber(mph);
    t.windDirection = formatNumber(wind[QLatin1String("deg")].toDouble());
    t.sunset = clockTime(sys[QLatin1String("sunset")].toDouble());
    t.sunrise = clockTime(sys[QLatin1String("sunrise")].toDouble());
    t.city = top.value(QLatin1String("name")).toString();
    t.rain = formatNumber(rain[QLatin1String("1h")].toDouble());
    return t;
}

QString weatherProblem(const QByteArray &body, int httpStatus, const QString &transportError)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QString::fromUtf8(body).toUtf8());
    const QJsonObject top = doc.object();
    // The service says what went wrong in "message", with a "cod" other than 200 (a number
    // or a text, depending on the error).
    const QString message = top.value(QLatin1String("message")).toString().trimmed();
    const QJsonValue cod = top.value(QLatin1String("cod"));
    const int code = cod.isString() ? cod.toString().toInt() : cod.toInt(200);
    if (httpStatus != 200 || !transportError.isEmpty()) {
        if (!message.isEmpty())
            return message;
        if (httpStatus > 0)
            return QCoreApplication::translate("Weather", "HTTP status %1").arg(httpStatus);
        return transportError.isEmpty() ? QCoreApplication::translate("Weather", "no answer")
                                        : transportError;
    }
    if (!doc.isObject())
        return QCoreApplication::translate("Weather", "the service's answer is not weather data");
    if (!cod.isUndefined() && code != 200)
        return message.isEmpty()
                   ? QCoreApplication::translate("Weather", "the service answered code %1")
                         .arg(cod.isString() ? cod.toString() : QString::number(cod.toDouble()))
                   : message;
    // Without its measurements the answer would show 0 °F as -17.7778 °C, as if measured.
    if (!top.value(QLatin1String("main")).isObject())
        return QCoreApplication::translate("Weather", "the service's answer holds no measurements");
    return QString();
}

QString weatherAdvice(const QByteArray &body, int httpStatus, const QString &transportError,
                      bool timedOut)
{
    if (timedOut)
        return QCoreApplication::translate(
            "Weather", "the weather service did not answer in time — try again later");
    if (httpStatus == 0 && !transportError.isEmpty())
        return transportError.contains(QLatin1String("certificate"), Qt::CaseInsensitive) ||
                       transportError.contains(QLatin1String("SSL"), Qt::CaseInsensitive)
                   ? QCoreApplication::translate(
                         "Weather", "the weather service could not be trusted (its certificate)")
                   : QCoreApplication::translate(
                         "Weather", "cannot reach the weather service — is this computer online?");
    const QJsonValue cod = parseObject(body).value(QLatin1String("cod"));
    const int code = cod.isString() ? cod.toString().toInt() : cod.toInt(httpStatus);
    if (keyRefused(body, httpStatus))
        return QCoreApplication::translate("Weather", "the key was refused — change it");
    if (httpStatus == 404 || code == 404)
        return QCoreApplication::translate("Weather", "the service does not know this city");
    if (httpStatus == 429 || code == 429)
        return QCoreApplication::translate("Weather",
                                           "too many requests with this key — try again later");
    return QCoreApplication::translate("Weather", "the weather service's answer cannot be shown");
}

bool keyRefused(const QByteArray &body, int httpStatus)
{
    const QJsonValue cod = parseObject(body).value(QLatin1String("cod"));
    return httpStatus == 401 || (cod.isString() ? cod.toString().toInt() : cod.toInt()) == 401;
}

QNetworkAccessManager &weatherNetwork()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    return *manager;
}
