#include "tablematrix.h"

#include "timetablemodel.h"
#include "ui_tablematrix.h"

#include <QDebug>
#include <QHeaderView>
#include <QKeySequence>
#include <QShortcut>

TableMatrix::TableMatrix(QWidget *parent, Matrix _m)
    : QWidget(parent), ui(new Ui::TableMatrix), m(std::move(_m))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    setFocusPolicy(Qt::StrongFocus);

    TimeMatrix shortest;
    {
        // Shortest times, as Matrix::Floyd_Warshall_Only gives them. The direct times are let go
        // before the table's rows are made, and the table keeps the one copy of the result, so a
        // large network's panel holds one matrix.
        const ShortestPaths all(m.timeMatrix(), false);
        m.setMatrix(TimeMatrix());
        shortest = all.times();
    }
    const int numCities = int(m.cityList().size());
    qDebug() << "test2 : " << numCities;

    model = new TimeTableModel(m.cityList(), std::move(shortest), this);
    ui->tableView->setModel(model);
    // Sizing from a sample of rows keeps a table of thousands of cities quick to open; the
    // cells are short numbers, so the sample sees the widest ones.
    ui->tableView->horizontalHeader()->setResizeContentsPrecision(50);
    ui->tableView->verticalHeader()->setResizeContentsPrecision(50);
    ui->tableView->resizeColumnsToContents();
    ui->tableView->resizeRowsToContents();
}

TableMatrix::~TableMatrix()
{
    delete ui;
}

void TableMatrix::on_pushButton_clicked()
{
    close();
}
