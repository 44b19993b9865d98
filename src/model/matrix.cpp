#include "matrix.h"

#include "csvtext.h"
#include "logging.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

void warn(QStringList *warnings, const QString &text)
{
    qCWarning(lcModel).noquote() << text;
    if (warnings)
        warnings->append(text);
}

// The problems of one file: to the debug log and the caller's list, the first few of them
// line by line, then how many more there were, so that a file of garbage cannot flood either.
class Problems
{
public:
    Problems(const QString &source, QStringList *list) : source(source), list(list) {}
    ~Problems()
    {
        if (count > kListed)
            warn(
                list,
                QStringLiteral("%1: %2 more problems not listed").arg(source).arg(count - kListed));
    }

    void add(int line, const QString &text)
    {
        if (++count <= kListed)
            warn(list, QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(text));
    }

    // A field's text for a message: quoted, and cut when long, between two characters (never
    // through the two halves of one, such as an emoji).
    static QString quote(QStringView value)
    {
        constexpr qsizetype kLongest = 40;
        qsizetype cut = kLongest;
        if (cut < value.size() && value[cut].isLowSurrogate())
            --cut;
        return u'"' +
               (value.size() > kLongest ? value.left(cut).toString() + QStringLiteral("...")
                                        : value.toString()) +
               u'"';
    }

private:
    static constexpr int kListed = 100;
    QString source;
    QStringList *list;
    int count = 0;
};

// A character no export can carry (GPX is XML) would be dropped from the exported name or
// make it unreadable: it is replaced at once, and said.
void replaceUnwritable(QString *name, int line, Problems &problems)
{
    const int first = csv::replaceUnwritable(name);
    if (first >= 0)
        problems.add(line, QStringLiteral("name %1 holds the character U+%2, which no export can "
                                          "carry; it is read as U+FFFD")
                               .arg(Problems::quote(*name),
                                    QString::number(first, 16).toUpper().rightJustified(4, u'0')));
}

// A quote mark suggests a name written for a spreadsheet, "Saint, Malo": here every comma
// separates, so the fields after it have moved.
QString quoteWarning(const QString &name)
{
    return QStringLiteral("name %1 holds a quote mark; quotes are not special in these files and "
                          "every comma separates fields")
        .arg(Problems::quote(name));
}

// The comma-separated fields of a line with their field number and their position: the position
// counts 1, 2, ... and the field at `period` starts the count again (position 0), as both files
// have always been read, so that long lines repeat their record.
template <typename Take> void forEachField(QStringView line, int period, Take take)
{
    int position = 0;
    int field = 0;
    for (const QStringView value : line.tokenize(u',')) {
        ++field;
        if (++position == period)
            position = 0;
        take(position, field, value);
    }
}

// Far above any real network (a million places take some 60 MB): a file beyond it is a mistake
// that would take the memory of the machine before anything could be said.
constexpr qint64 kLargestFile = qint64(1) << 30;

// The cities in name order, those of one name as they came (what std::stable_sort on City
// gives). A million names compared where they lie in memory cost most of the loading; the
// first eight UTF-16 units of each, packed into two numbers beside it, settle most comparisons
// without going there. (Units past the end count as 0, below any unit: a name comes before
// its extensions, and equal keys are settled by the names themselves.)
void sortByName(std::vector<City> *cities)
{
    struct Key
    {
        quint64 high, low;
        std::uint32_t at;
    };
    const std::size_t n = cities->size();
    std::vector<Key> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        const QString &name = (*cities)[i].getName();
        quint64 part[2] = {0, 0};
        for (qsizetype u = 0; u < 8; ++u) {
            const quint64 unit = u < name.size() ? name[u].unicode() : 0;
            part[u / 4] |= unit << (48 - 16 * (u % 4));
        }
        keys[i] = {part[0], part[1], std::uint32_t(i)};
    }
    std::sort(keys.begin(), keys.end(), [cities](const Key &a, const Key &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        const City &x = (*cities)[a.at], &y = (*cities)[b.at];
        return x < y || (!(y < x) && a.at < b.at);
    });
    std::vector<City> sorted;
    sorted.reserve(n);
    for (const Key &k : keys)
        sorted.push_back(std::move((*cities)[k.at]));
    *cities = std::move(sorted);
}

bool readFile(const QString &filePath, QByteArray *bytes, QStringList *warnings)
{
    QFile file(filePath);
    const QFileInfo info(filePath);
    QString refused;
    if (info.isDir())
        refused = QStringLiteral("it is a folder");
    else if (info.exists() && !info.isFile()) // a pipe would wait for ever, /dev/zero never end
        refused = QStringLiteral("not an ordinary file");
    else if (info.size() > kLargestFile)
        refused = QStringLiteral("larger than %1 MB, far more than any road network")
                      .arg(kLargestFile >> 20);
    if (!refused.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        qCDebug(lcModel) << "CSV file not load...";
        warn(warnings, QStringLiteral("%1: cannot be read: %2")
                           .arg(filePath, refused.isEmpty() ? file.errorString() : refused));
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        qCDebug(lcModel) << "CSV file not load...";
        warn(warnings, QStringLiteral("%1: cannot be read: %2").arg(filePath, file.errorString()));
        return false;
    }
    return true;
}

} // namespace

