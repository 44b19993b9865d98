#!/usr/bin/env python3
"""gpsnet osm beside routino on one extract: each one's preparation (wall and CPU time, peak
memory), then, for pairs of the places gpsnet wrote, the quickest route by car of each (km and
minutes, routino routing between the same two points). The two read speeds differently
(routino's motorcar profile drives faster on most roads), so times differ by design; the km say
whether the two take the same roads.

    bench/osm-vs-routino.py BUILD_DIR EXTRACT [PAIRS]
"""
import csv
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile


def timed(command):
    """Runs `command` under GNU time: (wall s, CPU s, peak MiB)."""
    with tempfile.NamedTemporaryFile("r") as out:
        subprocess.run(["/usr/bin/time", "-o", out.name, "-f", "%e %U %S %M"] + command,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wall, user, system, kib = out.read().split()[-4:]
    return float(wall), float(user) + float(system), int(kib) / 1024


def routino(folder, a, b):
    """Routino's quickest route by car between two points: (km, minutes), or None."""
    run = subprocess.run(
        ["routino-router", "--dir=" + folder, "--profiles=/usr/share/routino/profiles.xml",
         "--translations=/usr/share/routino/translations.xml", "--transport=motorcar",
         "--quickest", "--output-stdout", "--output-text",
         "--lat1=%s" % a[0], "--lon1=%s" % a[1], "--lat2=%s" % b[0], "--lon2=%s" % b[1]],
        capture_output=True, text=True)
    rows = [l for l in run.stdout.splitlines() if l and not l.startswith("#")]
    if run.returncode != 0 or not rows:
        return None
    found = re.findall(r"([\d.]+) km\s+([\d.]+) min", rows[-1])
    return (float(found[-1][0]), float(found[-1][1])) if found else None


def main():
    build, extract = sys.argv[1], sys.argv[2]
    pairs = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    work = tempfile.mkdtemp(prefix="gps-routino-")
    try:
        net, rt = os.path.join(work, "net"), os.path.join(work, "routino")
        os.mkdir(rt)
        g = timed([os.path.join(build, "bin", "gpsnet"), "--quiet", "osm", extract, net])
        r = timed(["planetsplitter", "--dir=" + rt,
                   "--tagging=/usr/share/routino/tagging.xml", extract])
        print("gpsnet osm:     %.2f s, CPU %.2f s, peak %.0f MiB" % g)
        print("planetsplitter: %.2f s, CPU %.2f s, peak %.0f MiB" % r)
        with open(os.path.join(net, "villes.csv"), encoding="utf-8") as f:
            places = [(row[1], row[3], row[4]) for row in list(csv.reader(f))[1:]]
        everyPair = [(a, b) for a in places for b in places if a < b]
        rng = random.Random(7)
        chosen = everyPair if len(everyPair) <= pairs else rng.sample(everyPair, pairs)
        env = dict(os.environ, GPS_NO_CACHE="1")
        ratios = []
        print("from\tto\tGPS km\trouting km\tGPS min\trouting min")
        for a, b in chosen:
            out = subprocess.run([os.path.join(build, "bin", "gpsroute"), "--data", net, "route",
                                  a[0], b[0]], capture_output=True, text=True, env=env)
            total = out.stdout.splitlines()[-1].split("\t") if out.returncode == 0 else []
            theirs = routino(rt, a[1:], b[1:])
            if len(total) < 3 or not total[2] or theirs is None:
                print("%s\t%s\tno route in one of them" % (a[0], b[0]))
                continue
            km, minutes = float(total[2]), float(total[1])
            ratios.append(km / theirs[0] if theirs[0] > 0 else 1.0)
            print("%s\t%s\t%.3f\t%.3f\t%.2f\t%.1f" % (a[0], b[0], km, theirs[0], minutes,
                                                   theirs[1]))
        if ratios:
            ratios.sort()
            print("km, GPS over routino, %d routes: median %.3f, from %.3f to %.3f" %
                  (len(ratios), ratios[len(ratios) // 2], ratios[0], ratios[-1]))
    finally:
        shutil.rmtree(work)


main()
