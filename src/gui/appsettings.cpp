#include "appsettings.h"

#include <QSettings>

namespace appsettings {

namespace {

std::optional<bool> flag(const char *key)
{
    const QVariant value = QSettings().value(QLatin1String(key));
    if (!value.isValid())
        return std::nullopt;
    return value.toBool();
}

} // namespace

QByteArray windowGeometry()
{
    return QSettings().value(QStringLiteral("window/geometry")).toByteArray();
}

void setWindowGeometry(const QByteArray &geometry)
{
    QSettings().setValue(QStringLiteral("window/geometry"), geometry);
}

QString networkFolder()
{
    return QSettings().value(QStringLiteral("network/folder")).toString();
}

void setNetworkFolder(const QString &folder)
{
    QSettings().setValue(QStringLiteral("network/folder"), folder);
}

QString unit()
{
    return QSettings().value(QStringLiteral("route/unit")).toString();
}

void setUnit(const QString &unit)
{
    QSettings().setValue(QStringLiteral("route/unit"), unit);
}

std::optional<bool> namesShown()
{
    return flag("map/names");
}

void setNamesShown(bool shown)
{
    QSettings().setValue(QStringLiteral("map/names"), shown);
}

std::optional<bool> landShown()
{
    return flag("map/land");
}

void setLandShown(bool shown)
{
    QSettings().setValue(QStringLiteral("map/land"), shown);
}

QString weatherKey()
{
    return QSettings().value(QStringLiteral("weather/key")).toString();
}

void setWeatherKey(const QString &key)
{
    QSettings().setValue(QStringLiteral("weather/key"), key);
}

} // namespace appsettings
