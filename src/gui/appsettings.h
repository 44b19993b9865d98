#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What GPS remembers between runs, each under one key of the application's QSettings (the
// organisation and application names are main's). Nothing is remembered unless asked: the
// program asks, tests only where they test it.
namespace appsettings {

QByteArray windowGeometry();
void setWindowGeometry(const QByteArray &geometry);

// The network folder last opened.
QString networkFolder();
void setNetworkFolder(const QString &folder);

// The route table's unit as the table writes it, "mn" or "h"; empty when none was chosen.
QString unit();
void setUnit(const QString &unit);

// The city names and the land, when the user chose to show them or not.
std::optional<bool> namesShown();
void setNamesShown(bool shown);
std::optional<bool> landShown();
void setLandShown(bool shown);

// The weather service's key as typed in the weather panel.
QString weatherKey();
void setWeatherKey(const QString &key);

} // namespace appsettings
