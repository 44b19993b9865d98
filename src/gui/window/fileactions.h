#pragma once

#include "networkcredit.h"
#include "networkreading.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class OsmImport;
class Network;
class QAction;
class QImage;
class QEventLoop;
class QMimeData;
class QProgressDialog;
class QWidget;
class RoutePlan;

// What the window does with files: another network opened (a folder chosen, or dropped on
// the window), the route saved as GPX or CSV or copied for a spreadsheet, the map saved as a
// PNG picture. The actions carry the keys (Ctrl+O, Ctrl+S) and are the ones the map's menu
// shows.
class FileActions : public QObject
{
    Q_OBJECT

public:
    // `window`: where the actions and dialogs belong; `mapImage`: the map as on screen.
    FileActions(QWidget *window, RoutePlan *plan, std::function<QImage()> mapImage);
    ~FileActions() override; // waits for a cancelled reading to stop

    QAction *openAction() const { return open; }
    // "Open an OpenStreetMap extract...", where this build reads them; else null.
    QAction *importAction() const;
    QAction *saveAction() const { return save; }
    QAction *copyAction() const { return copy; }
    QAction *saveMapAction() const { return saveMap; }

    // Where the folder dialog opens: the folder of the network on show. (Saving starts in the
    // user's documents folder, then where the last file was saved.)
    // Its credits (credits.txt) are read then: the saved route and map carry them.
    void setFolder(const QString &folder);
    const NetworkCredit &networkCredit() const { return credit; }

    // The folder a drop names: a folder, or the folder of a file dropped from it (villes.csv);
    // empty for anything else.
    static QString droppedFolder(const QMimeData *data);

    // Reads the network in `dir` to put it on show, off the GUI thread; a reading that takes
    // more than a moment shows a progress box with its stage and a Cancel. A folder that does
    // not exist, or holds no city that can be read, is refused with a message; a cancelled
    // reading says nothing: no network then. What could not be read is added to `found`.
    // Throws std::bad_alloc where the memory is short.
    OpenedNetwork readNetwork(const QString &dir, QStringList *found);
    // The Cancel of the reading under way.
    void cancelReading();
    // How long a reading goes before its progress box shows (tests set it).
    void setProgressDelay(int ms) { progressDelay = ms; }
    // Says beside the window, not in its way, what could not be read of the network on show
    // (or that its folder, `missingFolder`, does not exist).
    void sayLoadProblems(const QStringList &messages, const QString &missingFolder);

    void chooseNetworkFolder();
    void saveRoute();
    void copyRoute();
    void saveMapImage();

    // Why a large network is read from its files at each opening (its image cannot be kept).
    static QString notKeptText(const QString &why);

signals:
    // The user asked for the network in `folder`.
    void openRequested(const QString &folder);
    // Something was done that shows nowhere else ("The route was copied."): to be said.
    void done(const QString &text);
    // A reading entered a stage (the progress box's text).
    void readingStage(const QString &text);

private:
    QString saveFileName(const QString &title, const QString &name, const QStringList &filters);
    bool writeFile(const QString &fileName, const QByteArray &bytes);
    void routeOnShowChanged();
    // readNetwork's reading, on a thread of its own: false when cancelled.
    bool readUnderProgress(const QString &dir, QStringList *found, OpenedNetwork *opened);

    QWidget *window;
    RoutePlan *plan;
    std::function<QImage()> mapImage;
    QString lastFolder;   // of networks
    NetworkCredit credit; // of the network on show
    QString saveFolder;   // of saved files
    QAction *open = nullptr;
    OsmImport *osm = nullptr;
    QAction *save = nullptr;
    QAction *copy = nullptr;
    QAction *saveMap = nullptr;
    // The reading under way (or a cancelled one, ending at its next stage).
    std::thread reader;
    int readings = 0; // the number of the reading under way
    std::shared_ptr<std::atomic<bool>> stopReading;
    QEventLoop *waiting = nullptr;
    QPointer<QProgressDialog> progress;
    QString stageShown;
    int progressDelay = 400;
    bool cancelled = false;
};
