// gps: the route planner's window.

#include "Window.h"
#include "appsettings.h"
#include "citynames.h"
#include "commandline.h"
#include "datadir.h"
#include "routeplan.h"
#include "translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProgressDialog>
#include <QTextStream>

#include <memory>
#include <optional>

namespace {

const char *const kHelp = R"(Usage: gps [--data DIR] [--route FROM TO] [--language LANG]
           [--screenshot FILE.png]
       gps --help | --version

  --data DIR         read villes.csv and temps.csv from DIR instead of the data
                     folder beside the program
  --route FROM TO    open with the fastest route from FROM to TO shown
  --language LANG    the window's texts: en (the program's own, the default),
                     fr (French) or system (the system's language, where GPS
                     has it); for this run, whatever the preferences say
  --screenshot FILE  draw the window off screen into FILE (PNG) and quit

Exit status: 0 on success; 1 when, with --screenshot, the network cannot be
read (its folder or a data file); 2 when a --route name matches no city; 64 on
a usage error or when the screenshot cannot be written.
)";

enum Exit
{
    UnknownCity = 2,
    Usage = commandline::kUsage
};

int fail(const QString &text, int code = Usage)
{
    QTextStream(stderr) << "gps: " << text << Qt::endl;
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    const QCommandLineOption dataOption(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption routeOption(QStringLiteral("route"), QString(),
                                         QStringLiteral("FROM"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"), QString(),
                                        QStringLiteral("FILE"));
    const QCommandLineOption languageOption(QStringLiteral("language"), QString(),
                                            QStringLiteral("LANG"));
    {
        // Help, the version and a screenshot need no display: they are seen before the GUI
        // starts (the command line is judged after, when Qt has taken its own options).
        QStringList raw;
        for (int i = 0; i < argc; ++i)
            raw << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser early;
        early.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions); // as Qt's own
        early.addOptions({dataOption, routeOption, shotOption, languageOption});
        commandline::addStandardOptions(early);
        const bool parsed = early.parse(raw);
        if (const int done =
                commandline::answerStandardOptions(early, QStringLiteral("gps"), kHelp);
            done >= 0)
            return done;
        // An option that is neither ours nor one of Qt's is said now, display or not.
        static const QStringList qtOptions{"platform",      "platformpluginpath",
                                           "platformtheme", "plugin",
                                           "qmljsdebugger", "qwindowgeometry",
                                           "geometry",      "qwindowtitle",
                                           "title",         "qwindowicon",
                                           "icon",          "reverse",
                                           "session",       "display",
                                           "style",         "stylesheet",
                                           "widgetcount",   "nograb",
                                           "dograb",        "sync",
                                           "name",          "visual",
                                           "ncols",         "cmap",
                                           "fontengine"};
        QStringList unknown = early.unknownOptionNames();
        unknown.removeIf([](const QString &name) { return qtOptions.contains(name); });
        if (!parsed && !unknown.isEmpty())
            return commandline::usageError(
                QStringLiteral("gps"), QStringLiteral("Unknown option '%1'.").arg(unknown.first()));
        if (early.isSet(shotOption) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    // One identity for the desktop (gps.desktop), the window manager and Qt's standard paths. (No
    // display name: the window system would add it to every window's title.)
    QApplication::setApplicationName(QStringLiteral("gps"));
    QApplication::setApplicationVersion(QStringLiteral(GPS_VERSION));
    QApplication::setOrganizationDomain(QStringLiteral("gps.example.org"));
    QApplication::setDesktopFileName(QStringLiteral("gps"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/gps.svg")));
    QCommandLineParser parser;
    parser.addOptions({dataOption, routeOption, shotOption, languageOption});
    if (const int done = commandline::parse(parser, app.arguments(), QStringLiteral("gps"), kHelp);
        done >= 0)
        return done;
    // A picture of the window shows what anyone's first run would, not this user's choices.
    const bool picture = parser.isSet(shotOption);
    const appsettings::Preferences preferences =
        picture ? appsettings::Preferences() : appsettings::preferences();
    // The program's own texts unless asked otherwise; the command line's messages stay in
    // English, as gpsroute's.
    std::optional<appsettings::Language> language = preferences.language;
    if (parser.isSet(languageOption)) {
        language = appsettings::languageNamed(parser.value(languageOption));
        if (!language)
            return commandline::usageError(
                QStringLiteral("gps"), QStringLiteral("--language takes en, fr or system, not %1")
                                           .arg(parser.value(languageOption)));
    }
    installLanguage(*language);
    // An option given an empty value, or --route twice, is a mistake to say, not to guess at.
    if (parser.isSet(shotOption) && parser.value(shotOption).isEmpty())
        return commandline::usageError(QStringLiteral("gps"),
                                       QStringLiteral("--screenshot needs a file name"));
    if (parser.isSet(dataOption) && parser.value(dataOption).isEmpty())
        return commandline::usageError(QStringLiteral("gps"),
                                       QStringLiteral("--data needs a folder"));
    if (parser.values(routeOption).size() > 1)
        return commandline::usageError(QStringLiteral("gps"),
                                       QStringLiteral("--route is given once, with FROM and TO"));
    // --route FROM TO: the arrival is the one argument after the options.
    const QStringList rest = parser.positionalArguments();
    if (parser.isSet(routeOption) ? rest.size() != 1 : !rest.isEmpty())
        return commandline::usageError(
            QStringLiteral("gps"),
            parser.isSet(routeOption) && rest.isEmpty()
                ? QStringLiteral("--route needs two city names, FROM and TO")
                : QStringLiteral("unexpected argument %1").arg(rest.value(1, rest.value(0))));
    const QString dataDir = parser.value(dataOption);
    const QString screenshot = parser.value(shotOption);
    const QString from = parser.value(routeOption);
    const QString to = rest.value(0);

    const appsettings::StartFolder start =
        appsettings::startFolder(dataDir, preferences, defaultDataDir());
    const QString folder = start.path;
    // Some 4 MB of files take a tenth of a second and more to open: say what is happening.
    std::unique_ptr<QProgressDialog> opening;
    const QDir dir(folder);
    if (screenshot.isEmpty() &&
        QFileInfo(dir.filePath(QStringLiteral("villes.csv"))).size() +
                QFileInfo(dir.filePath(QStringLiteral("temps.csv"))).size() >
            4'000'000) {
        opening = std::make_unique<QProgressDialog>(
            QCoreApplication::translate("Fenetre", "Opening the network in %1...")
                .arg(QDir::toNativeSeparators(folder)),
            QString(), 0, 0);
        opening->setWindowTitle(QCoreApplication::translate("Fenetre", "GPS"));
        opening->setMinimumDuration(0);
        opening->show();
        QCoreApplication::processEvents();
    }
    Fenetre window(folder);
    opening.reset();
    window.usePreferences(preferences, true);
    if (start.chosen)
        window.markFolderChosen();
    if (parser.isSet(routeOption)) { // (an empty name is no city's)
        const Network &network = window.routePlan().network();
        QStringList unknown;
        if (network.positionsOf(from).empty())
            unknown << from;
        if (network.positionsOf(to).empty() && to != from)
            unknown << to;
        if (!unknown.isEmpty()) {
            // The closest names, as gpsroute offers them.
            QString text =
                QStringLiteral("no city named \"%1\"").arg(unknown.join(QStringLiteral("\", \"")));
            const NameSuggester names(network.cities());
            for (const QString &name : unknown)
                if (const QStringList close = names.closest(name); !close.isEmpty())
                    text += QStringLiteral("\ngps: \"%1\": did you mean %2?")
                                .arg(name, close.join(QStringLiteral(", ")));
            return fail(text, UnknownCity);
        }
        window.routePlan().setRoute(from, to);
    }
    window.show();
    if (screenshot.isEmpty())
        return app.exec();

    QCoreApplication::processEvents();
    if (!window.grab().save(screenshot, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(screenshot));
    // The picture is drawn either way; a network that could not be read is said, and fails.
    if (!window.networkOpened()) {
        for (const QString &message : window.loadMessages())
            QTextStream(stderr) << "gps: " << message << Qt::endl;
        return 1;
    }
    return 0;
}
