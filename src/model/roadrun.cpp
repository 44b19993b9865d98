#include "roadrun.h"

namespace loadtext {

void readRoadRun(QByteArrayView bytes, bool fileStart, const NameIndex &cities, bool numbersInOrder,
                 std::size_t expected, RoadRun *run)
{
    const int cityNames = cities.size();
    KeptProblems &problems = run->problems;
    const auto nameOf = [&](int id) -> const QString & {
        return id < cityNames ? cities.name(id) : run->fresh.name(id - cityNames);
    };
    const auto idOf = [&](QStringView name, int lineNo) {
        QString replaced;
        if (csv::firstUnwritable(name) >= 0) {
            replaced = name.toString();
            replaceUnwritable(&replaced, lineNo, problems);
            name = replaced;
        }
        const int id = cities.find(name);
        if (id >= 0)
            return id;
        return cityNames + (replaced.isNull() ? run->fresh.add(name) : run->fresh.add(replaced));
    };
    std::vector<Given> &given = run->given;
    std::vector<Road> &read = run->read;
    std::vector<std::pair<int, int>> &names = run->names;
    given.reserve(expected);
    read.reserve(expected);
    if (numbersInOrder)
        names.reserve(expected);
    // Lines are taken in batches, so that the names of a batch are looked up together.
    struct Line
    {
        QStringView start, end, time;
        int timeField, number;
    };
    std::vector<Line> batch;
    std::vector<QStringView> keys;
    std::vector<int> found;
    const auto take = [&](const Line &line, int foundStart, int foundEnd) {
        const int lineNo = line.number;
        const QStringView time = line.time;
        const int timeField = line.timeField;
        Road road;
        // A name found as it stands holds nothing to replace (the index holds none such).
        const int startId = foundStart >= 0 ? foundStart : idOf(line.start, lineNo);
        const int endId = foundEnd >= 0 ? foundEnd : idOf(line.end, lineNo);
        road.cityStart = nameOf(startId);
        road.cityEnd = nameOf(endId);
        for (const QString *name : {&road.cityStart, &road.cityEnd})
            if (name->contains(u'"'))
                problems.add(lineNo, quoteWarning(*name));
        double minutes = 0.0;
        csv::Number number =
            timeField > 0 ? csv::parseNumber(time, &minutes) : csv::Number::NotANumber;
        QStringList unknown;
        if (cityNames > 0) {
            if (startId >= cityNames)
                unknown << road.cityStart;
            if (endId >= cityNames && endId != startId)
                unknown << road.cityEnd;
        }
        // A header line ("from,to,minutes") is allowed on top: it names no city and has no time.
        if (fileStart && lineNo == 1 && unknown.size() == 2 && number == csv::Number::NotANumber)
            return;
        if (number == csv::Number::Ok && minutes > kLongestRoadMinutes)
            number = csv::Number::TooLarge;
        if (number != csv::Number::Ok || minutes < 0) {
            QString why = QStringLiteral("no travel time (field 3)");
            if (timeField > 0)
                why = QStringLiteral("travel time %1 (field %2) %3")
                          .arg(Problems::quote(time))
                          .arg(timeField)
                          .arg(number == csv::Number::TooLarge
                                   ? QStringLiteral("is too large (at most %1 minutes)")
                                         .arg(kLongestRoadMinutes)
                               : number == csv::Number::Ok ? QStringLiteral("is negative")
                                                           : QStringLiteral("is not a number"));
            problems.add(lineNo, QStringLiteral("road skipped: ") + why);
            return;
        }
        road.time = minutes + 0.0; // "-0" is a 0-minute road, not one of "-0" minutes
        const bool backwards = numbersInOrder && startId < cityNames && endId < cityNames
                                   ? endId < startId
                                   : road.cityEnd < road.cityStart;
        given.push_back({backwards ? quint64(endId) << 32 | quint64(startId)
                                   : quint64(startId) << 32 | quint64(endId),
                         lineNo, std::uint32_t(read.size()), backwards});
        if (!unknown.isEmpty()) {
            // Kept, as it may serve once the cities are read again, but it joins nothing now.
            for (QString &name : unknown)
                name = Problems::quote(name);
            problems.add(lineNo, QStringLiteral("road not used: no city named %1 (names are exact: "
                                                "case and spaces count)")
                                     .arg(unknown.join(QStringLiteral(" or "))));
        }
        read.push_back(std::move(road));
        if (numbersInOrder)
            names.emplace_back(startId < cityNames ? startId : -1, endId < cityNames ? endId : -1);
    };
    const auto takeBatch = [&] {
        keys.clear();
        for (const Line &line : batch) {
            keys.push_back(line.start);
            keys.push_back(line.end);
        }
        found.resize(keys.size());
        cities.find(keys.data(), int(keys.size()), found.data());
        for (std::size_t i = 0; i < batch.size(); ++i)
            take(batch[i], found[2 * i], found[2 * i + 1]);
        batch.clear();
    };
    csv::forEachLineOf(
        bytes,
        [&](QStringView text, int lineNo) {
            run->lines = lineNo;
            if (text.trimmed().isEmpty())
                return;
            Line line{kUnusedCity, kUnusedCity, {}, 0, lineNo};
            forEachField(text, 4, [&](int position, int field, QStringView value) {
                if (position == 1) {
                    line.start = value;
                } else if (position == 2) {
                    line.end = value;
                } else if (position == 3) {
                    line.time = value;
                    line.timeField = field;
                }
            });
            batch.push_back(line);
            if (batch.size() == 256)
                takeBatch();
        },
        takeBatch);
    std::sort(given.begin(), given.end(), byPairThenLine);
}

} // namespace loadtext
