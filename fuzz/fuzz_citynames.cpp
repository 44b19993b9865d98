// A typed list of cities: splitting, unknown names, and the joined route on a small network.

#include "citynames.h"
#include "common.h"
#include "matrix.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    static Matrix m = [] {
        Matrix net;
        net.readCities("h\n1,Paris,75,48.85,2.35\n2,Lyon,69,45.75,4.85\n3,Marseille,13,43.3,5.4\n"
                       "4,Saint-Étienne,42,45.43,4.39\n5,Ajaccio,2A,41.9,8.7\n6,Lyon,69,45.7,4.8\n",
                       "villes.csv");
        net.readRoads("Paris,Lyon,280\nLyon,Marseille,190\nLyon,Saint-Étienne,50\n", "temps.csv");
        net.setMatrix(Matrix::createMatrix(net.cityList(), net.getRoads()));
        return net;
    }();
    static const ShortestPaths paths(m.timeMatrix());

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList names = splitCityNames(text);
    for (const QString &name : names)
        FUZZ_CHECK(!name.isEmpty() && !name.contains(u' '));
    // The list as the window reads it: every name non-empty, the unknown ones among them.
    const TypedCities typed = parseCityList(m.cityList(), text);
    for (const QString &name : typed.names)
        FUZZ_CHECK(!name.isEmpty());
    for (const QString &name : typed.unknown)
        FUZZ_CHECK(typed.names.contains(name) && closestCityNames(m.cityList(), name).size() <= 3);
    const QStringList unknown = unknownCityNames(m.cityList(), names);
    if (!unknown.isEmpty())
        return 0;
    const std::vector<int> route =
        paths.routeThrough(m.cityList(), std::vector<QString>(names.begin(), names.end()));
    for (int at : route)
        FUZZ_CHECK(at >= 0 && std::size_t(at) < m.cityList().size());
    FUZZ_CHECK(m.setPathTime(route).size() == (route.empty() ? 0 : route.size() - 1));
    return 0;
}
