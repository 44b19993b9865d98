#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What GPS keeps between runs, under the application's QSettings (the organisation and
// application names are main's). By default nothing: no file is written and none is read until
// the user turns a preference on. Only what differs from the defaults is written, and the file
// goes once nothing is left in it.
namespace appsettings {

// The language of the window's texts.
enum class Language
{
    Own,    // the program's own texts, whatever the system's language
    System, // the system's language, where GPS has a translation
    French
};

struct Preferences
{
    // Keep the window's size, the unit, names and land, the network folder the user chose,
    // the order of typed routes and a typed weather key for the next runs.
    bool remember = false;
    Language language = Language::Own; // from the next start
    bool readersOrder = false;         // the city lists in the language's alphabetical order
    bool windInKmh = false;            // the wind in km/h rather than the service's mph
    bool routeInTitle = false;         // the route's ends in the window's title
    bool clockUnit = false;            // hours and minutes (h:mm) among the route table's units
    // Help typing cities: a search in the city boxes; suggestions and a choice of order in the
    // cities dialog.
    bool typingHelp = false;
    bool ringStops = false;    // the stops of a typed route ringed on the map
    bool totalInSight = false; // the route table's total kept in sight at its right end

    bool operator==(const Preferences &) const = default;
};

// The preferences the user chose; the defaults for what was never chosen.
Preferences preferences();
// Keeps `preferences`. Turning `remember` off forgets what was kept with it.
void setPreferences(const Preferences &preferences);

// "en", "fr" or "system" (as on the command line) and back; nullopt for anything else.
std::optional<Language> languageNamed(const QString &name);

// What is kept while `remember` is on. The setters write; callers ask only while remembering.
QByteArray windowGeometry();
void setWindowGeometry(const QByteArray &geometry);

// A network folder the user chose (never the one GPS opens by default).
QString networkFolder();
void setNetworkFolder(const QString &folder);

// The route table's unit as the table writes it, "mn", "h" or "h:mm"; empty when none kept.
QString unit();
void setUnit(const QString &unit);

// The city names and the land, when the user chose to show them or not.
std::optional<bool> namesShown();
void setNamesShown(bool shown);
std::optional<bool> landShown();
void setLandShown(bool shown);

// The order asked for in the cities dialog (RouteOrder's value).
std::optional<int> routeOrder();
void setRouteOrder(int order);

// The weather service's key as the user typed it; an empty key is none kept.
QString weatherKey();
void setWeatherKey(const QString &key);

// Forgets every value kept for `remember` (the preferences stay).
void forgetKept();

// The folder the window opens: `given` (--data) where not empty; else, while remembering, the
// folder the user chose last if it still holds a network; else `byDefault`. `chosen` says
// whether it is the user's choice, to be kept.
struct StartFolder
{
    QString path;
    bool chosen = false;
};
StartFolder startFolder(const QString &given, const Preferences &preferences,
                        const QString &byDefault);

} // namespace appsettings
