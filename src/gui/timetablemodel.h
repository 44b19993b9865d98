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
    // `cities` and `times` must outlive the model. A cell beyond the matrix is empty.
    TimeTableModel(const std::vector<City> &cities, const TimeMatrix &times,
                   QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const std::vector<City> &cities;
    const TimeMatrix &times;
};
