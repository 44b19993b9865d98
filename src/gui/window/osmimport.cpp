#include "osmimport.h"
#include "importdialog.h"

#ifdef GPS_HAVE_OSM
#include "osmnet.h"
#include "plaintext.h"
#endif

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QThread>

OsmImport::OsmImport(QWidget *window) : QObject(window), window(window)
{
    if (!available())
        return;
    importAction = new QAction(tr("Open an OpenStreetMap extract..."), this);
    importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(importAction, &QAction::triggered, this, &OsmImport::ask);
    window->addAction(importAction); // the key works anywhere in the window
}

OsmImport::~OsmImport()
{
    if (worker) {
        *stop = true;
        worker->wait();
    }
}

bool OsmImport::available()
{
#ifdef GPS_HAVE_OSM
    return true;
#else
    return false;
#endif
}

void OsmImport::ask()
{
    if (busy())
        return;
    letCancelledGo();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString extract = QFileDialog::getOpenFileName(
        window, tr("Open an OpenStreetMap extract"), documents,
        tr("OpenStreetMap extracts (*.osm.pbf *.osm *.osm.bz2 *.osm.gz);;All files (*)"));
    if (extract.isEmpty())
        return;
    // The network goes in a folder named after the extract: bretagne-latest.osm.pbf,
    // bretagne-latest.
    QString name = QFileInfo(extract).fileName();
    for (const char *suffix : {".osm.pbf", ".osm.bz2", ".osm.gz", ".osm", ".pbf"})
        if (name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive)) {
            name.chop(qsizetype(qstrlen(suffix)));
            break;
        }
    ImportDialog dialog(window, extract, QDir(documents).filePath(name), kinds);
    if (dialog.exec() != QDialog::Accepted)
        return;
    kinds = dialog.kinds(); // offered again for the next import of this run
    convert(extract, dialog.folder(), kinds);
}

void OsmImport::convert(const QString &extract, const QString &folder, const QStringList &places)
{
#ifdef GPS_HAVE_OSM
    if (busy())
        return;
    letCancelledGo();
    stop = std::make_shared<std::atomic<bool>>(false);
    progress = new QProgressDialog(window);
    auto *label = new QLabel(progress);
    label->setTextFormat(Qt::PlainText); // the extract's name
    progress->setLabel(label);
    progress->setLabelText(tr("Reading %1...").arg(QFileInfo(extract).fileName()));
    progress->setCancelButtonText(tr("Cancel"));
    progress->setRange(0, 0);
    progress->setWindowTitle(tr("Open an OpenStreetMap extract"));
    progress->setMinimumDuration(0);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, this, [flag = stop] { *flag = true; });
    progress->show();
    const bool existed = QFileInfo::exists(folder);
    QPointer<OsmImport> self(this);
    auto flag = stop;
    const int round = ++rounds;
    worker = QThread::create([self, flag, extract, folder, existed, round, places] {
        QString problem;
        bool cancelled = false;
        try {
            osmnet::Options options;
            if (!places.isEmpty())
                options.placeKinds = places;
            options.nodeIds = true; // for the road graph the window then drives on
            options.cancelled = [flag] { return flag->load(); };
            options.progress = [self](const QString &text) {
                QMetaObject::invokeMethod(self, [self, text] {
                    if (self && self->progress)
                        self->progress->setLabelText(text);
                });
            };
            const osmnet::Network net = osmnet::convert(extract, options);
            if (net.places.empty())
                problem = tr("no place (%1) lies near a road in %2")
                              .arg(options.placeKinds.join(QStringLiteral(", ")),
                                   QDir::toNativeSeparators(extract));
            else if (!*flag)
                osmnet::write(folder, net, &problem); // (says what failed in `problem`)
            cancelled = *flag;
        } catch (const osmnet::Cancelled &) {
            cancelled = true;
        } catch (const std::bad_alloc &) {
            problem = tr("not enough memory to convert it");
        } catch (const std::exception &e) {
            problem = QString::fromUtf8(e.what());
        }
        // Cancelled once the files were written: gone again, unless the folder was there.
        if (cancelled && problem.isEmpty() && !existed && QFileInfo::exists(folder))
            QDir(folder).removeRecursively();
        QMetaObject::invokeMethod(self, [self, folder, problem, cancelled, existed, round] {
            if (self && self->rounds == round) // (not one cancelled and let go since)
                self->finished(folder, problem, cancelled, existed);
        });
    });
    worker->start();
#else
    Q_UNUSED(extract)
    Q_UNUSED(folder)
    Q_UNUSED(places)
#endif
}

void OsmImport::letCancelledGo()
{
    if (!worker)
        return;
    // Every stage of the conversion looks at the flag often: it ends at once, its files gone.
    *stop = true;
    worker->wait();
    delete worker;
    worker = nullptr;
    ++rounds; // what it still has to say is not heard
    if (progress) {
        progress->disconnect(this);
        progress->close();
    }
    progress = nullptr;
}

void OsmImport::finished(const QString &folder, const QString &problem, bool cancelled,
                         bool existed)
{
    worker->wait();
    delete worker;
    worker = nullptr;
    const bool stopped = cancelled || *stop;
    if (progress) {
        progress->disconnect(this); // (closing it says "canceled")
        progress->close();
    }
    progress = nullptr;
    if (stopped) {
        // Cancelled after the conversion had ended: what it wrote goes too.
        if (!cancelled && problem.isEmpty() && !existed && QFileInfo::exists(folder))
            QDir(folder).removeRecursively();
        return;
    }
    if (!problem.isEmpty()) {
        plainMessage(window, QMessageBox::Warning, tr("GPS"),
                     tr("The extract could not be converted: %1").arg(problem));
        return;
    }
    emit converted(folder);
}
