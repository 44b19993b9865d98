#include "networkfiles.h"

#include "csvtext.h"
#include "loadproblems.h"
#include "logging.h"
#include "nameindex.h"
#include "roadrun.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <exception>
#include <system_error>
#include <thread>

using namespace loadtext;

namespace {

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

} // namespace

namespace loadtext {

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

} // namespace loadtext

bool NetworkFiles::loadCities(const QString &filePath, QStringList *warnings)
{
    return loadFile(filePath, warnings, &NetworkFiles::readCities);
}

bool NetworkFiles::loadRoads(const QString &filePath, QStringList *warnings)
{
    return loadFile(filePath, warnings, &NetworkFiles::readRoads);
}

bool NetworkFiles::loadFile(const QString &filePath, QStringList *warnings, Reader reader)
{
    QByteArray bytes;
    if (!readFile(filePath, &bytes, warnings))
        return false;
    (this->*reader)(bytes, QFileInfo(filePath).fileName(), warnings);
    return true;
}

void NetworkFiles::readCities(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    Problems problems(source, warnings);
    // Where each name was first seen (0: in a file read before): roads cannot tell two cities of
    // one name apart.
    const std::size_t lines = std::size_t(bytes.count('\n'));
    NameIndex seen(cityList.size() + lines);
    std::vector<int> firstLine;
    firstLine.reserve(cityList.size() + lines);
    for (const City &city : cityList) {
        bool added = false;
        seen.add(city.getName(), &added);
        if (added)
            firstLine.push_back(0);
    }
    cityList.reserve(cityList.size() + lines);
    csv::forEachLine(bytes, [&](QStringView line, int lineNo) {
        if (lineNo == 1 || line.trimmed().isEmpty()) // line 1 is a header
            return;
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
            return;
        }
        if (city.getName().contains(u'"'))
            problems.add(lineNo, quoteWarning(city.getName()));
        city.setCoordLat(mapYOfLatitude(coordinate(lat, latField, "latitude", 90)));
        city.setCoordLong(mapXOfLongitude(coordinate(lon, lonField, "longitude", 180)));
        bool added = false;
        const int id = seen.add(city.getName(), &added);
        if (added) {
            firstLine.push_back(lineNo);
        } else {
            const int first = firstLine[std::size_t(id)];
            problems.add(lineNo,
                         QStringLiteral("city %1 is listed %2 too; a road naming it joins both")
                             .arg(Problems::quote(city.getName()),
                                  first ? QStringLiteral("on line %1").arg(first)
                                        : QStringLiteral("in a file read before")));
        }
        cityList.push_back(std::move(city));
    });
    sortByName(&cityList);
    citiesInOrder = true;
    roadNamesKnown = roadList.empty(); // the numbers of roads read before no longer hold
    roadNames.clear();
}

qsizetype NetworkFiles::splitFrom = qsizetype(1) << 20;

