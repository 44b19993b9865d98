#include "citysearch.h"

#include "citynames.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QLineEdit>
#include <QStringListModel>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// How well `key` (folded) holds `typed` (folded, not empty): 0, it starts with it; 1, one of its
// words does ("ren" in "Bourg-Renard"); 2, it holds it elsewhere ("ren" in "Grenoble"); -1, not.
int rank(const QString &key, const QString &typed)
{
    qsizetype at = key.indexOf(typed);
    if (at < 0)
        return -1;
    if (at == 0)
        return 0;
    for (; at >= 0; at = key.indexOf(typed, at + 1))
        if (!key.at(at - 1).isLetterOrNumber())
            return 1;
    return 2;
}

// The names whose keys hold `typed`, best first, then in the list's order.
template <typename KeyOf>
QStringList ranked(const QStringList &names, const QString &typed, KeyOf keyOf)
{
    QStringList found[3];
    if (typed.isEmpty())
        return {};
    for (qsizetype i = 0; i < names.size(); ++i)
        if (const int r = rank(keyOf(i), typed); r >= 0)
            found[r] << names[i];
    return found[0] + found[1] + found[2];
}

} // namespace

CitySearch::CitySearch(const QStringList &names, QLineEdit *edit)
    : QCompleter(edit), edit(edit), names(names), shown(new QStringListModel(this))
{
    keys.reserve(names.size());
    for (const QString &name : names)
        keys << folded(name);
    // The list offered is made here, ranked: the completer shows it as it is.
    setModel(shown);
    setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    setMaxVisibleItems(12);
    setWidget(edit);
    connect(edit, &QLineEdit::textEdited, this, &CitySearch::offer);
    connect(this, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                this->edit->setText(index.data(Qt::DisplayRole).toString());
            });
}

void CitySearch::offer(const QString &text)
{
    const QStringList found = matches(text);
    if (found.isEmpty()) {
        popup()->hide();
        return;
    }
    shown->setStringList(found.mid(0, 200)); // (more than anyone reads)
    complete();
    // The best one highlighted: Return takes it.
    popup()->setCurrentIndex(completionModel()->index(0, 0));
}

QStringList CitySearch::matches(const QString &text) const
{
    return ranked(names, folded(text.trimmed()), [this](qsizetype i) { return keys[i]; });
}

QStringList namesHolding(const QStringList &names, const QString &text)
{
    return ranked(names, folded(text.trimmed()),
                  [&names](qsizetype i) { return folded(names[i]); });
}

QStringList inReadersOrder(QStringList names)
{
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setNumericMode(true);
    // Each name's key made once: tens of thousands of names sort in a blink.
    std::vector<std::pair<QCollatorSortKey, QString>> keyed;
    keyed.reserve(std::size_t(names.size()));
    for (const QString &name : names)
        keyed.emplace_back(collator.sortKey(name), name);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        names[qsizetype(i)] = std::move(keyed[i].second);
    return names;
}

QStringList inReadersOrder(const std::vector<City> &cities)
{
    QStringList names;
    names.reserve(qsizetype(cities.size()));
    for (const City &city : cities)
        names << city.getName();
    return inReadersOrder(std::move(names));
}

QStringList withoutCaseOrder(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}
