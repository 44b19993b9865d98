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

int usage(const QString &problem)
{
    return commandline::usageError(QStringLiteral("gps"), problem);
}

// Qt's own options, which QApplication takes: none of them is an unknown option.
const QStringList kQtOptions{"platform",      "platformpluginpath",
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

// gps's options.
struct Options
{
    const QCommandLineOption data{QStringLiteral("data"), QString(), QStringLiteral("DIR")};
    const QCommandLineOption route{QStringLiteral("route"), QString(), QStringLiteral("FROM")};
    const QCommandLineOption shot{QStringLiteral("screenshot"), QString(), QStringLiteral("FILE")};
    const QCommandLineOption language{QStringLiteral("language"), QString(),
                                      QStringLiteral("LANG")};
    QList<QCommandLineOption> all() const { return {data, route, shot, language}; }
};

// Help, the version and a screenshot need no display: they are seen before the GUI starts (the
// command line is judged after, when Qt has taken its own options). An option that is neither
// ours nor one of Qt's is said now, display or not. The exit status where the run ends here.
std::optional<int> beforeTheWindow(int argc, char *argv[], const Options &options)
{
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser early;
    early.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions); // as Qt's own
    early.addOptions(options.all());
    commandline::addStandardOptions(early);
    const bool parsed = early.parse(raw);
    if (const int done = commandline::answerStandardOptions(early, QStringLiteral("gps"), kHelp);
        done >= 0)
        return done;
    QStringList unknown = early.unknownOptionNames();
    unknown.removeIf([](const QString &name) { return kQtOptions.contains(name); });
    if (!parsed && !unknown.isEmpty())
        return usage(QStringLiteral("Unknown option '%1'.").arg(unknown.first()));
    if (early.isSet(options.shot) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::nullopt;
}

// What this run is asked to do, once the command line is checked.
struct Run
{
    appsettings::Preferences preferences;
    QString dataDir, screenshot; // empty: not given
    bool route = false;
    QString from, to;
};

// The command line, checked, with the language installed; the exit status where it cannot
// serve.
std::optional<int> readCommandLine(const QStringList &arguments, const Options &options, Run *run)
{
    QCommandLineParser parser;
    parser.addOptions(options.all());
    if (const int done = commandline::parse(parser, arguments, QStringLiteral("gps"), kHelp);
        done >= 0)
        return done;
    // A picture of the window shows what anyone's first run would, not this user's choices.
    run->preferences =
        parser.isSet(options.shot) ? appsettings::Preferences() : appsettings::preferences();
    // The program's own texts unless asked otherwise; the command line's messages stay in
    // English, as gpsroute's.
    std::optional<appsettings::Language> language = run->preferences.language;
    if (parser.isSet(options.language)) {
        language = appsettings::languageNamed(parser.value(options.language));
        if (!language)
            return usage(QStringLiteral("--language takes en, fr or system, not %1")
                             .arg(parser.value(options.language)));
    }
    installLanguage(*language);
    // An option given an empty value, or --route twice, is a mistake to say, not to guess at.
    if (parser.isSet(options.shot) && parser.value(options.shot).isEmpty())
        return usage(QStringLiteral("--screenshot needs a file name"));
    if (parser.isSet(options.data) && parser.value(options.data).isEmpty())
        return usage(QStringLiteral("--data needs a folder"));
    if (parser.values(options.route).size() > 1)
        return usage(QStringLiteral("--route is given once, with FROM and TO"));
    // --route FROM TO: the arrival is the one argument after the options.
    const QStringList rest = parser.positionalArguments();
    run->route = parser.isSet(options.route);
    if (run->route ? rest.size() != 1 : !rest.isEmpty())
        return usage(
            run->route && rest.isEmpty()
                ? QStringLiteral("--route needs two city names, FROM and TO")
                : QStringLiteral("unexpected argument %1").arg(rest.value(1, rest.value(0))));
    run->dataDir = parser.value(options.data);
    run->screenshot = parser.value(options.shot);
    run->from = parser.value(options.route);
    run->to = rest.value(0);
    return std::nullopt;
}

// Some 4 MB of files take a tenth of a second and more to open: what is happening is said in a
// box until the window is made (none for a picture).
std::unique_ptr<QProgressDialog> openingBox(const QString &folder, const Run &run)
{
    const QDir dir(folder);
    if (!run.screenshot.isEmpty() ||
        QFileInfo(dir.filePath(QStringLiteral("villes.csv"))).size() +
                QFileInfo(dir.filePath(QStringLiteral("temps.csv"))).size() <=
            4'000'000)
        return nullptr;
    auto opening = std::make_unique<QProgressDialog>(
        QCoreApplication::translate("Fenetre", "Opening the network in %1...")
            .arg(QDir::toNativeSeparators(folder)),
        QString(), 0, 0);
    opening->setWindowTitle(QCoreApplication::translate("Fenetre", "GPS"));
    opening->setMinimumDuration(0);
    opening->show();
    QCoreApplication::processEvents();
    return opening;
}

// The route asked for on the command line, shown; the exit status where a name is no city's
// (an empty name is no city's).
std::optional<int> showRoute(Fenetre &window, const QString &from, const QString &to)
{
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
    return std::nullopt;
}

// The window drawn off screen into `file`. The picture is drawn either way; a network that could
// not be read is said, and fails.
int screenshot(Fenetre &window, const QString &file)
{
    QCoreApplication::processEvents();
    if (!window.grab().save(file, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(file));
    if (!window.networkOpened()) {
        for (const QString &message : window.loadMessages())
            QTextStream(stderr) << "gps: " << message << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options;
    if (const std::optional<int> done = beforeTheWindow(argc, argv, options))
        return *done;
    QApplication app(argc, argv);
    // One identity for the desktop (gps.desktop), the window manager and Qt's standard paths. (No
    // display name: the window system would add it to every window's title.)
    QApplication::setApplicationName(QStringLiteral("gps"));
    QApplication::setApplicationVersion(QStringLiteral(GPS_VERSION));
    QApplication::setOrganizationDomain(QStringLiteral("gps.example.org"));
    QApplication::setDesktopFileName(QStringLiteral("gps"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/gps.svg")));
    Run run;
    if (const std::optional<int> done = readCommandLine(app.arguments(), options, &run))
        return *done;

    const appsettings::StartFolder start =
        appsettings::startFolder(run.dataDir, run.preferences, defaultDataDir());
    std::unique_ptr<QProgressDialog> opening = openingBox(start.path, run);
    Fenetre window(start.path);
    opening.reset();
    window.usePreferences(run.preferences, true);
    if (start.chosen)
        window.markFolderChosen();
    if (run.route)
        if (const std::optional<int> done = showRoute(window, run.from, run.to))
            return *done;
    window.show();
    return run.screenshot.isEmpty() ? app.exec() : screenshot(window, run.screenshot);
}
