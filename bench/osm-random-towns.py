#!/usr/bin/env python3
"""A synthetic OpenStreetMap extract of towns laid out as no grid is: N towns at random in a
55 x 55 km square (2.5 km apart at least), each a star of 3 to 6 streets, its place node on
the star's middle or, for two villages in three, 40 m off it; a main road of a random class
from each town to its three nearest (once a pair), one in twenty of them one-way; as OSM XML
on standard output. Up to some 350 towns (the square is then full).
    bench/osm-random-towns.py N SEED > towns.osm"""
import math
import random
import sys

n, seed = int(sys.argv[1]), int(sys.argv[2])
if n > 350:
    sys.exit("at most 350 towns fit 2.5 km apart")
rng = random.Random(seed)
out = ['<?xml version="1.0" encoding="UTF-8"?>', '<osm version="0.6">']
nid = [1]; wid = [1]
def node(lat, lon, tags=None):
    i = nid[0]; nid[0] += 1
    t = "".join('<tag k="%s" v="%s"/>' % kv for kv in (tags or {}).items())
    out.append('<node id="%d" version="1" lat="%.7f" lon="%.7f">%s</node>' % (i, lat, lon, t))
    return i
def way(refs, tags):
    i = wid[0]; wid[0] += 1
    t = "".join('<tag k="%s" v="%s"/>' % kv for kv in tags.items())
    out.append('<way id="%d" version="1">%s%s</way>' % (i, "".join('<nd ref="%d"/>' % r for r in refs), t))
towns = []
tries = 0
while len(towns) < n:
    tries += 1
    if tries > 1000000:
        sys.exit("the square is full")
    lat = 45 + rng.random() * 0.5; lon = 5 + rng.random() * 0.7
    if all(math.hypot((lat - a) * 111, (lon - b) * 78) > 2.5 for a, b, _ in towns):
        towns.append((lat, lon, None))
hubs = []
for k, (lat, lon, _) in enumerate(towns):
    c = node(lat, lon)
    arms = rng.randint(3, 6)
    for a in range(arms):
        ang = 2 * math.pi * a / arms + rng.random() * 0.5
        pts = [c]
        for s in range(1, 4):
            pts.append(node(lat + math.sin(ang) * 0.0012 * s, lon + math.cos(ang) * 0.0017 * s))
        way(pts, {"highway": "residential"})
    kind = "town" if k % 4 == 0 else "village"
    off = 0.0003 if kind == "village" and k % 3 else 0.0
    node(lat + off, lon + off, {"place": kind, "name": "R%d" % k})
    hubs.append(c)
for k, (lat, lon, _) in enumerate(towns):
    near = sorted(range(len(towns)), key=lambda j: math.hypot((towns[j][0]-lat)*111, (towns[j][1]-lon)*78))[1:4]
    for j in near:
        if j < k and k in sorted(range(len(towns)), key=lambda m: math.hypot((towns[m][0]-towns[j][0])*111, (towns[m][1]-towns[j][1])*78))[1:4]:
            continue
        la2, lo2, _ = towns[j]
        d = math.hypot((la2-lat)*111, (lo2-lon)*78)
        steps = max(2, int(d / 0.5))
        pts = [hubs[k]]
        for s in range(1, steps):
            f = s / steps
            pts.append(node(lat + (la2-lat)*f + rng.uniform(-1,1)*0.0005, lon + (lo2-lon)*f + rng.uniform(-1,1)*0.0005))
        pts.append(hubs[j])
        cls = rng.choice(["primary", "secondary", "tertiary", "unclassified"])
        tags = {"highway": cls}
        if rng.random() < 0.05: tags["oneway"] = "yes"
        way(pts, tags)
out.append('</osm>')
print("\n".join(out))
