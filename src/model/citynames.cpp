#include "citynames.h"

#include "network.h"

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

namespace {

// `isKnown(name)`: whether a city bears that name; `mostWords`: words in the longest name.
template <typename Known>
TypedCities parseCityList(const Known &isKnown, qsizetype mostWords, const QString &text)
{
    TypedCities out;
    QSet<QString> said;
    auto add = [&](const QString &name) {
        out.names << name;
        if (!isKnown(name) && !said.contains(name)) {
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
                if (isKnown(run.join(u' '))) {
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

qsizetype mostWordsOf(const std::vector<City> &cities)
{
    qsizetype most = 1;
    for (const City &city : cities)
        most = std::max(most, city.getName().count(u' ') + 1);
    return most;
}

} // namespace

TypedCities parseCityList(const std::vector<City> &cities, const QString &text)
{
    QSet<QString> known;
    for (const City &city : cities)
        known.insert(city.getName());
    return parseCityList([&](const QString &name) { return known.contains(name); },
                         mostWordsOf(cities), text);
}

TypedCities parseCityList(const Network &network, const QString &text)
{
    return parseCityList([&](const QString &name) { return !network.positionsOf(name).empty(); },
                         mostWordsOf(network.cities()), text);
}

QStringList namesStartingWith(const QStringList &names, QStringView prefix, int most,
                              qint64 *compared)
{
    qint64 count = 0;
    const auto first = std::lower_bound(
        names.begin(), names.end(), prefix, [&](const QString &name, QStringView p) {
            ++count;
            return QStringView(name).compare(p, Qt::CaseInsensitive) < 0;
        });
    QStringList out;
    for (auto at = first; at != names.end() && out.size() < most; ++at) {
        ++count;
        if (!at->startsWith(prefix, Qt::CaseInsensitive))
            break;
        out << *at;
    }
    if (compared)
        *compared += count;
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
    return NameSuggester(cities).closest(name, count);
}

NameSuggester::NameSuggester(const std::vector<City> &cities)
{
    QSet<QString> seen;
    const auto add = [this](int candidate, int extra, QString key) {
        const std::size_t length = std::size_t(key.size());
        if (byLength.size() <= length)
            byLength.resize(length + 1);
        byLength[length].push_back({candidate, extra, std::move(key)});
    };
    for (const City &city : cities) {
        const QString name = city.getName();
        if (seen.contains(name))
            continue;
        seen.insert(name);
        const int candidate = int(names.size());
        names << name;
        const QString key = folded(name);
        // One word of a longer name ("havre" for "Le Havre") counts as nearly as close.
        if (key.contains(u' ') || key.contains(u'-'))
            for (const QString &word :
                 key.split(QRegularExpression(QStringLiteral("[ -]")), Qt::SkipEmptyParts))
                add(candidate, 1, word);
        add(candidate, 0, key);
    }
}

QStringList NameSuggester::closest(const QString &name, int count) const
{
    // A name four times longer than any is close to none (unless it is mostly accents, which
    // folding drops: no typo).
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed.size() / 4 > qsizetype(byLength.size()))
        return {};
    const QString typed = folded(trimmed);
    if (typed.isEmpty())
        return {};
    // Close enough to be a typo: a third of the letters wrong at the most. A key whose length
    // differs by more is farther than that.
    const int farthest = std::max(1, int(typed.size() / 3));
    std::vector<std::pair<int, int>> near; // distance, candidate
    const std::size_t from = std::size_t(std::max<qsizetype>(0, typed.size() - farthest));
    const std::size_t to = std::min(byLength.size(), std::size_t(typed.size() + farthest + 1));
    for (std::size_t length = from; length < to; ++length)
        for (const Entry &entry : byLength[length]) {
            const int distance = editDistance(typed, entry.key) + entry.extra;
            if (distance <= farthest)
                near.emplace_back(distance, entry.candidate);
        }
    std::sort(near.begin(), near.end()); // nearest, then in the cities' order
    QStringList out;
    std::vector<int> taken; // (a name and one of its words may both be close: once)
    for (const auto &[distance, candidate] : near) {
        if (out.size() >= count)
            break;
        if (std::find(taken.begin(), taken.end(), candidate) != taken.end())
            continue;
        taken.push_back(candidate);
        if (distance == near[0].first || near[0].first > 0) // a name matching but for case or
            out << names[candidate];                        // accents says it all
    }
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
