"""A network no drawing can show line by line: N cities at random positions over France and
ROADS roads between random pairs of them (long lines across the whole map).
    python3 bench/longroads.py N ROADS DIR"""
import os
import random
import sys

n, roads, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
os.makedirs(out, exist_ok=True)
rng = random.Random(3)
with open(os.path.join(out, "villes.csv"), "w") as f:
    f.write("id,name,dept,lat,lon\n")
    f.write("".join("%d,R%d,00,%.5f,%.5f\n" % (i, i, rng.uniform(42.5, 51), rng.uniform(-4.5, 8))
                    for i in range(1, n + 1)))
with open(os.path.join(out, "temps.csv"), "w") as f:
    f.write("".join("R%d,R%d,%d\n" % (rng.randint(1, n), rng.randint(1, n), rng.randint(1, 500))
                    for _ in range(roads)))
