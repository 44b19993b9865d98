// The road file reader on a fixed set of cities, then routes between all of them.

#include "common.h"
#include "matrix.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    static const QByteArray villes = "id,name,dept,lat,lon\n1,A,0,45,5\n2,B,0,46,6\n3,C,0,44,4\n"
                                     "4,Saint Malo,0,48,-2\n5,Île,0,42,9\n6,A,0,43,3\n";
    Matrix m;
    m.readCities(villes, "villes.csv");
    QStringList warnings;
    m.readRoads(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), "temps.csv",
                &warnings);
    for (const Road &r : m.getRoads())
        FUZZ_CHECK(r.time >= 0 && std::isfinite(r.time)); // bad times never become roads
    m.setMatrix(Matrix::createMatrix(m.cityList(), m.getRoads()));
    const ShortestPaths paths(m.timeMatrix());
    const std::vector<City> &cities = m.cityList();
    const int n = int(cities.size());
    for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) {
            const std::vector<int> route = paths.route(a, b);
            FUZZ_CHECK(!route.empty() && route.front() == a && route.back() == b);
            FUZZ_CHECK(int(route.size()) <= n);
            double sum = 0;
            for (double leg : m.setPathTime(route))
                sum += leg;
            // From a city to itself the route stays put, whatever a self road's time says.
            if (a != b && paths.time(a, b) < std::numeric_limits<double>::infinity())
                FUZZ_CHECK(std::abs(sum - paths.time(a, b)) <= 1e-9 * std::max(1.0, sum));
        }
    }
    return 0;
}
