#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QComboBox;

// Lets a user type into a city box to search it: the first letter typed on the box opens a
// field over it that offers every city whose name holds what is typed, whatever the case and
// the accents ("krak" reaches Kraków among 52,000 names). Return or a pick from the offers
// chooses; Escape, or leaving the field, changes nothing. The box stays a list, as it was.
class BoxSearch : public QObject
{
    Q_OBJECT

public:
    // `names`: the names to offer, each once, in order; `chosen`: what choosing a name does.
    BoxSearch(QComboBox *box, std::function<QStringList()> names,
              std::function<void(const QString &)> chosen);

    // The search field while it is open (tests), else null.
    QLineEdit *field() const { return edit; }
    // Off, the box takes the keys as any list does (a letter picks the next name that starts
    // with it).
    void setEnabled(bool enabled);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open(const QString &typed);
    void close();
    void choose(const QString &name);

    QComboBox *box;
    std::function<QStringList()> names;
    std::function<void(const QString &)> chosen;
    QPointer<QLineEdit> edit;
    bool on = true;
};
