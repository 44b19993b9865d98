#pragma once

#include <QCompleter>
#include <QStringList>

class QLineEdit;
class QStringListModel;

// Completes the city name being typed in a line edit that holds a list of them: "Brest Le Ha"
// offers "Le Havre" and, when taken, keeps "Brest " before it. Return takes an offer only when
// the user has moved into the list; else it is the dialog's, as if no list were open.
// A keystroke looks up the names it could start by binary search and lists a few dozen at
// most, so it costs the same on a million names as on a hundred. With the list closed, Up and
// Down go through the lists typed before.
class CityCompleter : public QCompleter
{
    Q_OBJECT

public:
    // `names`: each once, in case-insensitive order. The completer belongs to `edit`.
    CityCompleter(const QStringList &names, QLineEdit *edit);

    // The lists typed before, oldest first, that Up brings back.
    void setHistory(const QStringList &lists);

    static constexpr int kMostOffered = 50;
    // Names compared since the completer was made (tests read it).
    qint64 comparisons() const { return compared; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void offer(const QString &text);
    void take(const QString &name);

    QLineEdit *edit;
    QStringList names;
    QStringListModel *offered;
    qsizetype start = -1; // where the name being completed starts in the text
    QStringList history;
    qsizetype recalled = 0; // position in `history`; its size: the text being typed
    QString typing;         // what was being typed before Up
    qint64 compared = 0;
};
