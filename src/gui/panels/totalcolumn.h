#pragma once

#include <QObject>

class QTableView;

// Keeps a table's last column (the route's total) in sight at its right edge while the table
// is wider than its view: a second view of the same model, showing that column alone, lies
// over the table's right end. Off, or where the table fits, nothing is shown.
class TotalColumn : public QObject
{
    Q_OBJECT

public:
    explicit TotalColumn(QTableView *table); // belongs to the table

    void setEnabled(bool enabled);
    // Places the column again, after the table's texts or widths changed.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *table;
    QTableView *column;
    bool on = false;
};
