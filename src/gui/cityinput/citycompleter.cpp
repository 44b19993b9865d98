#include "citycompleter.h"

#include "citynames.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

CityCompleter::CityCompleter(const QStringList &names, QLineEdit *edit)
    : QCompleter(edit), edit(edit), names(names), offered(new QStringListModel(this))
{
    // The model holds only the names offered for the text as it stands.
    setModel(offered);
    setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    setCaseSensitivity(Qt::CaseInsensitive);
    setCompletionMode(QCompleter::PopupCompletion);
    setWidget(edit);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, &CityCompleter::offer);
    connect(this, qOverload<const QString &>(&QCompleter::activated), this, &CityCompleter::take);
}

void CityCompleter::setHistory(const QStringList &lists)
{
    history = lists;
    recalled = history.size();
}

bool CityCompleter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QCompleter::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // The completer watches its list's keys itself, and would keep Return from the dialog.
    if (watched == popup() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !popup()->currentIndex().isValid()) {
        popup()->hide();
        // To the line edit, which leaves it to its dialog: OK.
        QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        QCoreApplication::sendEvent(edit, &again);
        return true;
    }
    if (watched == edit && !popup()->isVisible() && !history.isEmpty() &&
        (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
        key->modifiers() == Qt::NoModifier) {
        if (recalled == history.size())
            typing = edit->text();
        recalled = std::clamp<qsizetype>(recalled + (key->key() == Qt::Key_Up ? -1 : 1), 0,
                                         history.size());
        edit->setText(recalled == history.size() ? typing : history[recalled]);
        return true;
    }
    return QCompleter::eventFilter(watched, event);
}

void CityCompleter::offer(const QString &text)
{
    const qsizetype cursor = edit->cursorPosition();
    start = completionStart(text, cursor, names);
    const QStringList matches =
        start < 0 || start == cursor
            ? QStringList()
            : namesStartingWith(names, QStringView(text).sliced(start, cursor - start),
                                kMostOffered, &compared);
    if (matches.isEmpty()) {
        popup()->hide();
        return;
    }
    offered->setStringList(matches);
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
