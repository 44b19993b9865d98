#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QAction;
class QThread;
class QWidget;

// "Open an OpenStreetMap extract...": asks for an extract and where to keep its network, then
// converts it as gpsnet osm does, off the GUI thread, under a progress dialog that can cancel
// (nothing is left behind then). Emits converted() with the folder once it is written; says
// what failed in the window otherwise.
class OsmImport : public QObject
{
    Q_OBJECT

public:
    explicit OsmImport(QWidget *window);
    ~OsmImport() override;

    // Whether this build reads extracts (libosmium was there); without, no action.
    static bool available();
    QAction *action() const { return importAction; }

    // Asks for an extract, then (ImportDialog) where to keep its network and which places.
    void ask();
    // Converts `extract` into `folder` (made, or written into), under the progress dialog,
    // keeping the places of those kinds (place= values; none: gpsnet osm's default).
    void convert(const QString &extract, const QString &folder, const QStringList &places = {});
    // Converting, and not cancelled: a cancelled conversion stops at once, and another can start.
    bool busy() const { return worker && !*stop; }

signals:
    void converted(const QString &folder);

private:
    void finished(const QString &folder, const QString &problem, bool cancelled, bool existed);
    // Waits for a cancelled conversion to end (it checks often), and forgets it.
    void letCancelledGo();

    QWidget *window;
    QAction *importAction = nullptr;
    QPointer<QProgressDialog> progress;
    QThread *worker = nullptr;
    std::shared_ptr<std::atomic<bool>> stop;
    int rounds = 0; // conversions started or let go: a late word from an old one is not heard
    // The kinds of places chosen last in this run (gpsnet osm's default at first).
    QStringList kinds{QStringLiteral("city"), QStringLiteral("town"), QStringLiteral("village")};
};
