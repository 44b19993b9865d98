#!/usr/bin/env python3
"""A synthetic OpenStreetMap extract for benchmarks, shaped as road networks are: a jittered grid
of SIDE x SIDE road nodes (about 450 m apart); every 10th row and column a primary road, every
40th a trunk road, the rest minor streets (some one-way, some with a maxspeed); towns where main
roads cross (every 20th row and column), villages beside minor streets (one in VILLAGE_EVERY road
nodes); as OSM XML on standard output.
    bench/osm-synth.py SIDE VILLAGE_EVERY SEED > grid.osm
With --anywhere, places stand beside random nodes instead (one in VILLAGE_EVERY), whatever the
roads: fastest paths then rarely pass a place, and the network of places is dense.
With --shuffled, the road nodes' ids are shuffled, as a real extract's follow the order in which
the map was drawn, not where nodes lie."""
import random
import sys

args = [a for a in sys.argv[1:] if not a.startswith("--")]
anywhere = "--anywhere" in sys.argv
side, every, seed = int(args[0]), int(args[1]), int(args[2])
rng = random.Random(seed)
ids = list(range(1, side * side + 1))
if "--shuffled" in sys.argv:
    random.Random(seed + 1).shuffle(ids)
w = sys.stdout.write
w('<?xml version="1.0" encoding="UTF-8"?>\n<osm version="0.6" generator="osm-synth">\n')
for r in range(side):
    lat = 44 + r * 0.004
    w(''.join('<node id="%d" version="1" lat="%.7f" lon="%.7f"/>\n'
              % (ids[r * side + c], lat + rng.random() * 0.001, 2 + c * 0.006 + rng.random() * 0.001)
              for c in range(side)))


def main_road(i):
    return i % 10 == 0


place = 0
for r in range(side):
    for c in range(side):
        if anywhere:
            kind = "village" if rng.randrange(every) == 0 else None
        elif main_road(r) and main_road(c):
            kind = "town" if (r + c) % 40 else "city"
        elif not main_road(r) and not main_road(c) and rng.randrange(every) == 0:
            kind = "village"
        else:
            kind = None
        if kind:
            place += 1
            w('<node id="%d" version="1" lat="%.7f" lon="%.7f"><tag k="place" v="%s"/>'
              '<tag k="name" v="Place %d"/></node>\n'
              % (100000000 + place, 44 + r * 0.004 + 0.0003, 2 + c * 0.006, kind, place))
way = 0
for horizontal in (True, False):
    for i in range(side):
        start = 0
        while start < side - 1:
            end = min(side - 1, start + 1 + rng.randrange(20))
            way += 1
            refs = [ids[i * side + k] if horizontal else ids[k * side + i]
                    for k in range(start, end + 1)]
            if i % 40 == 0:
                tags = [("highway", "trunk")]
            elif main_road(i):
                tags = [("highway", "primary")]
            else:
                tags = [("highway", rng.choice(("residential", "unclassified", "tertiary")))]
                if rng.randrange(10) == 0:
                    tags.append(("oneway", "yes"))
            if rng.randrange(4) == 0:
                tags.append(("maxspeed", str(rng.choice((30, 50, 70, 90)))))
            w('<way id="%d" version="1">%s%s</way>\n'
              % (way, ''.join('<nd ref="%d"/>' % n for n in refs),
                 ''.join('<tag k="%s" v="%s"/>' % t for t in tags)))
            start = end
w('</osm>\n')
