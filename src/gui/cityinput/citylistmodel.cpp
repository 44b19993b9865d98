#include "citylistmodel.h"

#include <QListView>
#include <QSignalBlocker>

CityListModel::CityListModel(const QString &placeholder, QObject *parent)
    : QAbstractListModel(parent), placeholder(placeholder)
{
}

void CityListModel::install(QComboBox *box)
{
    const QSignalBlocker quiet(box);
    box->setModel(new CityListModel(box->itemText(0), box));
    if (auto *list = qobject_cast<QListView *>(box->view()))
        list->setUniformItemSizes(true); // the open list lays out the rows it shows only
    box->setCurrentIndex(0);
}

void CityListModel::show(QComboBox *box, const QStringList &names)
{
    const QSignalBlocker quiet(box);
    static_cast<CityListModel *>(box->model())->setNames(names);
    box->setCurrentIndex(0);
}

void CityListModel::setNames(const QStringList &list)
{
    beginResetModel();
    names = list;
    endResetModel();
}

int CityListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(names.size()) + 1;
}

QVariant CityListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() > names.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return index.row() == 0 ? placeholder : names[index.row() - 1];
}

bool CityListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (index.row() != 0 || index.parent().isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    placeholder = value.toString();
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags CityListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
