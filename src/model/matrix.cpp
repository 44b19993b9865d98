#include "matrix.h"

#include "csvtext.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cmath>
#include <limits>

namespace {

void warn(QStringList *warnings, const QString &text)
{
    qWarning().noquote() << text;
    if (warnings)
        warnings->append(text);
}

QString where(const QString &source, int line)
{
    return QStringLiteral("%1:%2: ").arg(source).arg(line);
}

bool readFile(const QString &filePath, QByteArray *bytes, QStringList *warnings)
{
    QFile file(filePath);
    const bool isDir = QFileInfo(filePath).isDir();
    if (isDir || !file.open(QIODevice::ReadOnly)) {
        qDebug() << "CSV file not load...";
        warn(warnings,
             QStringLiteral("%1: cannot be read: %2")
                 .arg(filePath, isDir ? QStringLiteral("it is a folder") : file.errorString()));
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        qDebug() << "CSV file not load...";
        warn(warnings, QStringLiteral("%1: cannot be read: %2").arg(filePath, file.errorString()));
        return false;
    }
    return true;
}

} // namespace

bool Matrix::loadCity(const QString &filePath, QStringList *warnings)
{
    QByteArray bytes;
    if (!readFile(filePath, &bytes, warnings))
        return false;
    readCities(bytes, QFileInfo(filePath).fileName(), warnings);
    return true;
}

bool Matrix::loadRoad(const QString &filePath, QStringList *warnings)
{
    QByteArray bytes;
    if (!readFile(filePath, &bytes, warnings))
        return false;
    readRoads(bytes, QFileInfo(filePath).fileName(), warnings);
    return true;
}

void Matrix::readCities(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    const QString text = csv::decode(bytes);
    const QList<QStringView> lines = csv::splitLines(text);
    for (qsizetype i = 1; i < lines.size(); ++i) { // line 1 is a header
        const QStringView line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        const int lineNo = int(i + 1);
        City city;
        QStringView lat, lon;
        int latField = 0, lonField = 0;
        int position = 0;
        int field = 0;
        for (const QStringView value : line.tokenize(u',')) {
            ++field;
            ++position;
            if (position == 2) {
                city.setName(value.toString());
            } else if (position == 4) {
                lat = value;
                latField = field;
            } else if (position == 5) {
                lon = value;
                lonField = field;
            } else if (position == 20) {
                position = 0;
            }
        }
        auto coordinate = [&](QStringView value, int at, const char *what) {
            if (at == 0) {
                warn(warnings,
                     where(source, lineNo) + QStringLiteral("city \"%1\" has no %2; 0 is used")
                                                 .arg(city.getName(), QLatin1String(what)));
                return 0.0;
            }
            double number = 0.0;
            if (!csv::parseNumber(value, &number)) {
                warn(warnings, where(source, lineNo) +
                                   QStringLiteral("%1 \"%2\" (field %3) is not a number; 0 is used")
                                       .arg(QLatin1String(what), value.toString())
                                       .arg(at));
                return 0.0;
            }
            return number;
        };
        city.setCoordLat(-25.0 * coordinate(lat, latField, "latitude") + 1400.0);
        city.setCoordLong(25.0 * coordinate(lon, lonField, "longitude") + 300.0);
        cities.push_back(std::move(city));
    }
    std::stable_sort(cities.begin(), cities.end());
}

void Matrix::readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    const QString text = csv::decode(bytes);
    const QList<QStringView> lines = csv::splitLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        const int lineNo = int(i + 1);
        Road road;
        QStringView time;
        int timeField = 0;
        int position = 0;
        int field = 0;
        for (const QStringView value : line.tokenize(u',')) {
            ++field;
            ++position;
            if (position == 1) {
                road.cityStart = value.toString();
            } else if (position == 2) {
                road.cityEnd = value.toString();
            } else if (position == 3) {
                time = value;
                timeField = field;
            } else {
                position = 0;
            }
        }
        double minutes = 0.0;
        const bool number = timeField > 0 && csv::parseNumber(time, &minutes);
        if (!number || minutes < 0) {
            QString why = QStringLiteral("no travel time (field 3)");
            if (timeField > 0)
                why = QStringLiteral("travel time \"%1\" (field %2) %3")
                          .arg(time.toString())
                          .arg(timeField)
                          .arg(number ? QStringLiteral("is negative")
                                      : QStringLiteral("is not a number"));
            warn(warnings, where(source, lineNo) + QStringLiteral("road skipped: ") + why);
            continue;
        }
        road.time = minutes;
        roads.push_back(std::move(road));
    }
}

TimeMatrix Matrix::createMatrix(const std::vector<City> &cities, const std::vector<Road> &roads)
{
    const std::size_t n = cities.size();
    TimeMatrix m(n, std::vector<double>(n, std::numeric_limits<double>::infinity()));
    QHash<QString, std::vector<int>> positions;
    positions.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i) {
        m[i][i] = 0.0;
        positions[cities[i].getName()].push_back(int(i));
    }

    // Visiting every ordered pair (i, j) and every road in turn, the last write to a pair
    // {a < b} comes from a road written from b to a if there is one, otherwise from a road
    // written from a to b; within each direction the last road in file order wins. So apply
    // the a-to-b roads first, then the b-to-a ones, each pass in file order.
    for (const bool backwards : {false, true}) {
        for (const Road &road : roads) {
            const auto from = positions.constFind(road.cityStart);
            const auto to = positions.constFind(road.cityEnd);
            if (from == positions.constEnd() || to == positions.constEnd())
                continue;
            for (const int i : *from) {
                for (const int j : *to) {
                    if (backwards ? i > j : i <= j) {
                        m[i][j] = road.time;
                        m[j][i] = road.time;
                    }
                }
            }
        }
    }
    return m;
}

std::vector<int> Matrix::Floyd_Warshall(const TimeMatrix &matrix, const std::vector<City> &cities,
                                        const QString &cityStart, const QString &cityEnd)
{
    if (cityStart == kUnusedCity || cityEnd == kUnusedCity)
        return {};
    return ShortestPaths(matrix).route(cities, cityStart, cityEnd);
}

TimeMatrix Matrix::Floyd_Warshall_Only(const TimeMatrix &matrix, const std::vector<City> &cities)
{
    Q_UNUSED(cities);
    return ShortestPaths::timesOnly(matrix);
}

std::vector<double> Matrix::setPathTime(const std::vector<int> &path) const
{
    std::vector<double> times;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const int a = path[i - 1];
        const int b = path[i];
        const bool inside =
            a >= 0 && b >= 0 && std::size_t(a) < matrix.size() && std::size_t(b) < matrix[a].size();
        times.push_back(inside ? matrix[a][b] : std::numeric_limits<double>::quiet_NaN());
    }
    return times;
}
