#include "totalcolumn.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

TotalColumn::TotalColumn(QTableView *table)
    : QObject(table), table(table), column(new QTableView(table))
{
    column->setObjectName(QStringLiteral("routeTotal"));
    column->setFocusPolicy(Qt::NoFocus);
    column->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->setSelectionMode(QAbstractItemView::NoSelection);
    column->verticalHeader()->hide();
    column->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->setFrameShape(QFrame::NoFrame);
    column->hide();
    table->installEventFilter(this);
    // The rows as the table scrolls them; the widths as it sizes them.
    connect(table->verticalScrollBar(), &QAbstractSlider::valueChanged, column->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, &TotalColumn::refresh);
    connect(table->horizontalScrollBar(), &QAbstractSlider::rangeChanged, this,
            &TotalColumn::refresh);
}

void TotalColumn::setEnabled(bool enabled)
{
    on = enabled;
    refresh();
}

void TotalColumn::refresh()
{
    QAbstractItemModel *model = table->model();
    const int columns = model ? model->columnCount() : 0;
    if (!on || columns < 2 || table->horizontalScrollBar()->maximum() == 0) {
        column->hide();
        return;
    }
    if (column->model() != model)
        column->setModel(model);
    for (int c = 0; c < columns; ++c)
        column->setColumnHidden(c, c != columns - 1);
    const int width = table->columnWidth(columns - 1);
    column->setColumnWidth(columns - 1, width);
    column->horizontalHeader()->setFixedHeight(table->horizontalHeader()->height());
    for (int r = 0; r < model->rowCount(); ++r)
        column->setRowHeight(r, table->rowHeight(r));
    const QRect view = table->viewport()->geometry();
    column->setGeometry(view.right() + 1 - width, view.top() - table->horizontalHeader()->height(),
                        width, view.height() + table->horizontalHeader()->height());
    column->verticalScrollBar()->setValue(table->verticalScrollBar()->value());
    column->show();
    column->raise();
}

bool TotalColumn::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        QTimer::singleShot(0, this, &TotalColumn::refresh); // once the table has laid out
    return false;
}
