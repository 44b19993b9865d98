#pragma once

#include <QCompleter>
#include <QStringList>

class QLineEdit;

// Completes the city name being typed in a line edit that holds a list of them: "Brest Le Ha"
// offers "Le Havre" and, when taken, keeps "Brest " before it. Return takes an offer only when
// the user has moved into the list; else it is the dialog's, as if no list were open.
class CityCompleter : public QCompleter
{
    Q_OBJECT

public:
    // `names`: each once, in case-insensitive order. The completer belongs to `edit`.
    CityCompleter(const QStringList &names, QLineEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void offer(const QString &text);
    void take(const QString &name);

    QLineEdit *edit;
    QStringList names;
    qsizetype start = -1; // where the name being completed starts in the text
};
