// gps: the route planner's window.

#include "Window.h"
#include "datadir.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char *const kHelp = R"(Usage: gps [--data DIR] [--route FROM TO] [--screenshot FILE.png]

  --data DIR         read villes.csv and temps.csv from DIR instead of the data
                     folder beside the program
  --route FROM TO    open with the fastest route from FROM to TO shown
  --screenshot FILE  draw the window off screen into FILE (PNG) and quit

Exit status: 0 on success; 2 when a --route name matches no city; 64 on a
usage error or when the screenshot cannot be written.
)";

enum Exit
{
    UnknownCity = 2,
    Usage = 64
};

int fail(const QString &text, int code = Usage)
{
    QTextStream(stderr) << "gps: " << text << Qt::endl;
    return code;
}

int indexOf(Fenetre &window, const char *box, const QString &city)
{
    auto *combo = window.findChild<QComboBox *>(QLatin1String(box));
    return combo ? combo->findText(city, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Help and a screenshot need no display: help is written before the GUI starts.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0 &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QString dataDir, screenshot, from, to;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--data") && i + 1 < args.size()) {
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

    const QString folder = dataDir.isEmpty() ? defaultDataDir() : dataDir;
    // Some 4 MB of files take a tenth of a second and more to open: say what is happening.
    std::unique_ptr<QProgressDialog> opening;
    const QDir dir(folder);
    if (screenshot.isEmpty() &&
        QFileInfo(dir.filePath(QStringLiteral("villes.csv"))).size() +
                QFileInfo(dir.filePath(QStringLiteral("temps.csv"))).size() >
            4'000'000) {
        opening = std::make_unique<QProgressDialog>(
            QStringLiteral("Opening the network in %1...").arg(QDir::toNativeSeparators(folder)),
            QString(), 0, 0);
        opening->setWindowTitle(QStringLiteral("GPS"));
        opening->setMinimumDuration(0);
        opening->show();
        QCoreApplication::processEvents();
    }
    Fenetre window(folder);
    opening.reset();
    if (!from.isEmpty()) {
        const int start = indexOf(window, "comboBoxDepart", from);
        const int end = indexOf(window, "comboBoxArrive", to);
        QStringList unknown;
        if (start <= 0)
            unknown << from;
        if (end <= 0 && to != from)
            unknown << to;
        if (!unknown.isEmpty())
            return fail(
                QStringLiteral("no city named \"%1\"").arg(unknown.join(QStringLiteral("\", \""))),
                UnknownCity);
        window.findChild<QComboBox *>(QStringLiteral("comboBoxDepart"))->setCurrentIndex(start);
        window.findChild<QComboBox *>(QStringLiteral("comboBoxArrive"))->setCurrentIndex(end);
    }
    window.show();
    if (screenshot.isEmpty())
        return app.exec();

    QCoreApplication::processEvents();
    if (!window.grab().save(screenshot, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(screenshot));
    return 0;
}
