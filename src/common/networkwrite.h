#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// Writes a network into DIR: villes.csv and temps.csv whole or not at all (a new DIR is filled
// beside it, with the umask's mode, and moved into place; in a DIR that is there, the new files
// are written inside it and both put in place, or neither), then the files that go with them
// (`extras`: name and bytes), which newer versions read and older ones pass over. False, with
// the reason ("PATH: cannot write (No space left on device)"), when that cannot be done; where
// only an extra failed, the network is there and the reason says so.
bool writeNetworkFiles(const QString &dir, const QByteArray &cities, const QByteArray &roads,
                       const std::vector<std::pair<QString, QByteArray>> &extras, QString *error);
