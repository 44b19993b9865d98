#include "fileactions.h"

#include "osmimport.h"
#include "plaintext.h"

#include "loadproblems.h"
#include "network.h"
#include "routeexport.h"
#include "routeplan.h"
#include "routetable.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <atomic>

FileActions::FileActions(QWidget *window, RoutePlan *plan, std::function<QImage()> mapImage)
    : QObject(window), window(window), plan(plan), mapImage(std::move(mapImage))
{
    saveFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (saveFolder.isEmpty() || !QFileInfo(saveFolder).isDir())
        saveFolder = QDir::homePath();
    open = new QAction(tr("Open a network folder..."), this);
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &FileActions::chooseNetworkFolder);
    save = new QAction(tr("Save the route..."), this);
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, &FileActions::saveRoute);
    copy = new QAction(tr("Copy the route"), this);
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &FileActions::copyRoute);
    saveMap = new QAction(tr("Save the map as PNG..."), this);
    saveMap->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(saveMap, &QAction::triggered, this, &FileActions::saveMapImage);
    // The keys work anywhere in the window.
    window->addActions({open, save, copy, saveMap});
    osm = new OsmImport(window);
    connect(osm, &OsmImport::converted, this, &FileActions::openRequested);
    connect(plan, &RoutePlan::routeChanged, this, &FileActions::routeOnShowChanged);
    routeOnShowChanged();
}

QAction *FileActions::importAction() const
{
    return osm->action();
}

void FileActions::routeOnShowChanged()
{
    // Ctrl+S with no route says so rather than doing nothing: only the menu's entry is off.
    copy->setEnabled(plan->routed());
}

void FileActions::setFolder(const QString &folder)
{
    lastFolder = QFileInfo(folder).absoluteFilePath();
    credit = readNetworkCredit(folder);
}

QString FileActions::droppedFolder(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls()[0].isLocalFile())
        return QString();
    const QFileInfo info(data->urls()[0].toLocalFile());
    return info.isDir() ? info.absoluteFilePath() : info.isFile() ? info.absolutePath() : QString();
}

QString FileActions::notKeptText(const QString &why)
{
    return tr("This network is read from its files at each opening: %1.").arg(why);
}

FileActions::~FileActions()
{
    cancelReading();
    if (reader.joinable())
        reader.join();
}

void FileActions::cancelReading()
{
    if (!waiting)
        return;
    cancelled = true;
    *stopReading = true;
    ++readings; // its stages, and its end, are no longer heard
    waiting->quit();
}

namespace {
struct ReadingCancelled
{
};
} // namespace

