#pragma once

// What the city and road readers share: how problems are said, and how a line's fields are
// taken.

#include "csvtext.h"
#include "logging.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace loadtext {

// A data file's bytes; false, with "PATH: cannot be read: WHY" said, for one that is not there,
// not an ordinary file (a pipe would wait for ever) or larger than 1 GB.
bool readFile(const QString &filePath, QByteArray *bytes, QStringList *warnings);

inline void warn(QStringList *warnings, const QString &text)
{
    qCWarning(lcModel).noquote() << text;
    if (warnings)
        warnings->append(text);
}

// The problems of one file: to the debug log and the caller's list, the first few of them
// line by line, then how many more there were, so that a file of garbage cannot flood either.
class Problems
{
public:
    Problems(const QString &source, QStringList *list) : source(source), list(list) {}
    ~Problems()
    {
        if (count > kListed)
            warn(
                list,
                QStringLiteral("%1: %2 more problems not listed").arg(source).arg(count - kListed));
    }

    void add(int line, const QString &text)
    {
        if (++count <= kListed)
            warn(list, QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(text));
    }

    // A field's text for a message: quoted, and cut when long, between two characters (never
    // through the two halves of one, such as an emoji).
    static QString quote(QStringView value)
    {
        constexpr qsizetype kLongest = 40;
        qsizetype cut = kLongest;
        if (cut < value.size() && value[cut].isLowSurrogate())
            --cut;
        return u'"' +
               (value.size() > kLongest ? value.left(cut).toString() + QStringLiteral("...")
                                        : value.toString()) +
               u'"';
    }

    static constexpr int kListed = 100;

    // Those another thread kept, on lines counted from `firstLine` + 1.
    template <typename Kept> void add(const Kept &kept, int firstLine)
    {
        for (const auto &[line, text] : kept.listed)
            add(firstLine + line, text);
        count += kept.unlisted;
    }

private:
    QString source;
    QStringList *list;
    int count = 0;
};

// Whether a problem said while reading a network means something of it was not read as written:
// a file that cannot be read, a line skipped, a field that could not be read (0 used), a
// road's shape left out, or a road graph that cannot serve. The others are remarks on what was read
// whole (a name two cities share, a pair given two times, a road that names no city, a character
// replaced).
inline bool leftOut(const QString &message)
{
    return message.contains(QLatin1String(": cannot be read: ")) ||
           message.contains(QLatin1String("skipped")) ||
           message.contains(QLatin1String("; 0 is used")) ||
           message.startsWith(QLatin1String("shapes.csv:")) ||
           message.endsWith(QLatin1String(": routes run on the roads of temps.csv"));
}

// Problems found by a thread that reads part of a file, kept for the thread that says them in
// order: the first few, and how many more.
struct KeptProblems
{
    void add(int line, const QString &text)
    {
        if (listed.size() < std::size_t(Problems::kListed))
            listed.emplace_back(line, text);
        else
            ++unlisted;
    }

    std::vector<std::pair<int, QString>> listed;
    int unlisted = 0;
};

// A character no export can carry (GPX is XML) would be dropped from the exported name or
// make it unreadable: it is replaced at once, and said.
template <typename Sink> void replaceUnwritable(QString *name, int line, Sink &problems)
{
    const int first = csv::replaceUnwritable(name);
    if (first >= 0)
        problems.add(line, QStringLiteral("name %1 holds the character U+%2, which no export can "
                                          "carry; it is read as U+FFFD")
                               .arg(Problems::quote(*name),
                                    QString::number(first, 16).toUpper().rightJustified(4, u'0')));
}

// A quote mark suggests a name written for a spreadsheet, "Saint, Malo": here every comma
// separates, so the fields after it have moved.
inline QString quoteWarning(const QString &name)
{
    return QStringLiteral("name %1 holds a quote mark; quotes are not special in these files and "
                          "every comma separates fields")
        .arg(Problems::quote(name));
}

// The comma-separated fields of a line with their field number and their position: the position
// counts 1, 2, ... and the field at `period` starts the count again (position 0), as both files
// have always been read, so that long lines repeat their record.
template <typename Take> void forEachField(QStringView line, int period, Take take)
{
    int position = 0;
    int field = 0;
    for (const QStringView value : line.tokenize(u',')) {
        ++field;
        if (++position == period)
            position = 0;
        take(position, field, value);
    }
}

} // namespace loadtext
