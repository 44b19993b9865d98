#include "tablematrix.h"

#include "logging.h"
#include "panel.h"
#include "timetablemodel.h"
#include "ui_tablematrix.h"

#include <QFontMetrics>
#include <QHeaderView>

#include <algorithm>

void TableMatrix::setUp()
{
    ui->setupUi(this);
    // In a larger window the table takes the room, its button by its corner.
    setUpPanel(this, {}, {ui->tableView}, {ui->pushButton});
    // What the numbers are, for a screen reader (the form shows the table alone).
    ui->tableView->setAccessibleDescription(
        tr("Shortest travel times, in minutes: from the city of the row to the city of the "
           "column."));
}

TableMatrix::TableMatrix(QWidget *parent, Matrix _m)
    : QWidget(parent), ui(new Ui::TableMatrix), m(std::move(_m))
{
    setUp();

    TimeMatrix shortest;
    {
        // Shortest times, as Matrix::Floyd_Warshall_Only gives them. The direct times are let go
        // before the table's rows are made, and the table keeps the one copy of the result, so a
        // large network's panel holds one matrix.
        const ShortestPaths all(m.timeMatrix(), false);
        m.setMatrix(TimeMatrix());
        shortest = all.times();
    }
    const int numCities = int(m.cityList().size());
    qCDebug(lcWindow) << "test2 : " << numCities;

    model = new TimeTableModel(m.cityList(), std::move(shortest), this);
    showModel();
}

TableMatrix::TableMatrix(QWidget *parent, std::shared_ptr<const Network> network,
                         std::vector<int> positions)
    : QWidget(parent), ui(new Ui::TableMatrix)
{
    setUp();
    const std::vector<City> &all = network->cities();
    std::vector<City> shown;
    if (positions.empty()) {
        shown = all;
    } else {
        for (const int at : positions)
            shown.push_back(all[at]);
    }
    qCDebug(lcWindow) << "test2 : " << int(shown.size());
    const bool background = network->size() > backgroundLimit;
    TimeTableModel::RowFunction rowTimes;
    if (positions.empty()) {
        rowTimes = [network](int row) { return network->timesFrom(row); };
    } else {
        rowTimes = [network, positions](int row) {
            const std::vector<double> from = network->timesFrom(positions[row]);
            std::vector<double> times;
            times.reserve(positions.size());
            for (const int at : positions)
                times.push_back(from[at]);
            return times;
        };
    }
    // Rows are kept up to about 64 MB, and never fewer than a few screens of them.
    const int kept =
        int(std::max<qint64>(200, (qint64(64) << 20) / (8 * qint64(shown.size()) + 1)));
    model = new TimeTableModel(std::move(shown), std::move(rowTimes), background, kept, this);
    showModel();
}

void TableMatrix::showModel()
{
    ui->tableView->setModel(model);
    // Sizing from a sample of rows keeps a table of thousands of cities quick to open; the
    // cells are short numbers, so the sample sees the widest ones.
    ui->tableView->horizontalHeader()->setResizeContentsPrecision(50);
    ui->tableView->verticalHeader()->setResizeContentsPrecision(50);
    if (model->rowCount() <= kSizedToContents) {
        ui->tableView->resizeColumnsToContents();
        ui->tableView->resizeRowsToContents();
        return;
    }
    // Measuring tens of thousands of columns would hold the window for seconds: every column
    // gets the width of a long time and the median name, and can be widened by hand.
    const QFontMetrics metrics = ui->tableView->horizontalHeader()->fontMetrics();
    std::vector<int> widths;
    for (int i = 0; i < model->columnCount(); i += std::max(1, model->columnCount() / 200))
        widths.push_back(
            metrics.horizontalAdvance(model->headerData(i, Qt::Horizontal).toString()));
    std::nth_element(widths.begin(), widths.begin() + widths.size() / 2, widths.end());
    const int padding = 2 * metrics.horizontalAdvance(u'0');
    ui->tableView->horizontalHeader()->setDefaultSectionSize(
        std::max(widths[widths.size() / 2], metrics.horizontalAdvance(QStringLiteral("99999.9"))) +
        padding);
}

TableMatrix::~TableMatrix()
{
    delete ui;
}

void TableMatrix::on_pushButton_clicked()
{
    close();
}
