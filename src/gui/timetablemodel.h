#pragma once

#include "matrix.h"

#include <QAbstractTableModel>

// Travel times between cities as a read-only table: rows and columns headed by the city names,
// cells in minutes as the tables write them ("90", "2.08333", "inf"). Texts are made when the
// view asks for them, so a network of thousands of cities costs its matrix and nothing more.
class TimeTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The model keeps its own cities and times (the view may ask for them while its owner is
    // being destroyed). A cell beyond the matrix is empty.
    TimeTableModel(std::vector<City> cities, TimeMatrix times, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<City> cities;
    TimeMatrix times;
};
