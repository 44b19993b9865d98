#include "pickonly.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QSignalBlocker>

PickOnly::PickOnly(QComboBox *box) : QObject(box), box(box)
{
    box->installEventFilter(this);
    connect(box, &QComboBox::activated, this, [this](int index) {
        const QString text = this->box->itemText(index);
        {
            const QSignalBlocker quiet(this->box);
            this->box->setCurrentIndex(0);
        }
        if (index > 0)
            emit picked(text);
    });
}

bool PickOnly::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != box)
        return false;
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() == QEvent::KeyPress) {
        // What opens the list (Space, F4, Alt+Down, Return) and moves on still works.
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool opens = key->key() == Qt::Key_Space || key->key() == Qt::Key_F4 ||
                           key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                           key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                           key->key() == Qt::Key_Escape || (key->modifiers() & Qt::AltModifier);
        return !opens;
    }
    return false;
}
