#!/usr/bin/env python3
"""A synthetic OpenStreetMap extract of towns shaped as real ones are, for benchmarks (the tests'
generator, at scale): SIDE x SIDE towns about 5.5 km apart, each a square of 5 x 5 streets (its
middle ones secondary roads) with its place node off them, main roads of country road from each
town to the next east and north (one in ten missing); as OSM XML on standard output.
    bench/osm-towns.py SIDE SEED > towns.osm"""
import random
import sys

side, seed = int(sys.argv[1]), int(sys.argv[2])
rng = random.Random(seed)
w = sys.stdout.write
w('<?xml version="1.0" encoding="UTF-8"?>\n<osm version="0.6" generator="osm-towns">\n')


def node(t, i, j):
    return t * 100 + i * 5 + j + 1


where = {}
places = []
for r in range(side):
    for c in range(side):
        t = r * side + c
        lat = 45 + r * 0.05 + rng.randrange(100) * 1e-4 - 0.005
        lon = 5 + c * 0.07 + rng.randrange(100) * 1e-4 - 0.005
        for i in range(5):
            for j in range(5):
                at = (lat + (i - 2) * 0.0015, lon + (j - 2) * 0.0021)
                if (i == 2 and j in (0, 4)) or (j == 2 and i in (0, 4)):
                    where[node(t, i, j)] = at  # where main roads start
                w('<node id="%d" version="1" lat="%.7f" lon="%.7f"/>\n' % ((node(t, i, j),) + at))
        places.append((20000000 + t, lat + 0.0004, lon + 0.0003,
                       "town" if t % 5 == 0 else "village", t))
for pid, lat, lon, kind, t in places:
    w('<node id="%d" version="1" lat="%.7f" lon="%.7f"><tag k="place" v="%s"/>'
      '<tag k="name" v="T%d"/></node>\n' % (pid, lat, lon, kind, t))

ways = []
way_id = 1
for t in range(side * side):
    for k in range(5):
        street = "secondary" if k == 2 else "residential"
        ways.append((way_id, [node(t, k, m) for m in range(5)], street))
        ways.append((way_id + 1, [node(t, m, k) for m in range(5)], street))
        way_id += 2
rural = 10000000
for r in range(side):
    for c in range(side):
        t = r * side + c
        for a, b, there in ((node(t, 2, 4), node(t + 1, 2, 0), c + 1 < side),
                            (node(t, 4, 2), node(t + side, 0, 2), r + 1 < side)):
            if not there or rng.randrange(10) == 0:
                continue  # none there: a detour
            refs = [a]
            for k in range(1, 4):
                lat = where[a][0] + (where[b][0] - where[a][0]) * k / 4
                lon = where[a][1] + (where[b][1] - where[a][1]) * k / 4
                w('<node id="%d" version="1" lat="%.7f" lon="%.7f"/>\n' % (rural, lat, lon))
                refs.append(rural)
                rural += 1
            refs.append(b)
            ways.append((way_id, refs, "primary" if rng.randrange(3) == 0 else "secondary"))
            way_id += 1
for wid, refs, highway in ways:
    w('<way id="%d" version="1">%s<tag k="highway" v="%s"/></way>\n'
      % (wid, "".join('<nd ref="%d"/>' % n for n in refs), highway))
w("</osm>\n")
