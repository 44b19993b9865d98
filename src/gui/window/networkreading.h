#pragma once

#include "network.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A network folder as the window opens it: what was read, and what is left to do behind it.
struct OpenedNetwork
{
    std::shared_ptr<Network> network; // none: refused or cancelled
    Network::Load result = Network::Load::Ok;
    QString notKept;           // why its image cannot be kept (empty when it can, or need not be)
    Network::LaterImage later; // its image, kept once its hierarchy is built
    bool buildBehind = false;  // its hierarchy to be built behind the window
};

// How the window reads a network folder, on any thread: its image where one is kept, else its
// files, never waiting for the hierarchy (see HierarchyBehind).
class NetworkReading
{
    Q_DECLARE_TR_FUNCTIONS(NetworkReading)

public:
    // The sizes the window keeps images and builds hierarchies from (Network::Cache's own,
    // until a test lowers them); the cache folder is looked up at each reading.
    static Network::Cache &sizes();
    // Reads `dir`; what could not be read is added to `found`; `stage` as Network::Cache's.
    // Throws std::bad_alloc where the memory is short.
    static OpenedNetwork read(const QString &dir, QStringList *found,
                              const std::function<void(Network::Stage)> &stage = {});
    // What the progress box says of a stage.
    static QString stageText(Network::Stage stage);
};
