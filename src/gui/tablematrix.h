#pragma once

#include "matrix.h"

#include <QWidget>

namespace Ui {
class TableMatrix;
}
class TimeTableModel;

// A panel with the shortest travel times, in minutes, between the cities of a network: one row
// and one column per city. Whatever matrix it is given, it shows shortest times. It is freed
// when closed.
class TableMatrix : public QWidget
{
    Q_OBJECT

public:
    TableMatrix(QWidget *parent, Matrix _m);
    ~TableMatrix() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::TableMatrix *ui;
    Matrix m;
    TimeTableModel *model;
};
