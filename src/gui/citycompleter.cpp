#include "citycompleter.h"

#include "citynames.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
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

bool CityCompleter::eventFilter(QObject *watched, QEvent *event)
{
    // The completer watches its list's keys itself, and would keep Return from the dialog.
    if (event->type() == QEvent::KeyPress && watched == popup()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !popup()->currentIndex().isValid()) {
            popup()->hide();
            // To the line edit, which leaves it to its dialog: OK.
            QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(edit, &again);
            return true;
        }
    }
    return QCompleter::eventFilter(watched, event);
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
