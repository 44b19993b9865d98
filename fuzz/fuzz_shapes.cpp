// The road shapes reader on a fixed network (a name held by two cities among them), then every
// route along the shapes read.

#include "common.h"
#include "network.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    static const Network net = [] {
        std::vector<City> cities(5);
        const char *names[] = {"A", "A", "B", "Saint Malo", "\xc3\x8ele"};
        for (int i = 0; i < 5; ++i) {
            cities[std::size_t(i)].setName(QString::fromUtf8(names[i]));
            cities[std::size_t(i)].setCoordLong(mapXOfLongitude(4 + i));
            cities[std::size_t(i)].setCoordLat(mapYOfLatitude(44 + i));
        }
        return Network(cities, {{"A", "B", 10}, {"B", "Saint Malo", 20}, {"A", "Saint Malo", 5}});
    }();
    RoadShapes shapes;
    QStringList messages;
    shapes.parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
                 net.shapeRoads(), &messages);
    FUZZ_CHECK(messages.size() <= 101);
    for (int s = 0; s < shapes.count(); ++s) {
        FUZZ_CHECK(shapes.km(s) >= 0 && shapes.km(s) <= 100000);
        for (const QPointF &p : shapes.points(s))
            FUZZ_CHECK(std::isfinite(p.x()) && std::isfinite(p.y()) &&
                       shapes.bounds(s).adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(p));
        FUZZ_CHECK(shapes.coarsePoints(s).size() <= shapes.points(s).size());
    }
    for (int a = 0; a < net.size(); ++a)
        for (int b = 0; b < net.size(); ++b) {
            const int s = shapes.find(a, b);
            FUZZ_CHECK(s == shapes.find(b, a) && s < shapes.count());
            FUZZ_CHECK(s < 0 || std::isfinite(net.direct(a, b))); // only roads have shapes
        }
    return 0;
}
