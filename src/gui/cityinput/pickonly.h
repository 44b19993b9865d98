#pragma once

#include <QObject>
#include <QString>

class QComboBox;

// Makes a combo box act only when an item is picked from its open list: arrow keys, letters and
// the wheel run through the closed box and choose nothing. After a pick the box shows its first
// item (a placeholder) again, so that the same item can be picked once more.
class PickOnly : public QObject
{
    Q_OBJECT

public:
    explicit PickOnly(QComboBox *box); // belongs to the box

signals:
    // An item other than the placeholder was picked.
    void picked(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *box;
};
