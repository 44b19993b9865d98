#pragma once

#include <QByteArray>
#include <QString>

#include <QByteArrayView>

#include <functional>
#include <utility>
#include <vector>

// Writes a network into DIR: villes.csv and temps.csv whole or not at all (a new DIR is filled
// beside it, with the umask's mode, and moved into place; in a DIR that is there, the new files
// are written inside it and both put in place, or neither), then the files that go with them
// (`extras`: name and bytes), which newer versions read and older ones pass over. False, with
// the reason ("PATH: cannot write (No space left on device)"), when that cannot be done; where
// only an extra failed, the network is there and the reason says so.
// An extra may instead be made as it is written (`make` hands its bytes piece by piece to the
// function it is given, false where it cannot be made), so that a large one is never whole in
// memory.
struct NetworkExtra
{
    QString name;
    QByteArray bytes;
    std::function<bool(const std::function<bool(QByteArrayView)> &)> make = {};
};
bool writeNetworkFiles(const QString &dir, const QByteArray &cities, const QByteArray &roads,
                       const std::vector<NetworkExtra> &extras, QString *error);
