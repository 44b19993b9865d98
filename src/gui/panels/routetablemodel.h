#pragma once

#include "routetable.h"

#include <QAbstractTableModel>

// The route table under the map as a model: one row (a second for the km where the network
// knows them), a column per city of the route and one for the total. A new route replaces the
// whole table at once, so a route of hundreds of cities costs one reset, not a signal per cell.
class RouteTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTexts(RouteTableTexts texts);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    RouteTableTexts texts;
};
