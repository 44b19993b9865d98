#pragma once

#include "matrix.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QSet>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Travel times between cities as a read-only table: rows and columns headed by the city names,
// cells in minutes as the tables write them ("90", "2.08333"; "no road" where none leads). Texts
// are made when the view asks for them, so a network of thousands of cities costs its matrix and
// nothing more.
class TimeTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The model keeps its own cities and times (the view may ask for them while its owner is
    // being destroyed). A cell beyond the matrix is empty.
    TimeTableModel(std::vector<City> cities, TimeMatrix times, QObject *parent = nullptr);

    // A row's times, one per city, computed when the row is first shown. Called from worker
    // threads when `background` (it must then be safe to call from several at once); a row
    // not computed yet reads "…", and is filled when it comes. The last `keptRows` rows shown
    // stay.
    using RowFunction = std::function<std::vector<double>(int row)>;
    TimeTableModel(std::vector<City> cities, RowFunction rowTimes, bool background, int keptRows,
                   QObject *parent = nullptr);
    // Pending rows are dropped; a row being computed is waited for (one search).
    ~TimeTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Rows computed so far, and rows asked for and not yet there (tests, benchmarks).
    int rowsComputed() const { return computed; }
    int rowsPending() const { return int(pending.size()); }

private:
    const std::vector<double> *row(int at) const;
    void rowReady(int at, std::vector<double> times);

    std::vector<City> cities;
    TimeMatrix times;

    RowFunction rowTimes;
    bool background = false;
    mutable QCache<int, std::vector<double>> rows;
    mutable QSet<int> pending;
    mutable QThreadPool pool;
    mutable int priority = 0;
    int computed = 0;
    // Set, under `lock`, before the model goes: workers then hand nothing back.
    struct Shared
    {
        std::mutex lock;
        bool closing = false;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
};
