#include "datadir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString defaultDataDir()
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString beside = here.filePath(QStringLiteral("data"));
    const QString installed =
        QDir::cleanPath(here.filePath(QStringLiteral(GPS_INSTALLED_DATA_DIR)));
    for (const QString &dir : {beside, installed})
        if (QFileInfo::exists(dir + QStringLiteral("/villes.csv")))
            return dir;
    return beside;
}
