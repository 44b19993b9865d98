#pragma once

#include <QAbstractListModel>
#include <QComboBox>
#include <QStringList>

// What a city box lists: its placeholder ("City - start", ...) in row 0, then the names. The
// boxes share one list of names (QStringList shares its data): a million names cost one list
// and no item objects (filling a box with a million items takes seconds and hundreds of
// megabytes), and a row's text is read only when a view shows it.
class CityListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    CityListModel(const QString &placeholder, QObject *parent = nullptr);
    // Puts a model in the box, its first item (the placeholder) kept, and chosen.
    static void install(QComboBox *box);
    // The box lists these names (its placeholder kept), the placeholder chosen, quietly.
    static void show(QComboBox *box, const QStringList &names);

    void setNames(const QStringList &names);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Only the placeholder changes (the window's texts are translated anew).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QString placeholder;
    QStringList names;
};
