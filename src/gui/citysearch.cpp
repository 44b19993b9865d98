#include "citysearch.h"

#include "citynames.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QLineEdit>
#include <QStandardItemModel>

#include <algorithm>
#include <utility>
#include <vector>

CitySearch::CitySearch(const QStringList &names, QLineEdit *edit)
    : QCompleter(edit), edit(edit), names(names)
{
    // Shown as they are, compared folded.
    auto *model = new QStandardItemModel(int(names.size()), 1, this);
    keys.reserve(names.size());
    for (int i = 0; i < names.size(); ++i) {
        keys << folded(names[i]);
        auto *item = new QStandardItem(names[i]);
        item->setData(keys.last(), Qt::UserRole);
        item->setEditable(false);
        model->setItem(i, item);
    }
    setModel(model);
    setCompletionRole(Qt::UserRole);
    setFilterMode(Qt::MatchContains);
    setCaseSensitivity(Qt::CaseInsensitive);
    setCompletionMode(QCompleter::PopupCompletion);
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
    const QString key = folded(text.trimmed());
    if (key.isEmpty()) {
        popup()->hide();
        return;
    }
    setCompletionPrefix(key);
    complete();
}

QStringList CitySearch::matches(const QString &text) const
{
    const QString key = folded(text.trimmed());
    QStringList found;
    if (key.isEmpty())
        return found;
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (keys[i].contains(key))
            found << names[i];
    return found;
}

QStringList namesHolding(const QStringList &names, const QString &text)
{
    const QString key = folded(text.trimmed());
    QStringList found;
    if (key.isEmpty())
        return found;
    for (const QString &name : names)
        if (folded(name).contains(key))
            found << name;
    return found;
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
