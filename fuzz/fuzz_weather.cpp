// The weather reply: the ten texts and the check for a failed request. The first byte picks
// the HTTP status the body came with.

#include "common.h"
#include "weather.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    if (size == 0)
        return 0;
    static const int statuses[] = {200, 200, 200, 404, 401, 500, 0};
    const int status = statuses[data[0] % (sizeof statuses / sizeof *statuses)];
    const QByteArray body(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString problem = weatherProblem(body, status, status ? QString() : QStringLiteral("x"));
    FUZZ_CHECK(status == 200 || !problem.isEmpty());
    const WeatherTexts t = readWeather(body);
    for (const QString &time : {t.sunrise, t.sunset})
        FUZZ_CHECK(time.isEmpty() || time.size() == 8);
    return 0;
}