void NetworkFiles::readRoads(const QByteArray &bytes, const QString &source, QStringList *warnings)
{
    Problems problems(source, warnings);
    // Names are checked against the cities read so far (none: nothing to check against). Each
    // name has a number, the cities' first, so that pairs of names compare as numbers; a road
    // keeps the city's own string (one copy of each name, however many roads name it).
    NameIndex ids(cityList.size() + 1024);
    ids.addAll(int(cityList.size()),
               [this](int i) -> const QString & { return cityList[std::size_t(i)].getName(); });
    const int cityNames = ids.size();
    // Names that are a city's have numbers in name order when the cities are (as read).
    const bool numbersInOrder = citiesInOrder;

    // A large file is read in two runs of lines, the second by another thread, then the runs
    // are put together as one thread reading them in order would have: lines, roads, problems,
    // and the names no city has numbered as first met.
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    const std::size_t lines = std::size_t(text.count('\n')) + 1;
    qsizetype cut = text.size();
    if (text.size() >= splitFrom && cityNames > 0) {
        const qsizetype feed = text.indexOf('\n', text.size() / 2);
        if (feed >= 0)
            cut = feed + 1;
    }
    RoadRun runs[2];
    std::exception_ptr failure;
    std::thread second;
    if (cut < text.size()) {
        try {
            second = std::thread([&] {
                try {
                    readRoadRun(text.sliced(cut), false, ids, numbersInOrder,
                                std::size_t(text.sliced(cut).count('\n')) + 1, &runs[1]);
                } catch (...) { // out of memory: said in the caller's thread
                    failure = std::current_exception();
                }
            });
        } catch (const std::system_error &) {
            cut = text.size(); // no second thread: one run
        }
    }
    try {
        readRoadRun(text.first(cut), true, ids, numbersInOrder, lines, &runs[0]);
    } catch (...) {
        if (second.joinable())
            second.join();
        throw;
    }
    if (second.joinable())
        second.join();
    if (failure)
        std::rethrow_exception(failure);

    const std::size_t firstRunPairs = runs[0].given.size();
    bool sortedRuns = true;
    std::vector<Given> given = std::move(runs[0].given);
    std::vector<Road> read = std::move(runs[0].read);
    std::vector<std::pair<int, int>> names = std::move(runs[0].names);
    int firstLine = 0;
    for (RoadRun &run : runs) {
        problems.add(run.problems, firstLine);
        // The run's own numbers of the names no city has, as numbers of the whole file.
        std::vector<quint32> number(std::size_t(run.fresh.size()));
        for (int k = 0; k < run.fresh.size(); ++k)
            number[std::size_t(k)] = quint32(ids.add(run.fresh.name(k)));
        const auto renumber = [&](quint64 id) {
            return id < quint64(cityNames) ? id : quint64(number[std::size_t(id) - cityNames]);
        };
        bool same = true; // (as they are in the first run)
        for (std::size_t k = 0; k < number.size() && same; ++k)
            same = number[k] == quint32(cityNames) + k;
        if (&run != &runs[0]) {
            const std::size_t roadsBefore = read.size();
            for (const Given &g : run.given)
                given.push_back({renumber(g.pair >> 32) << 32 | renumber(g.pair & 0xFFFFFFFF),
                                 g.line + firstLine, std::uint32_t(g.road + roadsBefore),
                                 g.backwards});
            read.insert(read.end(), std::make_move_iterator(run.read.begin()),
                        std::make_move_iterator(run.read.end()));
            names.insert(names.end(), run.names.begin(), run.names.end());
            sortedRuns = sortedRuns && same;
        } else if (!same) { // (never: the first run's numbers are the file's)
            sortedRuns = false;
            for (Given &g : given)
                g.pair = renumber(g.pair >> 32) << 32 | renumber(g.pair & 0xFFFFFFFF);
        }
        firstLine += run.lines;
    }
    // The tables keep, for a pair, the last road written from the later name to the earlier,
    // else the last written the other way: a road of another time is said, at its line. Each
    // run sorted its own pairs: unless the second one's were numbered anew, a merge sorts all.
    if (sortedRuns)
        std::inplace_merge(given.begin(), given.begin() + std::ptrdiff_t(firstRunPairs),
                           given.end(), byPairThenLine);
    else
        std::sort(given.begin(), given.end(), byPairThenLine);
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
            const double time = read[given[g].road].time, kept = read[given[used].road].time;
            if (time == kept)
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
                    .arg(time)
                    .arg(kept)
                    .arg(given[used].line)
                    .arg(Problems::quote(later), Problems::quote(earlier)));
        }
    }
    std::sort(conflicts.begin(), conflicts.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[line, text] : conflicts)
        problems.add(line, text);
    if (!numbersInOrder || !roadNamesKnown || roadNames.size() != roadList.size()) {
        roadNamesKnown = false;
        roadNames.clear();
    } else if (roadNames.empty()) {
        roadNames = std::move(names);
    } else {
        roadNames.insert(roadNames.end(), names.begin(), names.end());
    }
    if (roadList.empty())
        roadList = std::move(read);
    else
        roadList.insert(roadList.end(), std::make_move_iterator(read.begin()),
                        std::make_move_iterator(read.end()));
}