bool FileActions::readUnderProgress(const QString &dir, QStringList *found, OpenedNetwork *opened)
{
    if (reader.joinable())
        reader.join(); // one cancelled before: it stopped at its next stage
    struct Shared
    {
        OpenedNetwork opened;
        QStringList found;
        bool outOfMemory = false;
        std::atomic<bool> done{false}; // what is above is written
        bool endHeard = false;         // (on the GUI thread) its stages all said
    };
    auto shared = std::make_shared<Shared>();
    const int number = ++readings;
    stopReading = std::make_shared<std::atomic<bool>>(false);
    const auto stage = [this, stop = stopReading, number](Network::Stage at) {
        if (*stop)
            throw ReadingCancelled();
        QMetaObject::invokeMethod(
            this,
            [this, number, text = NetworkReading::stageText(at)] {
                if (number != readings)
                    return;
                stageShown = text;
                if (progress)
                    progress->setLabelText(text);
                emit readingStage(text);
            },
            Qt::QueuedConnection);
    };
    QEventLoop loop;
    waiting = &loop;
    cancelled = false;
    // Posted after its stages, so seen after them: a Cancel on a stage always wins.
    const auto finish = [this, number, shared] {
        if (number != readings)
            return;
        shared->endHeard = true;
        if (waiting)
            waiting->quit();
    };
    reader = std::thread([this, shared, dir, stage, finish] {
        try {
            shared->opened = NetworkReading::read(dir, &shared->found, stage);
        } catch (const ReadingCancelled &) {
        } catch (...) { // out of memory
            shared->outOfMemory = true;
        }
        shared->done = true;
        QMetaObject::invokeMethod(this, finish, Qt::QueuedConnection);
    });
    // A short reading shows nothing and takes no input meanwhile; a longer one shows its box,
    // which keeps the window's input until it ends or is cancelled.
    if (progressDelay > 0) {
        QTimer::singleShot(progressDelay, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!cancelled && !shared->endHeard) {
        QProgressDialog box(window);
        progress = &box;
        box.setObjectName(QStringLiteral("readingProgress"));
        box.setWindowTitle(tr("Open a network folder"));
        box.setLabelText(stageShown);
        box.setCancelButtonText(tr("Cancel"));
        box.setRange(0, 0);
        box.setMinimumDuration(0);
        box.setAutoReset(false);
        box.setAutoClose(false);
        box.setWindowModality(Qt::WindowModal);
        connect(&box, &QProgressDialog::canceled, this, &FileActions::cancelReading);
        box.show();
        loop.exec();
    }
    waiting = nullptr;
    if (cancelled)
        return false;
    reader.join();
    if (shared->outOfMemory)
        throw std::bad_alloc();
    *opened = std::move(shared->opened);
    found->append(shared->found);
    return true;
}

OpenedNetwork FileActions::readNetwork(const QString &dir, QStringList *found)
{
    if (waiting)
        return {}; // one at a time
    OpenedNetwork opened;
    if (!readUnderProgress(dir, found, &opened))
        return {};
    if (!opened.notKept.isEmpty())
        emit done(notKeptText(opened.notKept));
    const Network::Load result = opened.result;
    const std::shared_ptr<Network> &network = opened.network;
    if (result != Network::Load::NoFolder && network->size() > 0)
        return opened;
    const QString where = QDir::toNativeSeparators(QFileInfo(dir).absoluteFilePath());
    QMessageBox box(
        QMessageBox::Warning, tr("GPS"),
        result == Network::Load::NoFolder
            ? tr("The network folder %1 does not exist; the network on show is kept.").arg(where)
            : tr("No city could be read in %1; the network on show is kept.").arg(where),
        QMessageBox::Ok, window);
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(found->join(u'\n'));
    box.exec();
    return {};
}

void FileActions::sayLoadProblems(const QStringList &messages, const QString &missingFolder)
{
    if (messages.isEmpty())
        return;
    QStringList first = messages.mid(0, 5);
    if (messages.size() > first.size())
        first << tr("(%1 more in the details)").arg(messages.size() - first.size());
    // Remarks alone (two cities of one name, a pair given two times...) are no lines left out.
    const bool whole = std::none_of(messages.begin(), messages.end(), loadtext::leftOut);
    const QString summary =
        !missingFolder.isEmpty()
            ? tr("The network folder %1 does not exist; no network is shown.").arg(missingFolder)
            : (whole ? tr("The whole network was read; GPS noticed this in it:")
                     : tr("Some of the network could not be read; the rest is shown.")) +
                  QStringLiteral("\n\n") + first.join(u'\n');
    auto *box = new QMessageBox(QMessageBox::Warning, tr("GPS"), summary, QMessageBox::Ok, window);
    box->setTextFormat(Qt::PlainText);
    box->setDetailedText(messages.join(u'\n'));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    box->raise();
    box->activateWindow();
}

void FileActions::chooseNetworkFolder()
{
    const QString dir = QFileDialog::getExistingDirectory(
        window, tr("Open a network folder (villes.csv and temps.csv)"), lastFolder);
    if (!dir.isEmpty())
        emit openRequested(dir);
}

QString FileActions::saveFileName(const QString &title, const QString &name,
                                  const QStringList &filters)
{
    QFileDialog dialog(window, title, QDir(saveFolder).filePath(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QFileInfo(name).suffix());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    saveFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

bool FileActions::writeFile(const QString &fileName, const QByteArray &bytes)
{
    // Written beside and renamed over: a failure leaves any file already there as it was.
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        emit done(tr("Saved as %1.").arg(QDir::toNativeSeparators(fileName)));
        return true;
    }
    plainMessage(
        window, QMessageBox::Warning, tr("GPS"),
        tr("Could not save %1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
    return false;
}

void FileActions::saveRoute()
{
    if (!plan->routed()) {
        QMessageBox::information(window, tr("GPS"), tr("There is no route to save."));
        return;
    }
    const std::vector<City> &cities = plan->network().cities();
    const std::vector<int> &path = plan->path();
    QString name = cities[std::size_t(path.front())].getName() + QStringLiteral(" - ") +
                   cities[std::size_t(path.back())].getName();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    const QString fileName = saveFileName(tr("Save the route"), name + QStringLiteral(".gpx"),
                                          {tr("GPX route (*.gpx)"), tr("CSV table (*.csv)")});
    if (fileName.isEmpty())
        return;
    const RouteShape shape = plan->shape();
    const QByteArray bytes =
        fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
            ? routeCsv(cities, path, plan->legTimes(), plan->unitScale(), plan->unitName(), &shape,
                       credit.line)
            : routeGpx(cities, path, plan->legTimes(), plan->unitScale(),
                       // Read by people too: hours and minutes as the window shows them.
                       plan->unitText() == QLatin1String("h:mm") ? plan->unitText()
                                                                 : plan->unitName(),
                       {}, credit.line, &shape);
    writeFile(fileName, bytes);
}

void FileActions::copyRoute()
{
    if (!plan->routed())
        return;
    const RouteShape shape = plan->shape();
    QGuiApplication::clipboard()->setText(routeSheetTsv(plan->network().cities(), plan->path(),
                                                        plan->legTimes(), plan->unitScale(),
                                                        plan->unitName(), &shape, credit.line));
    emit done(tr("The route was copied."));
}

void FileActions::saveMapImage()
{
    const QString fileName =
        saveFileName(tr("Save the map"), QStringLiteral("map.png"), {tr("PNG image (*.png)")});
    if (fileName.isEmpty())
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage image = mapImage();
    if (!credit.line.isEmpty())
        image.setText(QStringLiteral("Copyright"), credit.line);
    image.save(&buffer, "PNG");
    writeFile(fileName, bytes);
}
