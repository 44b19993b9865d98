// What an extract is, from its first bytes, and what is no extract gpsnet reads.

#include "osmstages.h"

#include <QDir>
#include <QFile>

#include <cctype>

namespace osmnet::detail {

void refuse(const QString &path, const QString &why)
{
    throw Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why).toStdString());
}

// What the file is, from its first bytes: OSM's own suffixes are not always there. What is no
// extract GPS reads is named, not taken for a broken PBF.
std::string formatOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        refuse(path, f.errorString());
    QByteArray head = f.read(64);
    if (head.isEmpty())
        refuse(path, QStringLiteral("empty: not an OSM extract"));
    if (head.startsWith("BZh"))
        return "osm.bz2";
    if (head.startsWith("\x1f\x8b"))
        return "osm.gz";
    if (head.startsWith("\xfd"
                        "7zXZ"))
        refuse(path, QStringLiteral("an extract compressed with xz (.osm.xz), which gpsnet does "
                                    "not read: decompress it (unxz) or take the .osm.pbf"));
    if (head.startsWith("\xff\xe0\x04o5"))
        refuse(path, QStringLiteral("an extract in o5m, which gpsnet does not read: convert it "
                                    "(osmium cat FILE -o FILE.osm.pbf) or take the .osm.pbf"));
    // XML, perhaps after a byte-order mark and any amount of white space.
    qsizetype at = head.startsWith("\xef\xbb\xbf") ? 3 : 0;
    for (;;) {
        while (at < head.size() && std::isspace(static_cast<unsigned char>(head[at])))
            ++at;
        if (at < head.size() || f.atEnd())
            break;
        head = f.read(65536);
        at = 0;
    }
    if (at < head.size() && head[at] == '<')
        return "osm";
    if (at >= head.size())
        refuse(path, QStringLiteral("only white space: not an OSM extract"));
    // A PBF starts with the length of its first header, then that header's type, "OSMHeader".
    if (!f.seek(0))
        refuse(path, f.errorString());
    const QByteArray pbf = f.read(64);
    if (pbf.size() < 16 || pbf[0] != 0 || pbf[1] != 0 || pbf[4] != 0x0a ||
        pbf.mid(6, 9) != "OSMHeader")
        refuse(path, QStringLiteral("not an OSM extract (neither OSM XML, plain or compressed "
                                    "with bzip2 or gzip, nor PBF)"));
    return "pbf";
}

} // namespace osmnet::detail