bool Matrix::loadCity(const QString &filePath, QStringList *warnings)
{
    return loadFile(filePath, warnings, &Matrix::readCities);
}

bool Matrix::loadRoad(const QString &filePath, QStringList *warnings)
{
    return loadFile(filePath, warnings, &Matrix::readRoads);
}

bool Matrix::loadFile(const QString &filePath, QStringList *warnings, Reader reader)
{
    QByteArray bytes;
    if (!readFile(filePath, &bytes, warnings))
        return false;
    (this->*reader)(bytes, QFileInfo(filePath).fileName(), warnings);
    return true;
}

void Matrix::readCities(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    Problems problems(source, warnings);
    const QString text = csv::decode(bytes);
    const QList<QStringView> lines = csv::splitLines(text);
    // Where each name was first seen: roads cannot tell two cities of one name apart.
    QHash<QString, int> seen;
    for (const City &city : cities)
        seen.insert(city.getName(), 0);
    for (qsizetype i = 1; i < lines.size(); ++i) { // line 1 is a header
        const QStringView line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        const int lineNo = int(i + 1);
        City city;
        QStringView lat, lon;
        int latField = 0, lonField = 0;
        forEachField(line, 20, [&](int position, int field, QStringView value) {
            if (position == 2) {
                city.setName(value.toString());
            } else if (position == 4) {
                lat = value;
                latField = field;
            } else if (position == 5) {
                lon = value;
                lonField = field;
            }
        });
        // A position off the Earth (a decimal comma read as a separator, a misplaced field)
        // would be written into every export and pull the map's view away: said, and 0 used
        // as for a number that cannot be read.
        auto coordinate = [&](QStringView value, int at, const char *what, double limit) {
            double number = 0.0;
            if (at == 0) {
                problems.add(lineNo,
                             QStringLiteral("city %1 has no %2; 0 is used")
                                 .arg(Problems::quote(city.getName()), QLatin1String(what)));
            } else if (csv::parseNumber(value, &number) != csv::Number::Ok) {
                problems.add(lineNo,
                             QStringLiteral("%1 %2 (field %3) is not a usable number; 0 is used")
                                 .arg(QLatin1String(what), Problems::quote(value))
                                 .arg(at));
            } else if (!(std::abs(number) <= limit)) {
                problems.add(lineNo, QStringLiteral("%1 %2 (field %3) is not between -%4 and %4; "
                                                    "0 is used")
                                         .arg(QLatin1String(what), Problems::quote(value))
                                         .arg(at)
                                         .arg(limit));
                number = 0.0;
            }
            return number;
        };
        QString name = city.getName();
        replaceUnwritable(&name, lineNo, problems);
        city.setName(name);
        if (city.getName().isEmpty()) {
            // It could only show as a blank item in every list.
            problems.add(lineNo, QStringLiteral("city skipped: no name (field 2)"));
            continue;
        }
        if (city.getName().contains(u'"'))
            problems.add(lineNo, quoteWarning(city.getName()));
        city.setCoordLat(mapYOfLatitude(coordinate(lat, latField, "latitude", 90)));
        city.setCoordLong(mapXOfLongitude(coordinate(lon, lonField, "longitude", 180)));
        const auto first = seen.constFind(city.getName());
        if (first == seen.constEnd())
            seen.insert(city.getName(), lineNo);
        else
            problems.add(lineNo,
                         QStringLiteral("city %1 is listed %2 too; a road naming it joins both")
                             .arg(Problems::quote(city.getName()),
                                  *first ? QStringLiteral("on line %1").arg(*first)
                                         : QStringLiteral("in a file read before")));
        cities.push_back(std::move(city));
    }
    sortByName(&cities);
}

