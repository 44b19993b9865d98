#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class QTextStream;

// What the programs share on their command lines: --help and --version, and one way of saying
// that a command line is wrong.
namespace commandline {

constexpr int kUsage = 64; // exit status of a usage error (sysexits' EX_USAGE)
constexpr int kFailed = 1; // exit status when the work could not be done

// "PROGRAM: problem" and "Try 'PROGRAM --help'." on standard error; returns kUsage.
int usageError(const QString &program, const QString &problem);

// Parses `arguments` (the program's name first) with `parser`, to which --help and --version
// are added. Returns -1 when the program is to go on; otherwise the exit status, having printed
// `help` for --help, "PROGRAM VERSION" for --version, or the problem for a wrong command line.
// Needs no application object, so a window program can answer before its GUI starts.
int parse(QCommandLineParser &parser, const QStringList &arguments, const QString &program,
          const char *help);

// The --help and --version part of parse(), for a parser already given its arguments: -1 when
// neither was asked for.
void addStandardOptions(QCommandLineParser &parser);
int answerStandardOptions(const QCommandLineParser &parser, const QString &program,
                          const char *help);

// Whether all that was written to standard output (through `out`, if given, then the C
// library) has reached it. Where it has not (a full disk, a closed or broken output), says
// "PROGRAM: cannot write the output: REASON" on standard error: a failed write is never
// reported as success.
bool outputWritten(const QString &program, QTextStream *out = nullptr);

} // namespace commandline
