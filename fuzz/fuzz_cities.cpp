// The city file reader, then the direct matrix and all-pairs times of what it read.

#include "common.h"
#include "matrix.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    Matrix m;
    QStringList warnings;
    m.readCities(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), "villes.csv",
                 &warnings);
    const std::vector<City> cities = m.getCities();
    for (std::size_t i = 1; i < cities.size(); ++i)
        FUZZ_CHECK(!(cities[i] < cities[i - 1]));
    for (const City &c : cities)
        FUZZ_CHECK(std::isfinite(c.getCoordLat()) && std::isfinite(c.getCoordLong()));
    FUZZ_CHECK(warnings.size() <= 101);
    if (cities.size() <= 300) {
        // Every city joined to the next, so the all-pairs times have something to do.
        std::vector<Road> roads;
        for (std::size_t i = 1; i < cities.size(); ++i)
            roads.push_back({cities[i - 1].getName(), cities[i].getName(), double(i % 7)});
        const TimeMatrix direct = Matrix::createMatrix(cities, roads);
        const TimeMatrix all = Matrix::Floyd_Warshall_Only(direct);
        FUZZ_CHECK(all.size() == cities.size());
        // Times only shrink, and none is negative. (A road from a city to itself, which two
        // neighbours of one name make here, sets its diagonal entry.)
        for (std::size_t i = 0; i < all.size(); ++i)
            for (std::size_t j = 0; j < all.size(); ++j)
                FUZZ_CHECK(all[i][j] >= 0 && all[i][j] <= direct[i][j]);
    }
    return 0;
}
