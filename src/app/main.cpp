// gps: the route planner's window.

#include "Window.h"
#include "datadir.h"

#include <QApplication>
#include <QComboBox>
#include <QTextStream>

#include <cstring>

namespace {

const char *const kHelp = R"(Usage: gps [--data DIR] [--screenshot FILE.png [--route FROM TO]]

  --data DIR         read villes.csv and temps.csv from DIR instead of the data
                     folder beside the program
  --screenshot FILE  draw the window off screen into FILE (PNG) and quit; with
  --route FROM TO    the fastest route from FROM to TO shown
)";

int fail(const QString &text)
{
    QTextStream(stderr) << "gps: " << text << Qt::endl;
    return 64;
}

bool choose(Fenetre &window, const char *box, const QString &city)
{
    auto *combo = window.findChild<QComboBox *>(QLatin1String(box));
    const int index = combo ? combo->findText(city, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1;
    if (index <= 0)
        return false;
    combo->setCurrentIndex(index);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // A screenshot needs no display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--screenshot") == 0 &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QString dataDir, screenshot, from, to;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout) << kHelp;
            return 0;
        } else if (a == QLatin1String("--data") && i + 1 < args.size()) {
            dataDir = args[++i];
        } else if (a == QLatin1String("--screenshot") && i + 1 < args.size()) {
            screenshot = args[++i];
        } else if (a == QLatin1String("--route") && i + 2 < args.size()) {
            from = args[++i];
            to = args[++i];
        } else {
            return fail(QStringLiteral("unexpected argument %1; see gps --help").arg(a));
        }
    }

    Fenetre window(dataDir.isEmpty() ? defaultDataDir() : dataDir);
    window.show();
    if (screenshot.isEmpty())
        return app.exec();

    if (!from.isEmpty() &&
        (!choose(window, "comboBoxDepart", from) || !choose(window, "comboBoxArrive", to)))
        return fail(QStringLiteral("no city named %1 or %2").arg(from, to));
    QCoreApplication::processEvents();
    if (!window.grab().save(screenshot, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(screenshot));
    return 0;
}
