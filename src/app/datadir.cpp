#include "datadir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString defaultDataDir()
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString beside = here.filePath(QStringLiteral("data"));
    // This program's own installation (share/gps/data beside bin/, wherever it was installed),
    // then the standard data folders (~/.local/share, /usr/share... on Linux; ProgramData and the
    // program's folder on Windows).
    QStringList candidates{beside,
                           QDir::cleanPath(here.filePath(QStringLiteral(GPS_INSTALLED_DATA_DIR)))};
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                 QStringLiteral("gps/data/villes.csv"));
    if (!found.isEmpty())
        candidates << QFileInfo(found).absolutePath();
    for (const QString &dir : candidates)
        if (QFileInfo::exists(dir + QStringLiteral("/villes.csv")))
            return dir;
    return beside;
}
