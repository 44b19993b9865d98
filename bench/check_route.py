#!/usr/bin/env python3
"""Checks a `gpsroute route A B` output against a plain Dijkstra written apart from the program.

    check_route.py DIR ROUTE.tsv

Every leg must be a road of DIR/temps.csv with that time, and the total the shortest time
between the two ends. Networks where a pair of cities has several roads are refused: which one
counts is the program's own rule, not checked here.
"""
import csv
import heapq
import sys


def main():
    folder, output = sys.argv[1], sys.argv[2]
    roads = {}
    with open(f"{folder}/temps.csv", encoding="utf-8-sig", newline="") as f:
        for row in csv.reader(f):
            if len(row) < 3:
                continue
            a, b, t = row[0], row[1], float(row[2])
            key = frozenset((a, b))
            if key in roads:
                sys.exit(f"check_route: {a}-{b} has several roads; not checked")
            roads[key] = t
    graph = {}
    for key, t in roads.items():
        ends = list(key) if len(key) == 2 else list(key) * 2
        graph.setdefault(ends[0], []).append((ends[1], t))
        graph.setdefault(ends[1], []).append((ends[0], t))
    with open(output, encoding="utf-8") as f:
        lines = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    stops, total = lines[:-1], float(lines[-1][1])
    for (prev, _), (here, leg) in zip(stops, stops[1:]):
        if roads.get(frozenset((prev, here))) != float(leg):
            sys.exit(f"check_route: no road {prev} -> {here} of {leg} minutes")
    start, end = stops[0][0], stops[-1][0]
    dist = {start: 0.0}
    queue = [(0.0, start)]
    while queue:
        d, u = heapq.heappop(queue)
        if u == end:
            break
        if d > dist[u]:
            continue
        for v, t in graph.get(u, []):
            if d + t < dist.get(v, float("inf")):
                dist[v] = d + t
                heapq.heappush(queue, (d + t, v))
    if abs(dist.get(end, float("inf")) - total) > 1e-9 * max(1.0, total):
        sys.exit(f"check_route: total {total}, shortest {dist.get(end)}")
    print(f"route checked: {len(stops)} cities, {total:g} minutes, the shortest time")


main()
