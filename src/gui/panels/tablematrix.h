#pragma once

#include "matrix.h"
#include "network.h"

#include <QWidget>

#include <memory>

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
    // The shortest times of a loaded network between the cities at `positions` (all of them
    // when empty), in that order. Rows are worked out as they come into view, in worker threads
    // on networks larger than backgroundAbove() cities; closing the panel drops what is left.
    TableMatrix(QWidget *parent, std::shared_ptr<const Network> network,
                std::vector<int> positions = {});
    ~TableMatrix() override;

    static int backgroundAbove() { return backgroundLimit; }
    static void setBackgroundAbove(int cities) { backgroundLimit = cities; }

private slots:
    void on_pushButton_clicked();

private:
    void setUp();
    void showModel();

    static inline int backgroundLimit = 5000;
    static constexpr int kSizedToContents = 5000; // columns measured one by one up to this
    Ui::TableMatrix *ui;
    Matrix m;
    TimeTableModel *model;
};
