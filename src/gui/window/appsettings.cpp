#include "appsettings.h"

#include "privatefiles.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <memory>
#include <utility>

namespace appsettings {

namespace {

const QString kRemember = QStringLiteral("preferences/remember");
const QString kLanguage = QStringLiteral("preferences/language");
const QString kReadersOrder = QStringLiteral("preferences/readersOrder");
const QString kWindInKmh = QStringLiteral("preferences/windInKmh");
const QString kRouteInTitle = QStringLiteral("preferences/routeInTitle");
const QString kClockUnit = QStringLiteral("preferences/clockUnit");
const QString kTypingHelp = QStringLiteral("preferences/typingHelp");
const QString kRingStops = QStringLiteral("preferences/ringStops");
const QString kTotalInSight = QStringLiteral("preferences/totalInSight");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kFolder = QStringLiteral("network/folder");
const QString kUnit = QStringLiteral("route/unit");
const QString kOrder = QStringLiteral("route/order");
const QString kNames = QStringLiteral("map/names");
const QString kLand = QStringLiteral("map/land");
const QString kKey = QStringLiteral("weather/key");

// Every key kept for `remember`, so that turning it off leaves none behind.
const QString *const kKept[] = {&kGeometry, &kFolder, &kUnit, &kOrder, &kNames, &kLand, &kKey};

// The settings, or none where what lies at their file's path is no ordinary file of the
// user's (a pipe would hold GPS at start, a device feed it for ever, a link to one be written
// through): then nothing is read or kept, and that is said once.
std::unique_ptr<QSettings> open()
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(); // the registry
#else
    QString organisation = QCoreApplication::organizationName();
    if (organisation.isEmpty())
        organisation = QCoreApplication::organizationDomain();
    if (organisation.isEmpty())
        organisation = QStringLiteral("Unknown Organization");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           u'/' + organisation;
    const QString path =
        folder + u'/' + QCoreApplication::applicationName() + QStringLiteral(".conf");
    if (!privatefiles::ownOrdinary(path)) {
        static bool said = false;
        if (!std::exchange(said, true))
            qWarning().noquote() << QDir::toNativeSeparators(path)
                                 << "is not an ordinary file of yours: no settings are read or "
                                    "kept";
        return nullptr;
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
#endif
}

QVariant read(const QString &key)
{
    const std::unique_ptr<QSettings> settings = open();
    return settings ? settings->value(key) : QVariant();
}

// Written at once, the file and its folder the user's alone (a weather key may be in it).
void written(QSettings &settings)
{
    settings.sync();
#ifndef Q_OS_WIN
    const QFileInfo file(settings.fileName());
    if (file.isFile() && !file.isSymLink()) {
        QFile::setPermissions(file.filePath(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ReadUser | QFile::WriteUser);
        QFile::setPermissions(file.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    }
#endif
}

void write(const QString &key, const QVariant &value)
{
    if (const std::unique_ptr<QSettings> settings = open()) {
        settings->setValue(key, value);
        written(*settings);
    }
}

std::optional<bool> flag(const QString &key)
{
    const QVariant value = read(key);
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
    const std::unique_ptr<QSettings> settings = open();
    if (!settings)
        return;
    if (isDefault) {
        if (!settings->contains(key))
            return;
        settings->remove(key);
        tidy(*settings);
        return;
    }
    settings->setValue(key, value);
    written(*settings);
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
    Preferences p;
    const std::unique_ptr<QSettings> settings = open();
    if (!settings)
        return p;
    p.remember = settings->value(kRemember, false).toBool();
    p.language = languageNamed(settings->value(kLanguage).toString()).value_or(Language::Own);
    p.readersOrder = settings->value(kReadersOrder, false).toBool();
    p.windInKmh = settings->value(kWindInKmh, false).toBool();
    p.routeInTitle = settings->value(kRouteInTitle, false).toBool();
    p.clockUnit = settings->value(kClockUnit, false).toBool();
    p.typingHelp = settings->value(kTypingHelp, false).toBool();
    p.ringStops = settings->value(kRingStops, false).toBool();
    p.totalInSight = settings->value(kTotalInSight, false).toBool();
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
    put(kRouteInTitle, p.routeInTitle, p.routeInTitle == defaults.routeInTitle);
    put(kClockUnit, p.clockUnit, p.clockUnit == defaults.clockUnit);
    put(kTypingHelp, p.typingHelp, p.typingHelp == defaults.typingHelp);
    put(kRingStops, p.ringStops, p.ringStops == defaults.ringStops);
    put(kTotalInSight, p.totalInSight, p.totalInSight == defaults.totalInSight);
}

void forgetKept()
{
    const std::unique_ptr<QSettings> settings = open();
    if (!settings)
        return;
    for (const QString *key : kKept)
        settings->remove(*key);
    tidy(*settings);
}

QByteArray windowGeometry()
{
    return read(kGeometry).toByteArray();
}

void setWindowGeometry(const QByteArray &geometry)
{
    write(kGeometry, geometry);
}

QString networkFolder()
{
    return read(kFolder).toString();
}

void setNetworkFolder(const QString &folder)
{
    write(kFolder, folder);
}

QString unit()
{
    return read(kUnit).toString();
}

void setUnit(const QString &unit)
{
    write(kUnit, unit);
}

std::optional<bool> namesShown()
{
    return flag(kNames);
}

void setNamesShown(bool shown)
{
    write(kNames, shown);
}

std::optional<bool> landShown()
{
    return flag(kLand);
}

void setLandShown(bool shown)
{
    write(kLand, shown);
}

std::optional<int> routeOrder()
{
    bool ok = false;
    const int order = read(kOrder).toInt(&ok);
    return ok ? std::optional<int>(order) : std::nullopt;
}

void setRouteOrder(int order)
{
    write(kOrder, order);
}

QString weatherKey()
{
    return read(kKey).toString();
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
