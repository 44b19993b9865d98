// Writes the land and border file drawn under the map from the npm package world-atlas
// (Natural Earth 1:50m, public domain):
//   npm pack world-atlas@2.0.2 && tar xzf world-atlas-*.tgz
//   node tools/extract-land.mjs package/countries-50m.json > data/land.txt
//
// Output: comment lines starting with '#', then one line per shape:
//   L lon lat dlon dlat dlon dlat ...   a land ring (closed; holes are rings inside another)
//   B lon lat dlon dlat ...             a border between two countries (an open line)
// in hundredths of a degree, each point after the first as the difference from the one before.
import { readFileSync } from 'node:fs';

const topo = JSON.parse(readFileSync(process.argv[2] ?? 'package/countries-50m.json', 'utf8'));
const [sx, sy] = topo.transform.scale;
const [tx, ty] = topo.transform.translate;

// Arcs in hundredths of a degree, repeated points dropped.
const arcs = topo.arcs.map((arc) => {
  let x = 0, y = 0;
  const points = [];
  for (const [dx, dy] of arc) {
    x += dx;
    y += dy;
    const p = [Math.round((x * sx + tx) * 100), Math.round((y * sy + ty) * 100)];
    const last = points[points.length - 1];
    if (!last || last[0] !== p[0] || last[1] !== p[1]) points.push(p);
  }
  return points;
});

const arcPoints = (i) => (i >= 0 ? arcs[i] : arcs[~i].slice().reverse());

// Douglas-Peucker within a tolerance of `tol` hundredths: the 1:50m outlines hold more detail
// than the map can show at the zooms where land matters, and the file stays small.
function simplify(points, tol) {
  if (points.length < 3) return points;
  const keep = new Uint8Array(points.length);
  keep[0] = keep[points.length - 1] = 1;
  const stack = [[0, points.length - 1]];
  while (stack.length) {
    const [a, b] = stack.pop();
    const [ax, ay] = points[a], [bx, by] = points[b];
    const len = Math.hypot(bx - ax, by - ay);
    let worst = -1, at = -1;
    for (let i = a + 1; i < b; ++i) {
      const [px, py] = points[i];
      const d = len === 0 ? Math.hypot(px - ax, py - ay)
                          : Math.abs((bx - ax) * (ay - py) - (ax - px) * (by - ay)) / len;
      if (d > worst) { worst = d; at = i; }
    }
    if (worst > tol) {
      keep[at] = 1;
      stack.push([a, at], [at, b]);
    }
  }
  return points.filter((_, i) => keep[i]);
}

const tolerance = 2; // hundredths of a degree: half a pixel at eight times the first view
// Each arc simplified once, so that two shapes sharing it still meet exactly.
const simple = arcs.map((arc) => simplify(arc, tolerance));
const simplePoints = (i) => (i >= 0 ? simple[i] : simple[~i].slice().reverse());

function line(kind, points) {
  const parts = [kind, points[0][0], points[0][1]];
  for (let i = 1; i < points.length; ++i)
    parts.push(points[i][0] - points[i - 1][0], points[i][1] - points[i - 1][1]);
  return parts.join(' ');
}

const out = [
  '# Land and country borders, from Natural Earth 1:50m (public domain), through the npm',
  '# package world-atlas 2.0.2; written by tools/extract-land.mjs (format described there).',
];

for (const geometry of topo.objects.land.geometries) {
  const polygons = geometry.type === 'Polygon' ? [geometry.arcs] : geometry.arcs;
  for (const polygon of polygons)
    for (const ring of polygon) {
      const points = [];
      for (const i of ring) {
        const part = simplePoints(i);
        points.push(...(points.length ? part.slice(1) : part));
      }
      if (points.length >= 4) out.push(line('L', points));
    }
}

// An arc that two countries use is the border between them.
const users = new Map();
for (const geometry of topo.objects.countries.geometries) {
  const polygons = geometry.type === 'Polygon' ? [geometry.arcs]
                 : geometry.type === 'MultiPolygon' ? geometry.arcs : [];
  const mine = new Set();
  for (const polygon of polygons)
    for (const ring of polygon)
      for (const i of ring) mine.add(i >= 0 ? i : ~i);
  for (const i of mine) users.set(i, (users.get(i) ?? 0) + 1);
}
for (const [i, count] of [...users].sort((a, b) => a[0] - b[0]))
  if (count >= 2 && simple[i].length >= 2) out.push(line('B', simple[i]));

process.stdout.write(out.join('\n') + '\n');
