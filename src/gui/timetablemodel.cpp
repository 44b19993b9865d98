#include "timetablemodel.h"

#include "routetable.h"

TimeTableModel::TimeTableModel(std::vector<City> cities, TimeMatrix times, QObject *parent)
    : QAbstractTableModel(parent), cities(std::move(cities)), times(std::move(times))
{
}

int TimeTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(cities.size());
}

int TimeTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(cities.size());
}

QVariant TimeTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const std::size_t row = std::size_t(index.row());
    const std::size_t column = std::size_t(index.column());
    if (row >= times.size() || column >= times[row].size())
        return QString(); // the city list is longer than the matrix: nothing to show
    return formatNumber(times[row][column]);
}

QVariant TimeTableModel::headerData(int section, Qt::Orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0 || std::size_t(section) >= cities.size())
        return {};
    return cities[section].getName();
}
