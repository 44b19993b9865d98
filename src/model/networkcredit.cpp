#include "networkcredit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>

NetworkCredit readNetworkCredit(const QString &dir)
{
    NetworkCredit credit;
    QFile file(QDir(dir).filePath(QStringLiteral("credits.txt")));
    // (A folder, a pipe or a device of that name is not a credit.)
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return credit;
    credit.given = true;
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(file.read(NetworkCredit::kMostBytes));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    credit.text = text.trimmed();
    for (const QString &line : credit.text.split(u'\n')) {
        QString shown;
        for (const QChar c : line)
            shown += c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
                         ? QChar(u' ')
                         : c;
        shown = shown.simplified();
        if (shown.isEmpty())
            continue;
        if (shown.size() > NetworkCredit::kMostLineCharacters) {
            shown.truncate(NetworkCredit::kMostLineCharacters - 1);
            if (shown.back().isHighSurrogate())
                shown.chop(1);
            shown += QChar(0x2026);
        }
        credit.line = shown;
        break;
    }
    return credit;
}

QString openStreetMapCredit()
{
    return QStringLiteral("© OpenStreetMap contributors, ODbL\n\n"
                          "Made with gpsnet osm from OpenStreetMap data, available under the Open "
                          "Database Licence: https://www.openstreetmap.org/copyright\n");
}

QString generatedCredit()
{
    return QStringLiteral("Generated network (gpsnet synth): no real places or roads\n");
}
