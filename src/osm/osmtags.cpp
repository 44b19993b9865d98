// How gpsnet osm reads a way's or a node's tags as a car router does: which roads a car may
// use, at what speed, in which direction, and which barriers stop it.

#include "osmnet.h"
#include "osmreaders.h"

#include <osmium/osm/tag.hpp>

#include <cstring>

namespace osmnet {

namespace {

struct ClassSpeed
{
    const char *highway;
    double kmh;
};
// Defaults where no maxspeed says otherwise (README: "Your own network from OpenStreetMap").
constexpr ClassSpeed kSpeeds[] = {
    {"motorway", 120},     {"motorway_link", 60}, {"trunk", 100},       {"trunk_link", 50},
    {"primary", 80},       {"primary_link", 40},  {"secondary", 70},    {"secondary_link", 35},
    {"tertiary", 60},      {"tertiary_link", 30}, {"unclassified", 50}, {"residential", 30},
    {"living_street", 10}, {"service", 20},
};

bool is(const char *value, const char *what)
{
    return value && std::strcmp(value, what) == 0;
}

// An access value that keeps a car out, as a car router reads it.
bool closesToCars(const char *value)
{
    return is(value, "no") || is(value, "private") || is(value, "agricultural") ||
           is(value, "forestry") || is(value, "delivery");
}

// What the tags say of cars, the most particular first (motorcar, then motor_vehicle, vehicle,
// access): 1 open, 0 closed, -1 silent.
int carAccess(const osmium::TagList &tags)
{
    for (const char *key : {"motorcar", "motor_vehicle", "vehicle", "access"})
        if (const char *value = tags[key])
            return closesToCars(value) ? 0 : 1;
    return -1;
}

} // namespace

namespace detail {

// Cars may use the way: a road class they drive on, not an area, not closed to them.
bool forCars(const osmium::TagList &tags)
{
    return !is(tags["area"], "yes") && carAccess(tags) != 0;
}

// A barrier on a road that stops cars there (unless its own tags let them through): bollards,
// blocks and the like; a gate only when locked.
bool stopsCars(const osmium::TagList &tags)
{
    const char *barrier = tags["barrier"];
    if (!barrier)
        return false;
    if (const int access = carAccess(tags); access >= 0)
        return access == 0;
    if (is(barrier, "gate") || is(barrier, "swing_gate") || is(barrier, "lift_gate"))
        return is(tags["locked"], "yes");
    for (const char *stops :
         {"bollard", "block", "jersey_barrier", "chain", "cycle_barrier", "kissing_gate", "stile",
          "turnstile", "full-height_turnstile", "log", "planter", "barrier_board", "bar",
          "motorcycle_barrier", "fence", "wall", "debris"})
        if (is(barrier, stops))
            return true;
    return false;
}

// +1 along the way, -1 against it, 0 both ways.
int onewayOf(const osmium::TagList &tags)
{
    const char *oneway = tags["oneway"];
    if (is(oneway, "yes") || is(oneway, "1") || is(oneway, "true"))
        return 1;
    if (is(oneway, "-1") || is(oneway, "reverse"))
        return -1;
    if (is(oneway, "no") || is(oneway, "0") || is(oneway, "false"))
        return 0;
    // Implied: motorways and roundabouts are mapped one carriageway a way.
    const char *highway = tags["highway"];
    return is(highway, "motorway") || is(tags["junction"], "roundabout") ||
                   is(tags["junction"], "circular")
               ? 1
               : 0;
}

} // namespace detail

double speedKmh(const char *highway, const char *maxspeed, bool service)
{
    double fallback = 0;
    for (const ClassSpeed &c : kSpeeds)
        if (is(highway, c.highway))
            fallback = c.kmh;
    if (fallback == 0 || (is(highway, "service") && !service))
        return 0;
    if (!maxspeed)
        return fallback;
    // "50", "50 km/h", "30 mph", "7.5": plain decimals only (no sign, exponent or hex: "1e-320"
    // and "0x1E" are no speeds). "none", "walk", "signals", a country's code or a speed no car
    // drives at (under 1 or over 300 km/h): the default.
    const char *at = maxspeed;
    while (*at == ' ')
        ++at;
    const char *const first = at;
    double value = 0;
    while (*at >= '0' && *at <= '9' && at - first < 6)
        value = value * 10 + (*at++ - '0');
    if (at == first || (*at >= '0' && *at <= '9'))
        return fallback;
    if (*at == '.') {
        double place = 0.1;
        ++at;
        for (int digits = 0; *at >= '0' && *at <= '9'; ++at, ++digits, place /= 10)
            if (digits < 6)
                value += (*at - '0') * place;
    }
    while (*at == ' ')
        ++at;
    if (std::strncmp(at, "mph", 3) == 0 && at[3] == '\0')
        value *= 1.609344;
    else if (!(*at == '\0' || std::strcmp(at, "km/h") == 0 || std::strcmp(at, "kmh") == 0))
        return fallback;
    return value >= 1 && value <= 300 ? value : fallback;
}

} // namespace osmnet