void Matrix::readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    Problems problems(source, warnings);
    const QString text = csv::decode(bytes);
    const QList<QStringView> lines = csv::splitLines(text);
    // Names are checked against the cities read so far (none: nothing to check against). Each
    // name has a number, the cities' first, so that pairs of names compare as numbers.
    QHash<QString, int> ids;
    for (const City &city : cities)
        ids.insert(city.getName(), int(ids.size()));
    const int cityNames = int(ids.size());
    const auto idOf = [&ids](const QString &name) {
        const auto found = ids.constFind(name);
        return found != ids.constEnd() ? *found : *ids.insert(name, int(ids.size()));
    };
    // Each road's pair of names, to find the pairs given two different times once all is read.
    struct Given
    {
        quint64 pair; // the earlier name's number, then the later's, in name order
        int line;
        bool backwards; // written from the later name to the earlier
        double time;
        std::size_t road; // in `read`
    };
    std::vector<Given> given;
    std::vector<Road> read;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        const int lineNo = int(i + 1);
        Road road;
        QStringView time;
        int timeField = 0;
        forEachField(line, 4, [&](int position, int field, QStringView value) {
            if (position == 1) {
                road.cityStart = value.toString();
            } else if (position == 2) {
                road.cityEnd = value.toString();
            } else if (position == 3) {
                time = value;
                timeField = field;
            }
        });
        replaceUnwritable(&road.cityStart, lineNo, problems);
        replaceUnwritable(&road.cityEnd, lineNo, problems);
        for (const QString &name : {road.cityStart, road.cityEnd})
            if (name.contains(u'"'))
                problems.add(lineNo, quoteWarning(name));
        double minutes = 0.0;
        csv::Number number =
            timeField > 0 ? csv::parseNumber(time, &minutes) : csv::Number::NotANumber;
        const int startId = idOf(road.cityStart), endId = idOf(road.cityEnd);
        QStringList unknown;
        if (cityNames > 0) {
            if (startId >= cityNames)
                unknown << road.cityStart;
            if (endId >= cityNames && endId != startId)
                unknown << road.cityEnd;
        }
        // A header line ("from,to,minutes") is allowed on top: it names no city and has no time.
        if (lineNo == 1 && unknown.size() == 2 && number == csv::Number::NotANumber)
            continue;
        if (number == csv::Number::Ok && minutes > kLongestRoad)
            number = csv::Number::TooLarge;
        if (number != csv::Number::Ok || minutes < 0) {
            QString why = QStringLiteral("no travel time (field 3)");
            if (timeField > 0)
                why = QStringLiteral("travel time %1 (field %2) %3")
                          .arg(Problems::quote(time))
                          .arg(timeField)
                          .arg(number == csv::Number::TooLarge
                                   ? QStringLiteral("is too large (at most %1 minutes)")
                                         .arg(kLongestRoad)
                               : number == csv::Number::Ok ? QStringLiteral("is negative")
                                                           : QStringLiteral("is not a number"));
            problems.add(lineNo, QStringLiteral("road skipped: ") + why);
            continue;
        }
        road.time = minutes + 0.0; // "-0" is a 0-minute road, not one of "-0" minutes
        const bool backwards = road.cityEnd < road.cityStart;
        given.push_back({backwards ? quint64(endId) << 32 | quint64(startId)
                                   : quint64(startId) << 32 | quint64(endId),
                         lineNo, backwards, road.time, read.size()});
        if (!unknown.isEmpty()) {
            // Kept, as it may serve once the cities are read again, but it joins nothing now.
            for (QString &name : unknown)
                name = Problems::quote(name);
            problems.add(lineNo, QStringLiteral("road not used: no city named %1 (names are exact: "
                                                "case and spaces count)")
                                     .arg(unknown.join(QStringLiteral(" or "))));
        }
        read.push_back(std::move(road));
    }
    // The tables keep, for a pair, the last road written from the later name to the earlier,
    // else the last written the other way: a road of another time is said, at its line.
    std::sort(given.begin(), given.end(), [](const Given &a, const Given &b) {
        return a.pair != b.pair ? a.pair < b.pair : a.line < b.line;
    });
    std::vector<std::pair<int, QString>> conflicts;
    for (std::size_t first = 0, end = 0; first < given.size(); first = end) {
        end = first + 1;
        std::size_t used = first;
        while (end < given.size() && given[end].pair == given[first].pair) {
            if (given[end].backwards || !given[used].backwards)
                used = end;
            ++end;
        }
        for (std::size_t g = first; g < end; ++g) {
            if (given[g].time == given[used].time)
                continue;
            const Road &road = read[given[g].road];
            const bool backwards = given[g].backwards;
            const QString earlier = backwards ? road.cityEnd : road.cityStart;
            const QString later = backwards ? road.cityStart : road.cityEnd;
            conflicts.emplace_back(
                given[g].line,
                QStringLiteral("road %1 to %2 takes %3 minutes here but %4 on line %5, which is "
                               "used (a road written from %6 to %7 comes first, then the last "
                               "line)")
                    .arg(Problems::quote(road.cityStart), Problems::quote(road.cityEnd))
                    .arg(given[g].time)
                    .arg(given[used].time)
                    .arg(given[used].line)
                    .arg(Problems::quote(later), Problems::quote(earlier)));
        }
    }
    std::sort(conflicts.begin(), conflicts.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[line, text] : conflicts)
        problems.add(line, text);
    roads.insert(roads.end(), std::make_move_iterator(read.begin()),
                 std::make_move_iterator(read.end()));
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
