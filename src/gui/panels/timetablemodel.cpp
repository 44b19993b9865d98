#include "timetablemodel.h"

#include "routetable.h"

#include <QPointer>
#include <QRunnable>

#include <cmath>
#include <new>

TimeTableModel::TimeTableModel(std::vector<City> cities, TimeMatrix times, QObject *parent)
    : QAbstractTableModel(parent), cities(std::move(cities)), times(std::move(times))
{
}

TimeTableModel::TimeTableModel(std::vector<City> cities, RowFunction rowTimes, bool background,
                               int keptRows, QObject *parent)
    : QAbstractTableModel(parent), cities(std::move(cities)), rowTimes(std::move(rowTimes)),
      background(background)
{
    rows.setMaxCost(std::max(1, keptRows));
}

TimeTableModel::~TimeTableModel()
{
    {
        const std::lock_guard<std::mutex> hold(shared->lock);
        shared->closing = true;
    }
    pool.clear();
    pool.waitForDone();
}

int TimeTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(cities.size());
}

int TimeTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(cities.size());
}

const std::vector<double> *TimeTableModel::row(int at) const
{
    if (!rowTimes)
        return std::size_t(at) < times.size() ? &times[at] : nullptr;
    if (const std::vector<double> *kept = rows.object(at))
        return kept;
    if (!background) {
        auto *made = new std::vector<double>(rowTimes(at));
        const_cast<TimeTableModel *>(this)->computed++;
        rows.insert(at, made);
        return made;
    }
    if (!pending.contains(at)) {
        pending.insert(at);
        // The latest rows asked for come first: after a jump, the screen in view.
        const RowFunction work = rowTimes;
        const std::shared_ptr<Shared> state = shared;
        QPointer<TimeTableModel> self(const_cast<TimeTableModel *>(this));
        pool.start(
            [work, state, self, at] {
                std::vector<double> result;
                try {
                    result = work(at);
                } catch (const std::bad_alloc &) {
                    // Left empty: the cell says nothing rather than something wrong.
                }
                const std::lock_guard<std::mutex> hold(state->lock);
                if (!state->closing)
                    QMetaObject::invokeMethod(
                        self.data(),
                        [self, at, result = std::move(result)]() mutable {
                            if (self)
                                self->rowReady(at, std::move(result));
                        },
                        Qt::QueuedConnection);
            },
            ++priority);
    }
    return nullptr;
}

void TimeTableModel::rowReady(int at, std::vector<double> times)
{
    pending.remove(at);
    if (times.empty())
        return;
    ++computed;
    rows.insert(at, new std::vector<double>(std::move(times)));
    emit dataChanged(index(at, 0), index(at, columnCount() - 1), {Qt::DisplayRole});
}

QVariant TimeTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const std::vector<double> *times = row(index.row());
    const std::size_t column = std::size_t(index.column());
    if (!times && pending.contains(index.row()))
        return QStringLiteral("…"); // being worked out
    if (!times || column >= times->size())
        return QString(); // the city list is longer than the matrix
    // As the route table says it where no road leads.
    const double time = (*times)[column];
    return std::isinf(time) ? tr("no road") : formatNumber(time);
}

QVariant TimeTableModel::headerData(int section, Qt::Orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0 || std::size_t(section) >= cities.size())
        return {};
    return cities[section].getName();
}
