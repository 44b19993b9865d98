#include "boxsearch.h"

#include "citysearch.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

BoxSearch::BoxSearch(QComboBox *box, std::function<QStringList()> names,
                     std::function<void(const QString &)> chosen)
    : QObject(box), box(box), names(std::move(names)), chosen(std::move(chosen))
{
    box->installEventFilter(this);
}

void BoxSearch::setEnabled(bool enabled)
{
    on = enabled;
    if (!on)
        close();
}

bool BoxSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == box && event->type() == QEvent::KeyPress && on) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        // A letter or a digit typed on the box, not a key that moves or opens the list.
        if (!text.isEmpty() && text.front().isLetterOrNumber() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            open(text);
            return true;
        }
        return false;
    }
    if (watched == edit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

void BoxSearch::open(const QString &typed)
{
    if (edit)
        return;
    edit = new QLineEdit(box->parentWidget());
    edit->setObjectName(QStringLiteral("boxSearch"));
    edit->setGeometry(box->geometry());
    edit->setAccessibleName(tr("Search a city"));
    edit->installEventFilter(this);
    auto *search = new CitySearch(names(), edit);
    connect(search, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                if (edit) // (Return may have chosen already: once)
                    choose(index.data(Qt::DisplayRole).toString());
            });
    connect(edit, &QLineEdit::returnPressed, this, [this, search] {
        if (!edit)
            return; // chosen from the offers already
        // The name as typed, else the first that holds it.
        const QString typed = edit->text().trimmed();
        const QStringList found = search->matches(typed);
        choose(found.contains(typed) ? typed : found.value(0));
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, search] {
        if (edit && !edit->hasFocus() && !search->popup()->isVisible())
            close(); // left: nothing chosen
    });
    edit->show();
    edit->raise();
    edit->setFocus();
    edit->setText(typed);
    search->offer(typed);
}

void BoxSearch::close()
{
    if (!edit)
        return;
    box->setFocus();
    edit->deleteLater();
    edit = nullptr;
}

void BoxSearch::choose(const QString &name)
{
    close();
    if (!name.isEmpty())
        chosen(name);
}
