// An OpenStreetMap extract as gpsnet osm reads it (XML or PBF, told by its bytes): whatever the
// bytes, an error or a network GPS reads back whole.

#include "common.h"
#include "network.h"
#include "osmnet.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

// libosmium 2.19 leaves the file open when a PBF turns out damaged: harmless for gpsnet, which
// reads one extract a run, but a fuzzer reads thousands. Closes what still points at `path`.
void closeLeftOpen(const QString &path)
{
    std::error_code failed;
    const std::filesystem::path target = QFile::encodeName(path).toStdString();
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", failed)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(entry.path(), unreadable) == target)
            ::close(std::stoi(entry.path().filename().string()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    static QTemporaryDir dir;
    const QString path = dir.filePath("extract");
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    osmnet::Options options;
    options.threads = 1;
    osmnet::Network net;
    try {
        net = osmnet::convert(path, options);
    } catch (const osmnet::Error &) {
        closeLeftOpen(path);
        return 0; // said, nothing written
    }
    QSet<QString> names;
    for (const osmnet::Place &p : net.places) {
        FUZZ_CHECK(!p.name.isEmpty() && !p.name.contains(u',') && !p.name.contains(u'\n'));
        FUZZ_CHECK(!names.contains(p.name));
        names.insert(p.name);
        FUZZ_CHECK(p.node >= 0 && p.node < net.graph.nodeCount());
    }
    for (const osmnet::Link &l : net.links) {
        FUZZ_CHECK(l.a >= 0 && l.a < l.b && l.b < int(net.places.size()));
        FUZZ_CHECK(l.minutes >= 0 && std::isfinite(l.minutes));
    }
    if (net.places.empty())
        return 0;
    QString error;
    const QString out = dir.filePath("net");
    FUZZ_CHECK(osmnet::write(out, net, &error));
    // GPS reads every place and every road written.
    Network gps;
    QStringList messages;
    FUZZ_CHECK(gps.load(out, &messages) == Network::Load::Ok);
    FUZZ_CHECK(gps.size() == int(net.places.size()));
    FUZZ_CHECK(gps.roads().size() == net.links.size());
    return 0;
}
