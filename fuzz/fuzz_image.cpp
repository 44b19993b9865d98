// Any bytes as the image of a network (what a damaged cache holds): refused with the network
// left empty, or a network whose arcs all lead somewhere, whose routes can be asked for, and
// whose image, written again, reads back the same.

#include "common.h"
#include "network.h"
#include "routefinder.h"

#include <cmath>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    silenceQtMessages();
    const QByteArrayView bytes(data, qsizetype(size));
    Network net;
    QStringList messages;
    if (!net.readImage(bytes, &messages)) {
        FUZZ_CHECK(net.size() == 0 && net.roads().empty() && messages.isEmpty());
        return 0;
    }
    const int nodes = net.nodeCount();
    for (int node = 0; node < nodes; ++node) {
        for (const Network::Arc *a = net.arcsBegin(node); a != net.arcsEnd(node); ++a)
            FUZZ_CHECK(a->to >= 0 && a->to < nodes && a->time >= 0 && std::isfinite(a->time));
        for (const Network::Arc *a = net.inArcsBegin(node); a != net.inArcsEnd(node); ++a)
            FUZZ_CHECK(a->to >= 0 && a->to < nodes && a->time >= 0 && std::isfinite(a->time));
    }
    for (const Road &road : net.roads())
        FUZZ_CHECK(road.time >= 0 && std::isfinite(road.time));
    // Routes between a few pairs: whole, from the start to the end, through cities. (Arcs
    // that agree with no road set are not refused: only an image's hash tells such bytes from
    // the ones written, and the cache checks it; its legs may then read "no road".)
    RouteFinder finder(net, 4);
    const int n = net.size();
    for (int a = 0; a < n && a < 6; ++a)
        for (int b = 0; b < n && b < 6; ++b) {
            const std::vector<int> route = finder.route(a, b);
            FUZZ_CHECK(!route.empty() && route.front() == a && route.back() == b);
            for (const double leg : net.legTimes(route))
                FUZZ_CHECK(!std::isnan(leg) && leg >= 0);
        }
    // Written again, read again: the same network, the same bytes.
    const QByteArray image = net.image(messages);
    Network back;
    QStringList backMessages;
    FUZZ_CHECK(back.readImage(image, &backMessages));
    FUZZ_CHECK(backMessages == messages && back.size() == n &&
               back.roads().size() == net.roads().size() && back.image(backMessages) == image);
    return 0;
}
