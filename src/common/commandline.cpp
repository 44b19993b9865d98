#include "commandline.h"

#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace commandline {

int usageError(const QString &program, const QString &problem)
{
    QTextStream(stderr) << program << ": " << problem << "\nTry '" << program << " --help'."
                        << Qt::endl;
    return kUsage;
}

namespace {

const QStringList kHelpNames{QStringLiteral("h"), QStringLiteral("help")};
const QStringList kVersionNames{QStringLiteral("v"), QStringLiteral("version")};

} // namespace

void addStandardOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(kHelpNames));
    parser.addOption(QCommandLineOption(kVersionNames));
}

int answerStandardOptions(const QCommandLineParser &parser, const QString &program,
                          const char *help)
{
    if (parser.isSet(kHelpNames.first())) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parser.isSet(kVersionNames.first())) {
        QTextStream(stdout) << program << ' ' << GPS_VERSION << Qt::endl;
        return 0;
    }
    return -1;
}

int parse(QCommandLineParser &parser, const QStringList &arguments, const QString &program,
          const char *help)
{
    addStandardOptions(parser);
    if (!parser.parse(arguments))
        return usageError(program, parser.errorText());
    return answerStandardOptions(parser, program, help);
}

bool outputWritten(const QString &program, QTextStream *out)
{
    bool written = true;
    if (out) {
        out->flush();
        written = out->status() == QTextStream::Ok;
    }
    errno = 0;
    const int error = std::fflush(stdout) != 0 || std::ferror(stdout) ? errno : 0;
    if (written && error == 0 && !std::ferror(stdout))
        return true;
    QTextStream(stderr) << program << ": cannot write the output: "
                        << (error ? QString::fromLocal8Bit(std::strerror(error))
                                  : QStringLiteral("the output refused what was written"))
                        << Qt::endl;
    return false;
}

} // namespace commandline
