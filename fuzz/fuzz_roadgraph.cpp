// The road graph file's reader on any bytes: the input is the file without its hash, the hash
// made here (else nearly every input would stop there). What reads back writes the same bytes,
// and holds only arcs and places on its nodes.

#include "common.h"
#include "networkcache.h"
#include "roadgraphfile.h"

#include <QtEndian>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    networkcache::ImageHash hash;
    hash.add(bytes.constData(), bytes.size());
    char tail[8];
    qToLittleEndian<quint64>(hash.value(), tail);
    bytes.append(tail, 8);
    RoadGraphFile g;
    QString why;
    if (!g.read(bytes, &why)) {
        FUZZ_CHECK(!why.isEmpty() && g.nodeCount() == 0);
        return 0;
    }
    FUZZ_CHECK(g.bytes() == bytes);
    const auto n = std::size_t(g.nodeCount());
    FUZZ_CHECK(g.first.size() == n + 1 && std::size_t(g.first.back()) == g.to.size());
    for (std::size_t v = 0; v < n; ++v)
        FUZZ_CHECK(g.first[v] <= g.first[v + 1]);
    for (const std::int32_t w : g.to)
        FUZZ_CHECK(w >= 0 && std::size_t(w) < n);
    for (const std::int32_t v : g.placeNode)
        FUZZ_CHECK(v >= 0 && std::size_t(v) < n);
    return 0;
}
