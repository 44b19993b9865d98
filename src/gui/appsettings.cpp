#include "appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace appsettings {

namespace {

const QString kRemember = QStringLiteral("preferences/remember");
const QString kLanguage = QStringLiteral("preferences/language");
const QString kReadersOrder = QStringLiteral("preferences/readersOrder");
const QString kWindInKmh = QStringLiteral("preferences/windInKmh");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kFolder = QStringLiteral("network/folder");
const QString kUnit = QStringLiteral("route/unit");
const QString kOrder = QStringLiteral("route/order");
const QString kNames = QStringLiteral("map/names");
const QString kLand = QStringLiteral("map/land");
const QString kKey = QStringLiteral("weather/key");

// Every key kept for `remember`, so that turning it off leaves none behind.
const QString *const kKept[] = {&kGeometry, &kFolder, &kUnit, &kOrder, &kNames, &kLand, &kKey};

std::optional<bool> flag(const QString &key)
{
    const QVariant value = QSettings().value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toBool();
}

// With nothing left to keep, the file goes, and its folder where that is empty: the user's
// home is as before GPS ran.
void tidy(QSettings &settings)
{
    if (!settings.allKeys().isEmpty())
        return;
    settings.sync();
    const QFileInfo file(settings.fileName());
    if (!file.exists())
        return;
    QFile::remove(file.filePath());
    QDir().rmdir(file.path()); // only if empty
}

// Writes `value` under `key`, or removes the key where `value` is the default.
void put(const QString &key, const QVariant &value, bool isDefault)
{
    QSettings settings;
    if (isDefault) {
        if (!settings.contains(key))
            return;
        settings.remove(key);
        tidy(settings);
        return;
    }
    settings.setValue(key, value);
}

QString languageName(Language language)
{
    switch (language) {
    case Language::System:
        return QStringLiteral("system");
    case Language::French:
        return QStringLiteral("fr");
    case Language::Own:
        break;
    }
    return QStringLiteral("en");
}

} // namespace

std::optional<Language> languageNamed(const QString &name)
{
    for (const Language language : {Language::Own, Language::System, Language::French})
        if (name == languageName(language))
            return language;
    return std::nullopt;
}

Preferences preferences()
{
    const QSettings settings;
    Preferences p;
    p.remember = settings.value(kRemember, false).toBool();
    p.language = languageNamed(settings.value(kLanguage).toString()).value_or(Language::Own);
    p.readersOrder = settings.value(kReadersOrder, false).toBool();
    p.windInKmh = settings.value(kWindInKmh, false).toBool();
    return p;
}

void setPreferences(const Preferences &p)
{
    const Preferences defaults;
    if (!p.remember)
        forgetKept();
    put(kRemember, p.remember, p.remember == defaults.remember);
    put(kLanguage, languageName(p.language), p.language == defaults.language);
    put(kReadersOrder, p.readersOrder, p.readersOrder == defaults.readersOrder);
    put(kWindInKmh, p.windInKmh, p.windInKmh == defaults.windInKmh);
}

void forgetKept()
{
    QSettings settings;
    for (const QString *key : kKept)
        settings.remove(*key);
    tidy(settings);
}

QByteArray windowGeometry()
{
    return QSettings().value(kGeometry).toByteArray();
}

void setWindowGeometry(const QByteArray &geometry)
{
    QSettings().setValue(kGeometry, geometry);
}

QString networkFolder()
{
    return QSettings().value(kFolder).toString();
}

void setNetworkFolder(const QString &folder)
{
    QSettings().setValue(kFolder, folder);
}

QString unit()
{
    return QSettings().value(kUnit).toString();
}

void setUnit(const QString &unit)
{
    QSettings().setValue(kUnit, unit);
}

std::optional<bool> namesShown()
{
    return flag(kNames);
}

void setNamesShown(bool shown)
{
    QSettings().setValue(kNames, shown);
}

std::optional<bool> landShown()
{
    return flag(kLand);
}

void setLandShown(bool shown)
{
    QSettings().setValue(kLand, shown);
}

std::optional<int> routeOrder()
{
    bool ok = false;
    const int order = QSettings().value(kOrder).toInt(&ok);
    return ok ? std::optional<int>(order) : std::nullopt;
}

void setRouteOrder(int order)
{
    QSettings().setValue(kOrder, order);
}

QString weatherKey()
{
    return QSettings().value(kKey).toString();
}

void setWeatherKey(const QString &key)
{
    put(kKey, key, key.isEmpty());
}

StartFolder startFolder(const QString &given, const Preferences &preferences,
                        const QString &byDefault)
{
    if (!given.isEmpty())
        return {given, true};
    if (preferences.remember) {
        const QString last = networkFolder();
        if (!last.isEmpty() && QFileInfo::exists(QDir(last).filePath(QStringLiteral("villes.csv"))))
            return {last, true};
    }
    return {byDefault, false};
}

} // namespace appsettings
