#include "citycompleter.h"

#include "citynames.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QStringListModel>

CityCompleter::CityCompleter(const QStringList &names, QLineEdit *edit)
    : QCompleter(edit), edit(edit), names(names)
{
    setModel(new QStringListModel(names, this));
    setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    setCaseSensitivity(Qt::CaseInsensitive);
    setCompletionMode(QCompleter::PopupCompletion);
    setWidget(edit);
    connect(edit, &QLineEdit::textEdited, this, &CityCompleter::offer);
    connect(this, qOverload<const QString &>(&QCompleter::activated), this, &CityCompleter::take);
}

void CityCompleter::offer(const QString &text)
{
    const qsizetype cursor = edit->cursorPosition();
    start = completionStart(text, cursor, names);
    if (start < 0 || start == cursor) {
        popup()->hide();
        return;
    }
    setCompletionPrefix(text.mid(start, cursor - start));
    complete();
}

void CityCompleter::take(const QString &name)
{
    if (start < 0)
        return;
    const QString text = edit->text();
    const qsizetype cursor = edit->cursorPosition();
    edit->setText(text.left(start) + name + text.mid(cursor));
    edit->setCursorPosition(int(start + name.size()));
}
