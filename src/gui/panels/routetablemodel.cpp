#include "routetablemodel.h"

void RouteTableModel::setTexts(RouteTableTexts newTexts)
{
    beginResetModel();
    texts = std::move(newTexts);
    endResetModel();
}

int RouteTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || texts.headers.isEmpty() ? 0 : texts.kmCells.isEmpty() ? 1 : 2;
}

int RouteTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(texts.headers.size());
}

QVariant RouteTableModel::data(const QModelIndex &index, int role) const
{
    const QStringList &row = index.row() == 0 ? texts.cells : texts.kmCells;
    if (!index.isValid() || index.row() > 1 || role != Qt::DisplayRole ||
        index.column() >= row.size())
        return {};
    return row[index.column()];
}

QVariant RouteTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Vertical)
        return section == 0   ? QVariant(texts.rowHeader)
               : section == 1 ? QVariant(texts.kmRowHeader)
                              : QVariant();
    return section < texts.headers.size() ? QVariant(texts.headers[section]) : QVariant();
}
