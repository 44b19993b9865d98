#include "citynames.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <numeric>

QStringList splitCityNames(const QString &text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

QStringList unknownCityNames(const std::vector<City> &cities, const QStringList &names)
{
    QSet<QString> known;
    for (const City &city : cities)
        known.insert(city.getName());
    QStringList unknown;
    QSet<QString> said; // (a list's contains would make 100,000 names take seconds)
    for (const QString &name : names)
        if (!known.contains(name) && !said.contains(name)) {
            said.insert(name);
            unknown << name;
        }
    return unknown;
}

TypedCities parseCityList(const std::vector<City> &cities, const QString &text)
{
    QSet<QString> known;
    qsizetype mostWords = 1;
    for (const City &city : cities) {
        known.insert(city.getName());
        mostWords = std::max(mostWords, city.getName().count(u' ') + 1);
    }
    TypedCities out;
    QSet<QString> said;
    auto add = [&](const QString &name) {
        out.names << name;
        if (!known.contains(name) && !said.contains(name)) {
            said.insert(name);
            out.unknown << name;
        }
    };
    auto words = [&](QStringView chunk) {
        const QList<QStringView> w = chunk.split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < w.size();) {
            qsizetype taken = 1;
            for (qsizetype len = std::min(mostWords, w.size() - i); len > 1; --len) {
                QStringList run;
                for (qsizetype k = i; k < i + len; ++k)
                    run << w[k].toString();
                if (known.contains(run.join(u' '))) {
                    taken = len;
                    break;
                }
            }
            QStringList run;
            for (qsizetype k = i; k < i + taken; ++k)
                run << w[k].toString();
            add(run.join(u' '));
            i += taken;
        }
    };
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u',') {
            words(QStringView(text).sliced(from, i - from));
            from = i + 1;
        } else if (text[i] == u'"') {
            words(QStringView(text).sliced(from, i - from));
            const qsizetype close = text.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? text.size() : close;
            const QString quoted = text.mid(i + 1, end - i - 1);
            if (!quoted.isEmpty())
                add(quoted);
            i = end;
            from = end + 1;
        }
    }
    return out;
}

QString folded(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out.toCaseFolded();
}

namespace {

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(std::size_t(b.size()) + 1);
    std::iota(row.begin(), row.end(), 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

QStringList closestCityNames(const std::vector<City> &cities, const QString &name, int count)
{
    const QString typed = folded(name.trimmed());
    if (typed.isEmpty())
        return {};
    // Close enough to be a typo: a third of the letters wrong at the most.
    const int farthest = std::max(1, int(typed.size() / 3));
    std::vector<std::pair<int, QString>> near;
    QSet<QString> seen;
    for (const City &city : cities) {
        const QString candidate = city.getName();
        if (seen.contains(candidate))
            continue;
        seen.insert(candidate);
        const QString f = folded(candidate);
        int distance = editDistance(typed, f);
        // One word of a longer name ("havre" for "Le Havre") counts as nearly as close.
        if (f.contains(u' ') || f.contains(u'-'))
            for (const QString &word :
                 f.split(QRegularExpression(QStringLiteral("[ -]")), Qt::SkipEmptyParts))
                distance = std::min(distance, editDistance(typed, word) + 1);
        if (distance <= farthest)
            near.emplace_back(distance, candidate);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList out;
    for (std::size_t i = 0; i < near.size() && int(i) < count; ++i)
        if (near[i].first == near[0].first || near[0].first > 0) // a name matching but for
            out << near[i].second;                               // case or accents says it all
    return out;
}

qsizetype completionStart(const QString &text, qsizetype cursor, const QStringList &names)
{
    cursor = std::clamp<qsizetype>(cursor, 0, text.size());
    const QStringView before = QStringView(text).left(cursor);
    qsizetype chunk = std::max(before.lastIndexOf(u','), before.lastIndexOf(u'"')) + 1;
    while (chunk < cursor && text[chunk] == u' ')
        ++chunk;
    // Try the longest run first: from each word start after the chunk start, left to right.
    for (qsizetype start = chunk; start < cursor;) {
        const QStringView prefix = before.sliced(start);
        const auto at = std::lower_bound(
            names.begin(), names.end(), prefix, [](const QString &name, QStringView p) {
                return QStringView(name).compare(p, Qt::CaseInsensitive) < 0;
            });
        if (at != names.end() && at->startsWith(prefix, Qt::CaseInsensitive))
            return start;
        const qsizetype space = before.indexOf(u' ', start);
        if (space < 0)
            break;
        start = space + 1;
        while (start < cursor && text[start] == u' ')
            ++start;
    }
    return -1;
}
